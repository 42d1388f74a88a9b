#include "gui/copy_status_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "grab/copy_status.h"
#include "gui/copying_dialog.h"
#include "gui/dialog_buttons.h"
#include "gui/gui_texts.h"
#include "gui/message_box.h"

namespace ps::gui {

namespace {

// Value objects are named after what they show, the check boxes after their switches.
constexpr std::array<const char*, 6> kValueNames = {"OldPeak",    "NewPeak",    "OldAverage",
                                                    "NewAverage", "OldCompact", "NewCompact"};
constexpr std::array<const char*, CopyStatusDialog::kSwitchCount> kSwitchNames = {
    "ShowChecksum",        "ShowRipSpeed",       "ShowLostSynchs", "ShowSpeedProblems",
    "ShowOldPeak",         "ShowNewPeak",        "ShowOldAverage", "ShowNewAverage",
    "ShowOldCompactRatio", "ShowNewCompactRatio"};
// The check box captions: the labels of the detailed status.
constexpr std::array<const char*, CopyStatusDialog::kSwitchCount> kSwitchCaptions = {
    "CheksumStats",  "RipSpeedStatus", "LostSyncsStatus", "SpeedprobStatus", "OldPeakStatus",
    "NewPeakStatus", "OldAvgStatus",   "NewAvgStatus",    "OldCompStatus",   "NewCompStatus"};

const QPoint kPlaceOffset(49, 118);

}  // namespace

CopyStatusDialog::CopyStatusDialog(Settings& settings, const TextTable& texts, QWidget* parent)
    : QDialog(parent), settings_(settings), texts_(texts) {
    setObjectName("CopyStatusDialog");
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout();
    layout->addLayout(columns);

    auto* status = new QGridLayout();
    status->setHorizontalSpacing(12);
    int row = 0;
    auto line = [&](QLabel*& label, const char* name) {
        label = new QLabel(this);
        label->setObjectName(name);
        status->addWidget(label, row++, 0, 1, 3);
    };
    line(checksum_, "Checksum");
    line(result_, "Result");
    line(ripSpeed_, "RipSpeed");
    line(lostSynchs_, "LostSynchs");
    line(speedProblems_, "SpeedProblems");
    line(possibleSpeedProblems_, "PossibleSpeedProblems");
    status->setRowMinimumHeight(row++, 8);
    oldHeading_ = new QLabel(this);
    newHeading_ = new QLabel(this);
    status->addWidget(oldHeading_, row, 1);
    status->addWidget(newHeading_, row, 2);
    ++row;
    for (std::size_t r = 0; r < rowLabels_.size(); ++r, ++row) {
        rowLabels_[r] = new QLabel(this);
        status->addWidget(rowLabels_[r], row, 0);
        for (std::size_t c = 0; c < 2; ++c) {
            QLabel*& value = values_[r * 2 + c];
            value = new QLabel(this);
            value->setObjectName(kValueNames[r * 2 + c]);
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            status->addWidget(value, row, static_cast<int>(c) + 1);
        }
    }
    status->setRowStretch(row, 1);
    columns->addLayout(status, 1);

    switchGroup_ = new QGroupBox(this);
    auto* switchLayout = new QVBoxLayout(switchGroup_);
    for (std::size_t i = 0; i < switches_.size(); ++i) {
        switches_[i] = new QCheckBox(switchGroup_);
        switches_[i]->setObjectName(kSwitchNames[i]);
        switchLayout->addWidget(switches_[i]);
    }
    columns->addWidget(switchGroup_);

    const OkCancelButtons buttons = addOkCancelButtons(this, layout);
    ok_ = buttons.ok;
    cancel_ = buttons.cancel;
    connect(ok_, &QPushButton::clicked, this, [this] {
        store();
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    applyTexts();
    showTrack(TrackRecord{});
}

std::array<bool*, CopyStatusDialog::kSwitchCount> CopyStatusDialog::switchFields() {
    Settings& s = settings_;
    return {&s.ShowChecksum,        &s.ShowRipSpeed,       &s.ShowLostSynchs, &s.ShowSpeedProblems,
            &s.ShowOldPeak,         &s.ShowNewPeak,        &s.ShowOldAverage, &s.ShowNewAverage,
            &s.ShowOldCompactRatio, &s.ShowNewCompactRatio};
}

void CopyStatusDialog::applyTexts() {
    oldHeading_->setText(uiText(texts_, "OldStatus"));
    newHeading_->setText(uiText(texts_, "NewStatus"));
    rowLabels_[0]->setText(uiText(texts_, "PeakStatus"));
    rowLabels_[1]->setText(uiText(texts_, "AvgStatus"));
    rowLabels_[2]->setText(uiText(texts_, "CompStatus"));
    const QString heading = uiText(texts_, "ShowStats");
    switchGroup_->setTitle(heading);
    for (std::size_t i = 0; i < switches_.size(); ++i) {
        // "Checksum: %s" names its value; the check box takes the label alone.
        const std::string caption = texts_.format(kSwitchCaptions[i], std::string());
        switches_[i]->setText(decodedText(texts_, caption).trimmed());
    }
    ok_->setText(uiText(texts_, "OKBtn"));
    cancel_->setText(uiText(texts_, "CancelBtn"));
}

void CopyStatusDialog::showTrack(const TrackRecord& track) {
    const DetailedStatus status = DetailedCopyStatus(track, texts_);
    setWindowTitle(captionFor(track.name));
    checksum_->setText(decodedText(texts_, status.checksum));
    result_->setText(decodedText(texts_, status.result));
    ripSpeed_->setText(decodedText(texts_, status.ripSpeed));
    lostSynchs_->setText(decodedText(texts_, status.lostSynchs));
    speedProblems_->setText(decodedText(texts_, status.speedProblems));
    possibleSpeedProblems_->setText(decodedText(texts_, status.possibleSpeedProblems));
    for (std::size_t i = 0; i < values_.size(); ++i) {
        values_[i]->setText(decodedText(texts_, status.values[i]).trimmed());
    }
    const auto fields = switchFields();
    for (std::size_t i = 0; i < switches_.size(); ++i) {
        switches_[i]->setChecked(*fields[i]);
    }
}

// Track names are ISO-8859-1 whatever the language file's character set: the caption is
// decoded around the name, which goes in on its own.
QString CopyStatusDialog::captionFor(const std::string& trackName) const {
    const QChar mark(0x1F);
    QString caption = decodedText(texts_, texts_.format("CaptionStats", std::string(1, '\x1f')));
    return caption.replace(
        mark, QString::fromLatin1(trackName.data(), static_cast<qsizetype>(trackName.size())));
}

void CopyStatusDialog::openFor(const TrackRecord& track, const QWidget* mainWindow) {
    showTrack(track);
    adjustSize();
    placeRelativeTo(*this, mainWindow, kPlaceOffset);
    open();
}

void CopyStatusDialog::store() {
    const auto fields = switchFields();
    for (std::size_t i = 0; i < switches_.size(); ++i) {
        *fields[i] = switches_[i]->isChecked();
    }
    emit switchesStored();
}

}  // namespace ps::gui
