#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "app/chosen_files.h"
#include "i18n/text_table.h"

namespace ps::gui {

class PeakWindow;
class EncoderWaitDialog;

// The windows of "&Normalize...", "&Make MP3..." and dropped files over the main window:
// the peak window, the encoder's waiting window (shared with the grab), message boxes
// and "Select what to do".
class GuiChosenFilesUi final : public ChosenFilesUi {
  public:
    GuiChosenFilesUi(QWidget& mainWindow, const TextTable& texts, EncoderWaitDialog& encoderWait);
    ~GuiChosenFilesUi() override;
    GuiChosenFilesUi(const GuiChosenFilesUi&) = delete;
    GuiChosenFilesUi& operator=(const GuiChosenFilesUi&) = delete;

    PeakWindow& peak() const;

    void showMessage(const std::string& text, const std::string& title) override;
    void setMainWindowEnabled(bool enabled) override;
    NormalizeProgress& peakWindow() override;
    void showPeakWindow(int fileCount) override;
    void hidePeakWindow() override;
    bool abortAllRequested() override;
    void clearSkip() override;
    void showEncoderWait() override;
    void setEncoderWaitTexts(const EncoderWaitTexts& texts) override;
    void setEncoderCaption(const std::string& caption) override;
    void hideEncoderWait() override;
    bool encoderWaitAborted() override;
    DropChoice askDropChoice(bool severalFiles, bool encodingAvailable, bool& deleteWaves) override;

  private:
    QWidget& mainWindow_;
    const TextTable& texts_;
    EncoderWaitDialog& encoderWait_;
    // A child of the main window: Qt deletes it with the window when that goes first.
    QPointer<PeakWindow> peak_;
};

}  // namespace ps::gui
