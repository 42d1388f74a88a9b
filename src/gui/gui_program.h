#pragma once

#include <QApplication>
#include <memory>
#include <string>

#include "app/program_shell.h"
#include "gui/main_window.h"
#include "gui/splash_window.h"
#include "platform/instance_channel.h"

namespace ps::gui {

// Start-up of the windowed program, from the single-copy check to the first refresh,
// over services that the caller provides (the Linux ones, or doubles in tests).
class GuiProgram {
  public:
    GuiProgram(std::string programDirectory, ProgramServices services, InstanceChannel& channel);
    ~GuiProgram();

    // False when another copy runs and was asked to come forward: this copy then ends
    // with exit status 0 without creating any window.
    bool start();

    // The window-creation steps, the message loop's first refresh on the splash timer.
    ProgramShell& shell() { return *shell_; }
    MainWindow* mainWindow() { return mainWindow_.get(); }
    SplashWindow* splashWindow() { return splash_.get(); }
    bool firstRefreshDone() const { return firstRefreshDone_; }

  private:
    void firstRefresh();
    void comeToFront();

    std::string programDirectory_;
    InstanceChannel& channel_;
    std::unique_ptr<ProgramShell> shell_;
    std::unique_ptr<SplashWindow> splash_;
    std::unique_ptr<MainWindow> mainWindow_;
    bool formsReady_ = false;
    bool firstRefreshDone_ = false;
};

}  // namespace ps::gui
