#include "gui/gui_program.h"

#include "app/program_directory.h"

namespace ps::gui {

GuiProgram::GuiProgram(std::string programDirectory, ProgramServices services,
                       InstanceChannel& channel)
    : programDirectory_(std::move(programDirectory)),
      channel_(channel),
      shell_(std::make_unique<ProgramShell>(programDirectory_, std::move(services))) {}

GuiProgram::~GuiProgram() = default;

bool GuiProgram::start() {
    ensureDirectory(programDirectory_);
    if (!multipleInstancesAllowed(shell_->settingsPath()) &&
        channel_.claim() == InstanceChannel::Role::Secondary) {
        channel_.sendToPrimary(instance_message::kComeToFront);
        QApplication::beep();
        return false;
    }
    channel_.setMessageHandler([this](const std::string& message) {
        if (message == instance_message::kComeToFront) {
            comeToFront();
        } else if (message == instance_message::kStartGrab && mainWindow_) {
            mainWindow_->continuousRipping();
        }
    });
    channel_.listenAsCopy();

    splash_ = std::make_unique<SplashWindow>();
    splash_->show();
    shell_->loadTexts();

    shell_->create();
    mainWindow_ = std::make_unique<MainWindow>(*shell_);
    formsReady_ = true;
    splash_->startFirstRefreshTimer([this] { return formsReady_; }, [this] { firstRefresh(); });
    return true;
}

void GuiProgram::firstRefresh() {
    shell_->refresh();
    mainWindow_->showTrackRows();
    mainWindow_->placeFromSettings();
    mainWindow_->show();
    splash_->close();
    firstRefreshDone_ = true;
}

void GuiProgram::comeToFront() {
    if (!mainWindow_) {
        return;
    }
    if (mainWindow_->isMinimized()) {
        mainWindow_->showNormal();
    }
    mainWindow_->raise();
    mainWindow_->activateWindow();
}

}  // namespace ps::gui
