#include "gui/gui_chosen_files_ui.h"

#include "gui/copying_dialog.h"
#include "gui/drop_choice_dialog.h"
#include "gui/gui_grab_ui.h"
#include "gui/message_box.h"
#include "gui/peak_window.h"
#include "gui/shutdown_dialog.h"

namespace ps::gui {

GuiChosenFilesUi::GuiChosenFilesUi(QWidget& mainWindow, const TextTable& texts,
                                   EncoderWaitDialog& encoderWait)
    : mainWindow_(mainWindow), texts_(texts), encoderWait_(encoderWait) {
    peak_ = new PeakWindow(texts_, &mainWindow_);
}

GuiChosenFilesUi::~GuiChosenFilesUi() {
    delete peak_.data();
}

PeakWindow& GuiChosenFilesUi::peak() const {
    return *peak_;
}

void GuiChosenFilesUi::showMessage(const std::string& text, const std::string& title) {
    showTitledMessage(&mainWindow_, QMessageBox::Warning, text, title, texts_);
}

void GuiChosenFilesUi::setMainWindowEnabled(bool enabled) {
    mainWindow_.setEnabled(enabled);
}

NormalizeProgress& GuiChosenFilesUi::peakWindow() {
    return *peak_;
}

void GuiChosenFilesUi::showPeakWindow(int fileCount) {
    peak_->prepareBatch(fileCount);
    peak_->placeBeside(mainWindow_);
    peak_->show();
    peak_->raise();
}

void GuiChosenFilesUi::hidePeakWindow() {
    peak_->hide();
}

bool GuiChosenFilesUi::abortAllRequested() {
    return peak_->abortAllRequested();
}

void GuiChosenFilesUi::clearSkip() {
    peak_->clearSkip();
}

void GuiChosenFilesUi::showEncoderWait() {
    encoderWait_.start();
}

void GuiChosenFilesUi::setEncoderWaitTexts(const EncoderWaitTexts& texts) {
    encoderWait_.setTexts(texts);
}

void GuiChosenFilesUi::setEncoderCaption(const std::string& caption) {
    encoderWait_.setWindowTitle(caption.empty() ? QStringLiteral("Waiting for external MP3 encoder")
                                                : decodedText(texts_, caption));
}

void GuiChosenFilesUi::hideEncoderWait() {
    encoderWait_.hide();
}

bool GuiChosenFilesUi::encoderWaitAborted() {
    return encoderWait_.aborted();
}

DropChoice GuiChosenFilesUi::askDropChoice(bool severalFiles, bool encodingAvailable,
                                           bool& deleteWaves) {
    switch (
        DropChoiceDialog::ask(texts_, severalFiles, encodingAvailable, deleteWaves, &mainWindow_)) {
        case DropChoiceDialog::Choice::Normalize:
            return DropChoice::Normalize;
        case DropChoiceDialog::Choice::Encode:
            return DropChoice::Encode;
        case DropChoiceDialog::Choice::Both:
            return DropChoice::Both;
        case DropChoiceDialog::Choice::Cancel:
            break;
    }
    return DropChoice::Cancel;
}

}  // namespace ps::gui
