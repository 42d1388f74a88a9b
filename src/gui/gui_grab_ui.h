#pragma once

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "cdaccess/copying_window.h"
#include "grab/copying_normalize_progress.h"
#include "grab/grab_job.h"
#include "i18n/text_table.h"

namespace ps::gui {

class CopyingDialog;
class ShutdownDialog;

// The "Waiting for external MP3 encoder" window: one "&Abort" button. Modeless, so that
// the job's wait keeps pumping.
class EncoderWaitDialog final : public QDialog {
    Q_OBJECT
  public:
    EncoderWaitDialog(const TextTable& texts, QWidget* parent);
    void applyTexts();
    // Shows the window; a new wait starts without an abort.
    void start();
    // The lines of the run that started.
    void setTexts(const EncoderWaitTexts& texts);
    // The seven lines in their order, for tests.
    std::vector<QLabel*> lines() const { return lines_; }
    bool aborted() const { return aborted_; }
    QPushButton* abortButton() const { return abort_; }

    // Told when the user aborts (button, Esc or closing the window).
    std::function<void()> onAbort;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void abort();

    const TextTable& texts_;
    std::vector<QLabel*> lines_;
    QPushButton* abort_ = nullptr;
    bool aborted_ = false;
};

// The grab job's windows over the main window: message boxes, the "Copying" window, the
// encoder wait and the shut-down window. The copying model is the one the extraction
// writes to (the read method owns it), so that the job's track fields and the
// extraction's running fields meet in one window; it must outlive this object.
class GuiGrabUi final : public GrabUi {
  public:
    GuiGrabUi(QWidget& mainWindow, const TextTable& texts, CopyingWindow& copying);
    ~GuiGrabUi() override;
    GuiGrabUi(const GuiGrabUi&) = delete;
    GuiGrabUi& operator=(const GuiGrabUi&) = delete;

    // Texts of the windows from the text table (after a language change).
    void applyTexts();
    // Called with the row whenever a row's information column changed.
    void setRowChangedCallback(std::function<void(std::size_t)> callback) {
        rowChanged_ = std::move(callback);
    }

    CopyingDialog& copyingDialog() const { return *copyingDialog_; }
    ShutdownDialog& shutdownDialog() const { return *shutdownDialog_; }
    EncoderWaitDialog& encoderWaitDialog() const { return *encoderWait_; }

    // The job's pump: handles the pending window events.
    static void processEvents();

    // GrabUi
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    void showCopying(const CopyingTrackInfo& info) override;
    void setCopyingCaption(const std::string& caption) override;
    void showSpinUp(const std::string& text, const std::string& elapsed) override;
    void setSpeedLabel(const std::string& text) override;
    void setCopyingEnabled(bool enabled) override;
    void hideCopying() override;
    void setMainWindowEnabled(bool enabled) override;
    bool skipRequested() override { return copying_.abortFlags().track; }
    bool abortAllRequested() override { return copying_.abortFlags().all; }
    void clearAbortRequests() override { copying_.abortFlags().clear(); }
    void rowChanged(std::size_t row) override;
    NormalizeProgress* normalizeProgress() override { return &normalizeProgress_; }
    void showEncoderWait() override;
    void setEncoderWaitTexts(const EncoderWaitTexts& texts) override;
    void hideEncoderWait() override;
    bool encoderWaitAborted() override;
    void showShutdown(const ShutdownTexts& texts) override;
    void setShutdownCountdown(const std::string& text) override;
    bool shutdownAborted() override;
    void hideShutdown() override;

  private:
    QString shown(const std::string& text) const;

    QWidget& mainWindow_;
    const TextTable& texts_;
    CopyingWindow& copying_;
    CopyingNormalizeProgress normalizeProgress_;
    // Children of the main window: Qt deletes them with it when that goes first.
    QPointer<CopyingDialog> copyingDialog_;
    QPointer<ShutdownDialog> shutdownDialog_;
    QPointer<EncoderWaitDialog> encoderWait_;
    std::function<void(std::size_t)> rowChanged_;
};

}  // namespace ps::gui
