#include "gui/peak_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStringDecoder>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/copying_dialog.h"
#include "gui/message_box.h"
#include "i18n/safe_format.h"
#include "i18n/text_keys.h"

namespace ps::gui {

namespace {

constexpr int kSegmentSteps = PeakWindow::kMeterSteps / PeakWindow::kMeterSegments;
constexpr int kSegmentWidth = 60;
constexpr int kLineWidth = 400;
const QPoint kPlaceOffset(9, 138);
const QChar kNameMark(0x1F);

// " %d:%02d", as the engines' elapsed times are shown.
QString elapsedText(std::int64_t ms) {
    const std::int64_t seconds = std::max<std::int64_t>(ms, 0) / 1000;
    return QStringLiteral(" %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString timeLeftText(std::int64_t ms) {
    const std::int64_t seconds = std::max<std::int64_t>(ms, 0) / 1000;
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// File names come from the file system, normally UTF-8; a name that is not valid UTF-8
// is taken as ISO-8859-1 so that it still shows readably.
QString fileNameText(const std::string& name) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
    if (!utf8.hasError()) {
        return decoded;
    }
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

PeakWindow::PeakWindow(const TextTable& texts, QWidget* parent) : QDialog(parent), texts_(texts) {
    setObjectName("PeakWindow");
    setModal(false);
    auto* layout = new QVBoxLayout(this);

    description_ = new QLabel(this);
    description_->setObjectName("Description");
    stageLine_ = new QLabel(this);
    stageLine_->setObjectName("StageLine");
    activity_ = new QLabel(this);
    activity_->setObjectName("Activity");
    // Description and codec lines can be long: they wrap, and the window grows to hold them.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    for (QLabel* line : {description_, stageLine_, activity_}) {
        line->setWordWrap(true);
        line->setMinimumWidth(kLineWidth);
        layout->addWidget(line);
    }
    stageLine_->setVisible(false);
    activity_->setVisible(false);

    auto* meterRow = new QHBoxLayout();
    meterRow->setSpacing(0);
    for (std::size_t i = 0; i < meter_.size(); ++i) {
        StateStrip*& strip = meter_[i];
        strip = new StateStrip(kSegmentSteps + 1, StateStrip::Kind::Meter, this);
        strip->setColourSpan(static_cast<int>(i) * kSegmentSteps, kMeterSteps);
        strip->setFixedWidth(kSegmentWidth);
        meterRow->addWidget(strip);
    }
    meterRow->addStretch(1);
    layout->addLayout(meterRow);

    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(8);
    auto makeLabel = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(name);
        return label;
    };
    peakLabel_ = makeLabel("PeakLabel");
    peakValue_ = makeLabel("PeakValue");
    peakValue_->setMinimumWidth(50);
    grid->addWidget(peakLabel_, 0, 0);
    grid->addWidget(peakValue_, 0, 1);

    scanningLabel_ = makeLabel("ScanningLabel");
    scanningBar_ = new QProgressBar(this);
    scanningBar_->setObjectName("ScanningBar");
    normalizingLabel_ = makeLabel("NormalizingLabel");
    normalizingBar_ = new QProgressBar(this);
    normalizingBar_->setObjectName("NormalizingBar");
    for (QProgressBar* bar : {scanningBar_, normalizingBar_}) {
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setMinimumWidth(220);
    }
    grid->addWidget(scanningLabel_, 1, 0);
    grid->addWidget(scanningBar_, 1, 1, 1, 3);
    grid->addWidget(normalizingLabel_, 2, 0);
    grid->addWidget(normalizingBar_, 2, 1, 1, 3);

    elapsedLabel_ = makeLabel("ElapsedLabel");
    elapsedValue_ = makeLabel("ElapsedValue");
    timeLeftLabel_ = makeLabel("TimeLeftLabel");
    timeLeftValue_ = makeLabel("TimeLeftValue");
    elapsedValue_->setMinimumWidth(50);
    timeLeftValue_->setMinimumWidth(50);
    grid->addWidget(elapsedLabel_, 3, 0);
    grid->addWidget(elapsedValue_, 3, 1);
    grid->addWidget(timeLeftLabel_, 3, 2);
    grid->addWidget(timeLeftValue_, 3, 3);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout();
    skipButton_ = new QPushButton(this);
    skipButton_->setObjectName("SkipButton");
    skipButton_->setAutoDefault(false);
    abortButton_ = new QPushButton(this);
    abortButton_->setObjectName("AbortButton");
    abortButton_->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(skipButton_);
    buttons->addWidget(abortButton_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(skipButton_, &QPushButton::clicked, this, [this] { skip_ = true; });
    connect(abortButton_, &QPushButton::clicked, this, [this] { abortAll(); });

    setWindowTitle(text("FindingNorm"));
    applyTexts();
    clearCounters();
    prepareBatch(1);
}

QString PeakWindow::text(const char* key, int occurrence) const {
    return decodedText(texts_, std::string(texts_.text(key, occurrence)));
}

QString PeakWindow::withName(const char* key, const std::string& name, int index, int count) const {
    const std::string marked = texts_.format(key, std::string(1, '\x1f'), index, count);
    return decodedText(texts_, marked).replace(kNameMark, fileNameText(name));
}

QString PeakWindow::shownName(const std::string& fileName, int index, int count) const {
    if (count >= 2) {
        return withName("FileOfNorm", fileName, index, count);
    }
    return fileNameText(fileName);
}

void PeakWindow::applyTexts() {
    // The window's own slots of the shared keys: "Peak level found:" and "Scanning" are
    // the second texts of their keys.
    peakLabel_->setText(text("PeakFoundRip", 2));
    scanningLabel_->setText(text("ScanningNorm", 2));
    normalizingLabel_->setText(text("NormalizingNorm"));
    elapsedLabel_->setText(text("TElapsedRip"));
    timeLeftLabel_->setText(text("TLeftRip"));
    skipButton_->setText(text("SkipThisRip"));
    abortButton_->setText(text(fileCount_ > 1 ? "AbortAllRip" : "Button3BadSCSI1"));
}

void PeakWindow::prepareBatch(int fileCount) {
    fileCount_ = std::max(fileCount, 1);
    skip_ = false;
    abortAll_ = false;
    skipButton_->setVisible(fileCount_ > 1);
    abortButton_->setText(text(fileCount_ > 1 ? "AbortAllRip" : "Button3BadSCSI1"));
}

void PeakWindow::placeBeside(const QWidget& mainWindow) {
    adjustSize();
    placeRelativeTo(*this, &mainWindow, kPlaceOffset);
}

void PeakWindow::setMeter(int steps) {
    steps = std::clamp(steps, 0, kMeterSteps);
    for (std::size_t i = 0; i < meter_.size(); ++i) {
        meter_[i]->setState(
            std::clamp(steps - static_cast<int>(i) * kSegmentSteps, 0, kSegmentSteps));
    }
}

void PeakWindow::clearCounters() {
    scanningBar_->setValue(0);
    normalizingBar_->setValue(0);
    setMeter(0);
    peakValue_->setText(QStringLiteral("0%"));
    elapsedValue_->setText(elapsedText(0));
    timeLeftValue_->setText(timeLeftText(0));
}

void PeakWindow::resetForEncoding(const std::string& fileName, const std::string& codecDescription,
                                  int index, int count) {
    phase_ = Phase::Scanning;
    clearCounters();
    description_->setText(text("NoNormNorm"));
    stageLine_->setText(decodedText(texts_, codecDescription));
    stageLine_->setVisible(!codecDescription.empty());
    activity_->clear();
    activity_->setVisible(false);
    const QString marked =
        decodedText(texts_, texts_.format("CreateMP3Norm", std::string(1, '\x1f')));
    setWindowTitle(QString(marked).replace(kNameMark, shownName(fileName, index, count)));
}

void PeakWindow::stage(Stage stage, const std::string& fileName, int index, int count) {
    const QString name = shownName(fileName, index, count);
    switch (stage) {
        case Stage::FindingPeak:
        case Stage::CheckingLevels:
            phase_ = Phase::Scanning;
            clearCounters();
            break;
        case Stage::Normalizing:
        case Stage::Modifying:
            phase_ = Phase::Changing;
            normalizingBar_->setValue(0);
            elapsedValue_->setText(elapsedText(0));
            timeLeftValue_->setText(timeLeftText(0));
            break;
    }
    switch (stage) {
        case Stage::FindingPeak:
            setWindowTitle(text("FindingNorm") + QStringLiteral(" - ") + name);
            break;
        case Stage::Normalizing:
            setWindowTitle(text("NormalizingNorm") + QStringLiteral(" - ") + name);
            break;
        case Stage::CheckingLevels:
        case Stage::Modifying:
            setWindowTitle(text("FindLevelsNorm") + QStringLiteral(" - ") + name);
            break;
    }
    const bool advanced = stage == Stage::CheckingLevels || stage == Stage::Modifying;
    if (advanced) {
        const bool scanning = stage == Stage::CheckingLevels;
        stageLine_->setText(
            withName(scanning ? "Caption3Norm" : "Caption4Norm", fileName, index, count));
        activity_->setText(text(scanning ? "ScanningNorm" : "ModifyingNorm"));
    } else {
        stageLine_->clear();
        activity_->clear();
    }
    stageLine_->setVisible(advanced);
    activity_->setVisible(advanced);
}

void PeakWindow::describe(const char* key, const std::vector<int>& numbers) {
    const int slot = key != nullptr ? textSlotOf(key) : -1;
    if (slot < 0) {
        description_->clear();
        return;
    }
    std::vector<FormatArg> arguments(numbers.begin(), numbers.end());
    description_->setText(
        decodedText(texts_, formatLocalized(texts_.text(slot), englishText(slot), arguments)));
}

void PeakWindow::level(int peak) {
    peak = std::clamp(peak, 0, 32768);
    setMeter(peak * kMeterSteps / 32768);
    peakValue_->setText(QStringLiteral("%1%").arg(std::min(peak * 100 / 32767, 100)));
}

void PeakWindow::progress(int percent, std::int64_t elapsedMs) {
    percent = std::clamp(percent, 0, 100);
    (phase_ == Phase::Scanning ? scanningBar_ : normalizingBar_)->setValue(percent);
    elapsedValue_->setText(elapsedText(elapsedMs));
    // The rest takes as long per percent as the part done so far.
    if (percent > 0) {
        timeLeftValue_->setText(timeLeftText(elapsedMs * (100 - percent) / percent));
    }
}

void PeakWindow::abortAll() {
    skip_ = true;
    abortAll_ = true;
}

void PeakWindow::closeEvent(QCloseEvent* event) {
    abortAll();
    event->accept();
}

// Esc counts as closing the window.
void PeakWindow::reject() {
    abortAll();
    hide();
}

}  // namespace ps::gui
