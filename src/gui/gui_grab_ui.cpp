#include "gui/gui_grab_ui.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/copying_dialog.h"
#include "gui/gui_texts.h"
#include "gui/message_box.h"
#include "gui/shutdown_dialog.h"

namespace ps::gui {

namespace {

const QPoint kCopyingOffset(82, 96);

QMessageBox::Icon boxIcon(MessageIcon icon) {
    return icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information;
}

// A line of the lower part: the text and, when there is one, its expected time.
std::string planLine(const std::string& line, const std::string& time) {
    if (line.empty() || time.empty()) {
        return line;
    }
    return line + "  (" + time + ")";
}

}  // namespace

EncoderWaitDialog::EncoderWaitDialog(const TextTable& texts, QWidget* parent)
    : QDialog(parent), texts_(texts) {
    setObjectName("EncoderWaitDialog");
    setModal(false);
    setWindowTitle(QStringLiteral("Waiting for external MP3 encoder"));
    auto* layout = new QVBoxLayout(this);
    // The design texts until the first run fills them.
    for (const char* caption : {"Processing file", "Original filename:", "New filename:",
                                "Bitrate:", "High quality:", "CRC:", "Own arguments:"}) {
        auto* line = new QLabel(QString::fromUtf8(caption), this);
        line->setTextFormat(Qt::PlainText);
        layout->addWidget(line);
        lines_.push_back(line);
    }
    auto* buttons = new QHBoxLayout();
    abort_ = new QPushButton(this);
    abort_->setObjectName("AbortButton");
    buttons->addStretch(1);
    buttons->addWidget(abort_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(abort_, &QPushButton::clicked, this, [this] { abort(); });
    applyTexts();
    resize(420, 200);
}

void EncoderWaitDialog::setTexts(const EncoderWaitTexts& texts) {
    const std::string* values[] = {&texts.processing,  &texts.originalName, &texts.newName,
                                   &texts.bitrate,     &texts.highQuality,  &texts.crc,
                                   &texts.ownArguments};
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        lines_[i]->setText(QString::fromStdString(*values[i]));
    }
}

void EncoderWaitDialog::applyTexts() {
    abort_->setText(uiText(texts_, "AbortBtn"));
}

void EncoderWaitDialog::start() {
    aborted_ = false;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().topLeft() + QPoint(108, 358));
    }
    show();
    raise();
}

void EncoderWaitDialog::abort() {
    aborted_ = true;
    if (onAbort) {
        onAbort();
    }
}

void EncoderWaitDialog::closeEvent(QCloseEvent* event) {
    abort();
    event->accept();
}

void EncoderWaitDialog::reject() {
    abort();
    hide();
}

GuiGrabUi::GuiGrabUi(QWidget& mainWindow, const TextTable& texts, CopyingWindow& copying)
    : mainWindow_(mainWindow), texts_(texts), copying_(copying), normalizeProgress_(copying) {
    copyingDialog_ = new CopyingDialog(copying_, texts_, &mainWindow_);
    shutdownDialog_ = new ShutdownDialog(texts_, &mainWindow_);
    encoderWait_ = new EncoderWaitDialog(texts_, &mainWindow_);
    // Aborting the wait stops the whole job, as "Abort all" does.
    encoderWait_->onAbort = [this] { copying_.AbortAllClick(); };
}

GuiGrabUi::~GuiGrabUi() {
    delete encoderWait_.data();
    delete shutdownDialog_.data();
    delete copyingDialog_.data();
}

QString GuiGrabUi::shown(const std::string& text) const {
    return decodedText(texts_, text);
}

void GuiGrabUi::applyTexts() {
    copyingDialog_->applyTexts();
    shutdownDialog_->applyTexts();
    encoderWait_->applyTexts();
}

void GuiGrabUi::processEvents() {
    QApplication::processEvents(QEventLoop::AllEvents);
}

void GuiGrabUi::showMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    showTitledMessage(&mainWindow_, boxIcon(icon), text, title, texts_);
}

void GuiGrabUi::showCopying(const CopyingTrackInfo& info) {
    if (!copyingDialog_->isVisible()) {
        copyingDialog_->adjustSize();
        placeRelativeTo(*copyingDialog_, &mainWindow_, kCopyingOffset);
    }
    setCopyingCaption(info.caption);
    copying_.setTrackLength(info.trackLength);
    copying_.setTotalSectors(info.totalSectors);
    copying_.setTotalSize(info.totalSize);
    // Until the extraction measures its own, the time left is the expected read time.
    copying_.setTimeLeft(info.expectedReadTime);
    copying_.setPercent(0);
    copying_.UpdateMeter(0);
    copying_.setSynchIndicator(0);
    copyingDialog_->setPlanLines(
        shown(planLine(info.normalizationLine, info.expectedNormalizationTime)),
        shown(planLine(info.encoderLine, info.expectedEncodingTime)));
    copying_.showCopying();
    copyingDialog_->raise();
}

void GuiGrabUi::setCopyingCaption(const std::string& caption) {
    copyingDialog_->setWindowTitle(shown(caption));
}

void GuiGrabUi::showSpinUp(const std::string& text, const std::string& elapsed) {
    copying_.setStatusLine(text);
    copying_.setElapsed(elapsed);
}

void GuiGrabUi::setSpeedLabel(const std::string& text) {
    copying_.setSpeedLine(text);
}

void GuiGrabUi::setCopyingEnabled(bool enabled) {
    copyingDialog_->setEnabled(enabled);
}

void GuiGrabUi::hideCopying() {
    copyingDialog_->hide();
}

// Disabling the main window itself would disable its child windows too, the "Copying"
// window among them; its contents are disabled instead.
void GuiGrabUi::setMainWindowEnabled(bool enabled) {
    for (QWidget* child : mainWindow_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow()) {
            child->setEnabled(enabled);
        }
    }
}

void GuiGrabUi::rowChanged(std::size_t row) {
    if (rowChanged_) {
        rowChanged_(row);
    }
}

void GuiGrabUi::showEncoderWait() {
    encoderWait_->start();
}

void GuiGrabUi::setEncoderWaitTexts(const EncoderWaitTexts& texts) {
    encoderWait_->setTexts(texts);
}

void GuiGrabUi::hideEncoderWait() {
    encoderWait_->hide();
}

bool GuiGrabUi::encoderWaitAborted() {
    return encoderWait_->aborted();
}

void GuiGrabUi::showShutdown(const ShutdownTexts& texts) {
    shutdownDialog_->showTexts(shown(texts.caption), shown(texts.text1), shown(texts.text2));
}

void GuiGrabUi::setShutdownCountdown(const std::string& text) {
    shutdownDialog_->setCountdown(shown(text));
}

bool GuiGrabUi::shutdownAborted() {
    return shutdownDialog_->aborted();
}

void GuiGrabUi::hideShutdown() {
    shutdownDialog_->hide();
}

}  // namespace ps::gui
