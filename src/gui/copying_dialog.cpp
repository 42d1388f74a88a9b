#include "gui/copying_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/message_box.h"

namespace ps::gui {

namespace {

constexpr int kMeterStates = 11;
constexpr int kSynchStates = 16;
constexpr int kMeterStripWidth = 50;

const QColor kGreen(0x20, 0xB0, 0x20);
const QColor kYellow(0xE0, 0xC0, 0x00);
const QColor kRed(0xD0, 0x20, 0x20);

// Green for the lower part of a range, yellow, then red towards its top.
QColor cellColour(int step, int steps) {
    const double position = steps > 1 ? static_cast<double>(step) / (steps - 1) : 0.0;
    if (position < 0.6) {
        return kGreen;
    }
    return position < 0.85 ? kYellow : kRed;
}

}  // namespace

void placeRelativeTo(QWidget& window, const QWidget* owner, QPoint offset) {
    const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize size = window.frameGeometry().size();
    QPoint place = owner != nullptr ? owner->frameGeometry().topLeft() + offset : area.topLeft();
    const int rightGap = area.right() - (place.x() + size.width());
    const int bottomGap = area.bottom() - (place.y() + size.height());
    if (owner == nullptr || rightGap < 100 || bottomGap < 80) {
        place = area.center() - QPoint(size.width() / 2, size.height() / 2);
    }
    window.move(place);
}

StateStrip::StateStrip(int states, Kind kind, QWidget* parent)
    : QWidget(parent), states_(states), kind_(kind) {
    setMinimumSize(50, 12);
}

void StateStrip::setState(int state) {
    state = std::clamp(state, 0, states_ - 1);
    if (state != state_) {
        state_ = state;
        update();
    }
}

void StateStrip::setColourSpan(int firstCell, int allCells) {
    firstCell_ = firstCell;
    allCells_ = allCells;
    update();
}

void StateStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const int cells = states_ - 1;
    if (cells <= 0) {
        return;
    }
    const double width = static_cast<double>(this->width()) / cells;
    auto drawCell = [&](int cell, const QColor& colour) {
        painter.fillRect(QRectF(cell * width + 1, 2, width - 2, height() - 4), colour);
    };
    if (kind_ == Kind::Meter) {
        const int allCells = allCells_ > 0 ? allCells_ : cells;
        for (int cell = 0; cell < state_; ++cell) {
            drawCell(cell, cellColour(firstCell_ + cell, allCells));
        }
        return;
    }
    if (state_ == states_ - 1) {
        for (int cell = 0; cell < cells; ++cell) {
            drawCell(cell, kRed);
        }
        return;
    }
    // The middle cell marks exact synchronisation; the further the offset, the more
    // cells light towards its side.
    const int middle = cells / 2;
    const int half = (states_ - 2) / 2;
    drawCell(middle, kGreen);
    const bool right = state_ > half;
    const int level = right ? state_ - half : state_;
    for (int step = 1; step <= level; ++step) {
        const int cell = right ? middle + step : middle - step;
        if (cell >= 0 && cell < cells) {
            drawCell(cell, cellColour(step, half + 1));
        }
    }
}

CopyingDialog::CopyingDialog(CopyingWindow& model, const TextTable& texts, QWidget* parent)
    : QDialog(parent), model_(model), texts_(texts) {
    setObjectName("CopyingDialog");
    auto* layout = new QVBoxLayout(this);

    auto* meterRow = new QHBoxLayout();
    meterRow->setSpacing(0);
    for (std::size_t i = 0; i < meter_.size(); ++i) {
        StateStrip*& strip = meter_[i];
        strip = new StateStrip(kMeterStates, StateStrip::Kind::Meter, this);
        strip->setColourSpan(static_cast<int>(i) * (kMeterStates - 1),
                             static_cast<int>(meter_.size()) * (kMeterStates - 1));
        strip->setFixedWidth(kMeterStripWidth);
        meterRow->addWidget(strip);
    }
    meterRow->addStretch(1);
    layout->addLayout(meterRow);
    synch_ = new StateStrip(kSynchStates, StateStrip::Kind::Synch, this);
    synch_->setObjectName("SynchIndicator");
    synch_->setFixedWidth(kMeterStripWidth * 4);
    layout->addWidget(synch_);

    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(8);
    auto pair = [&](int row, int column, QLabel*& label, QLabel*& value) {
        label = new QLabel(this);
        value = new QLabel(this);
        value->setMinimumWidth(90);
        grid->addWidget(label, row, column * 2);
        grid->addWidget(value, row, column * 2 + 1);
    };
    pair(0, 0, writeLabel_, writeValue_);
    pair(0, 1, sizeLabel_, sizeValue_);
    pair(1, 0, readingLabel_, readingValue_);
    pair(1, 1, sectorsLabel_, sectorsValue_);
    pair(2, 0, elapsedLabel_, elapsedValue_);
    pair(2, 1, lengthLabel_, lengthValue_);
    pair(3, 0, leftLabel_, leftValue_);
    pair(3, 1, peakLabel_, peakValue_);
    layout->addLayout(grid);

    auto* progressRow = new QHBoxLayout();
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    percentText_ = new QLabel(this);
    percentText_->setMinimumWidth(40);
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(percentText_);
    layout->addLayout(progressRow);

    speedLine_ = new QLabel(this);
    synchLine_ = new QLabel(this);
    statusLine_ = new QLabel(this);
    layout->addWidget(speedLine_);
    layout->addWidget(synchLine_);
    layout->addWidget(statusLine_);

    normalizationLine_ = new QLabel(this);
    encoderLine_ = new QLabel(this);
    normalizationLine_->setVisible(false);
    encoderLine_->setVisible(false);
    layout->addWidget(normalizationLine_);
    layout->addWidget(encoderLine_);

    auto* buttons = new QHBoxLayout();
    skip_ = new QPushButton(this);
    skip_->setObjectName("SkipButton");
    skip_->setAutoDefault(false);
    abortAll_ = new QPushButton(this);
    abortAll_->setObjectName("AbortAllButton");
    abortAll_->setAutoDefault(false);
    buttons->addWidget(skip_);
    buttons->addWidget(abortAll_);
    layout->addLayout(buttons);
    connect(skip_, &QPushButton::clicked, this, [this] { model_.SkipClick(); });
    connect(abortAll_, &QPushButton::clicked, this, [this] { model_.AbortAllClick(); });

    model_.changed = [this](CopyingWindow::Field field) { showField(field); };
    // The job gives the caption with the track; until then the window names its work.
    setWindowTitle(decodedText(texts_, std::string(texts_.text("CopyingRip"))));
    applyTexts();
    showAll();
}

CopyingDialog::~CopyingDialog() {
    // The model lives on with the read method; it must not call into a deleted window.
    model_.changed = nullptr;
}

QString CopyingDialog::shown(const std::string& text) const {
    return decodedText(texts_, text);
}

void CopyingDialog::applyTexts() {
    model_.applyTexts();
    writeLabel_->setText(shown(model_.writeLabel));
    sizeLabel_->setText(shown(model_.sizeLabel));
    readingLabel_->setText(shown(model_.readingSectorLabel));
    sectorsLabel_->setText(shown(model_.totalSectorsLabel));
    elapsedLabel_->setText(shown(model_.elapsedLabel));
    lengthLabel_->setText(shown(model_.trackLengthLabel));
    leftLabel_->setText(shown(model_.timeLeftLabel));
    peakLabel_->setText(shown(model_.peakLabel));
    skip_->setText(shown(model_.skipButton));
    abortAll_->setText(shown(model_.abortAllButton));
}

void CopyingDialog::showAll() {
    using Field = CopyingWindow::Field;
    for (Field field :
         {Field::DiscWrite, Field::TotalSize, Field::ReadingSector, Field::TotalSectors,
          Field::Percent, Field::Elapsed, Field::TrackLength, Field::TimeLeft, Field::SpeedLine,
          Field::Peak, Field::SynchLine, Field::StatusLine, Field::Meter, Field::SynchIndicator}) {
        showField(field);
    }
}

void CopyingDialog::showField(CopyingWindow::Field field) {
    using Field = CopyingWindow::Field;
    switch (field) {
        case Field::DiscWrite:
            writeValue_->setText(shown(model_.discWrite));
            break;
        case Field::TotalSize:
            sizeValue_->setText(shown(model_.totalSize));
            break;
        case Field::ReadingSector:
            readingValue_->setText(shown(model_.readingSector));
            break;
        case Field::TotalSectors:
            sectorsValue_->setText(shown(model_.totalSectors));
            break;
        case Field::Percent:
            progress_->setValue(model_.percent);
            percentText_->setText(shown(model_.percentText));
            break;
        case Field::Elapsed:
            elapsedValue_->setText(shown(model_.elapsed));
            break;
        case Field::TrackLength:
            lengthValue_->setText(shown(model_.trackLength));
            break;
        case Field::TimeLeft:
            leftValue_->setText(shown(model_.timeLeft));
            break;
        case Field::SpeedLine:
            speedLine_->setText(shown(model_.speedLine));
            break;
        case Field::Peak:
            peakValue_->setText(shown(model_.peak));
            break;
        case Field::SynchLine:
            synchLine_->setText(shown(model_.synchLine));
            break;
        case Field::StatusLine:
            statusLine_->setText(shown(model_.statusLine));
            break;
        case Field::Meter:
            for (std::size_t i = 0; i < meter_.size(); ++i) {
                meter_[i]->setState(model_.meter[i]);
            }
            break;
        case Field::SynchIndicator:
            synch_->setState(model_.synchIndicator);
            break;
        case Field::SkipButton:
            skip_->setText(shown(model_.skipButton));
            break;
        case Field::AbortAllButton:
            abortAll_->setText(shown(model_.abortAllButton));
            break;
        case Field::Visible:
            if (model_.visible() != isVisible()) {
                setVisible(model_.visible());
            }
            break;
    }
}

void CopyingDialog::setPlanLines(const QString& normalization, const QString& encoder) {
    normalizationLine_->setText(normalization);
    normalizationLine_->setVisible(!normalization.isEmpty());
    encoderLine_->setText(encoder);
    encoderLine_->setVisible(!encoder.isEmpty());
}

void CopyingDialog::closeEvent(QCloseEvent* event) {
    model_.Close();
    event->accept();
}

// Esc counts as closing the window.
void CopyingDialog::reject() {
    model_.Close();
}

}  // namespace ps::gui
