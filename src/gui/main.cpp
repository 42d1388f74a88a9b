#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <exception>

#include "gui/gui_program.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/local_instance_channel.h"
#include "platform/linux/power_linux.h"
#include "platform/linux/screensaver_linux.h"
#include "platform/linux/termination_signals.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Platterscoop");
    try {
        ps::LinuxPlatform platform(QCoreApplication::applicationFilePath().toStdString());
        ps::LocalInstanceChannel channel(platform.programDirectory);
        ps::ProgramServices services = platform.services();
        ps::DbusScreensaver screensaver;
        ps::LogindPowerControl power;
        services.screensaver = &screensaver;
        services.power = &power;
        services.otherCopies = &channel;
        services.screenWidth = 0;
        services.screenHeight = 0;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            services.screenWidth = screen->size().width();
            services.screenHeight = screen->size().height();
        }
        ps::gui::GuiProgram program(platform.programDirectory, std::move(services), channel);
        if (!program.start()) {
            return 0;
        }
        ps::TerminationSignals termination([&program] {
            if (program.mainWindow() != nullptr) {
                program.mainWindow()->close();
            }
            QApplication::quit();
        });
        QObject::connect(&application, &QApplication::aboutToQuit,
                         [&program] { program.shell().writeVariables(); });
        return QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, "Platterscoop", QString::fromLocal8Bit(error.what()));
        return 0;
    }
}
