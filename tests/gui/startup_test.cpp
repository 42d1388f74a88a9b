// Start-up and shutdown of the windowed program: the first refresh, the window's texts
// and enabling, the settings file's running marker, the autostart entry, and the
// single-copy rule between two processes.
#include <signal.h>

#include <QAction>
#include <QLabel>
#include <QLocalSocket>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/program_shell.h"
#include "cdaccess/aspi_session_backend.h"
#include "gui/gui_program.h"
#include "gui/track_list_view.h"
#include "platform/linux/local_instance_channel.h"
#include "support/fake_drive_types.h"
#include "support/memory_autostart.h"
#include "support/memory_instance_channel.h"

using namespace ps;

namespace {

std::string readFile(const QString& path) {
    std::ifstream in(path.toStdString());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const QString& path, const std::string& text) {
    std::ofstream(path.toStdString()) << text;
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

  private:
    struct Doubles {
        SteadyClock clock;
        test::MemoryAutostart autostart;
        test::FakeDriveTypes driveTypes;
        std::shared_ptr<test::InstanceHub> hub = std::make_shared<test::InstanceHub>();
        test::MemoryInstanceChannel channel{hub};

        ProgramServices services() {
            ProgramServices services;
            services.clock = &clock;
            services.autostart = &autostart;
            services.driveTypes = &driveTypes;
            services.executablePath = "/usr/bin/platterscoop";
            services.currentYear = 2026;
            return services;
        }
    };

    static QString iniPath(const QTemporaryDir& home) { return home.filePath("platterscoop.ini"); }

  private slots:
    void firstRefreshShowsTheNoDriveRowAndCloseWritesTheSettings() {
        QTemporaryDir home;
        Doubles doubles;
        writeFile(iniPath(home), "[MAIN]\nStartWhenPCStarts=True\n");
        doubles.autostart.registerProgram("/old/path");

        gui::GuiProgram program(home.path().toStdString(), doubles.services(), doubles.channel);
        QVERIFY(program.start());
        // While the program runs the autostart entry is absent and the file says so.
        QVERIFY(!doubles.autostart.isRegistered());
        QVERIFY(readFile(iniPath(home)).find("ProgramRunning=True") != std::string::npos);
        QTRY_VERIFY_WITH_TIMEOUT(program.firstRefreshDone(), 5000);

        gui::MainWindow* window = program.mainWindow();
        QVERIFY(window->isVisible());
        QVERIFY(!program.splashWindow()->isVisible());
        QCOMPARE(window->windowTitle(), QString("Platterscoop"));
        QTreeWidget* list = window->trackList();
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(0), QString("No CD-ROM drive available"));
        QVERIFY(!(list->topLevelItem(0)->flags() & Qt::ItemIsSelectable));
        QCOMPARE(list->headerItem()->text(0), QString("Track name"));
        QCOMPARE(list->headerItem()->text(3), QString("Information"));

        // Without a way to read a disc only Refresh, Exit and the language choice work.
        QVERIFY(window->action("RefreshMItem")->isEnabled());
        QCOMPARE(window->action("RefreshMItem")->shortcut(), QKeySequence(Qt::Key_F5));
        QVERIFY(window->action("ExitBut")->isEnabled());
        QVERIFY(!window->action("GrabMItem")->isEnabled());
        QVERIFY(!window->action("GrabBut")->isEnabled());
        QCOMPARE(window->action("GrabBut")->text(), QString("Grab!"));
        QCOMPARE(window->action("ExitMItem")->text(), QString("E&xit"));

        if (qEnvironmentVariableIsSet("PS_SCREENSHOT_DIR")) {
            window->grab().save(qEnvironmentVariable("PS_SCREENSHOT_DIR") + "/main_window.png");
        }

        window->action("ExitMItem")->trigger();
        QVERIFY(!window->isVisible());
        const std::string saved = readFile(iniPath(home));
        QVERIFY(saved.find("ProgramRunning=False") != std::string::npos);
        QVERIFY(saved.find("AccessMode=ASPI") != std::string::npos);
        QVERIFY(doubles.autostart.isRegistered());
        QCOMPARE(doubles.autostart.registeredPath, std::string("/usr/bin/platterscoop"));
        QVERIFY(!program.shell().trackListReady);
        QCOMPARE(program.shell().disc.lastTrack, DiscRecord::kShuttingDown);
    }

    void theVirtualDriveWithTheDemoDiscIsTheEmbeddedDefault() {
        QTemporaryDir home;
        Doubles doubles;
        qunsetenv("PLATTERSCOOP_VIRTUAL_DRIVE");
        qunsetenv("PLATTERSCOOP_VIRTUAL_FAULTS");
        ProgramServices services = doubles.services();
        services.createAspi = [&doubles]() -> std::unique_ptr<AspiBackend> {
            return std::make_unique<AspiSessionBackend>(doubles.clock, nullptr);
        };
        gui::GuiProgram program(home.path().toStdString(), std::move(services), doubles.channel);
        QVERIFY(program.start());
        QTRY_VERIFY_WITH_TIMEOUT(program.firstRefreshDone(), 5000);
        QCOMPARE(program.shell().settings.accessMode, 1);

        QTreeWidget* list = program.mainWindow()->trackList();
        QCOMPARE(list->topLevelItemCount(), 5);
        QTreeWidgetItem* first = list->topLevelItem(0);
        QCOMPARE(first->text(0), QString("Track  1"));
        QVERIFY(program.shell().disc.trackAtRow(0).selected);
        QVERIFY(first->flags() & Qt::ItemIsEditable);
        QVERIFY(first->text(1).contains(':'));
        QVERIFY(first->text(2).endsWith(" Mb"));
        QVERIFY(
            program.mainWindow()->statusBar()->findChildren<QLabel*>().first()->text().startsWith(
                " 5 Tracks,  Playtime: "));
        if (qEnvironmentVariableIsSet("PS_SCREENSHOT_DIR")) {
            program.mainWindow()->grab().save(qEnvironmentVariable("PS_SCREENSHOT_DIR") +
                                              "/main_window_demo.png");
        }
        program.mainWindow()->close();
    }

    void aRunThatDidNotEndListsAllSpeeds() {
        QTemporaryDir home;
        Doubles doubles;
        writeFile(iniPath(home), "[MAIN]\nProgramRunning=True\nASPIShowAllSpeeds=False\n");
        gui::GuiProgram program(home.path().toStdString(), doubles.services(), doubles.channel);
        QVERIFY(program.start());
        QVERIFY(program.shell().previousRunEndedAbnormally);
        QVERIFY(program.shell().settings.ASPIShowAllSpeeds);
        QVERIFY(!doubles.autostart.isRegistered());
        program.mainWindow()->close();
        QVERIFY(readFile(iniPath(home)).find("ASPIShowAllSpeeds=True") != std::string::npos);
    }

    void aLanguageChosenInTheMenuRenamesTheWindowAndIsSaved() {
        QTemporaryDir home;
        Doubles doubles;
        writeFile(home.filePath("Deutsch.lng"),
                  "CharacterSet=ANSI_CHARSET\r\nFileMenu=&Datei\r\nTrackList=Titelname\r\n"
                  "ExitMItem=&Beenden\r\nRefBut=Aktualisieren %d\r\n");
        gui::GuiProgram program(home.path().toStdString(), doubles.services(), doubles.channel);
        QVERIFY(program.start());
        QTRY_VERIFY_WITH_TIMEOUT(program.firstRefreshDone(), 5000);
        gui::MainWindow* window = program.mainWindow();

        QMenu* languages = window->action("LangMitem")->menu();
        QVERIFY(languages != nullptr);
        QMetaObject::invokeMethod(languages, "aboutToShow");
        QAction* deutsch = nullptr;
        for (QAction* item : languages->actions()) {
            if (item->text() == "Deutsch") {
                deutsch = item;
            }
        }
        QVERIFY(deutsch != nullptr);
        deutsch->trigger();
        QCOMPARE(window->trackList()->headerItem()->text(0), QString("Titelname"));
        QCOMPARE(window->action("ExitMItem")->text(), QString("&Beenden"));
        QCOMPARE(window->menuBar()->actions().first()->text(), QString("&Datei"));
        // A caption may not bring conversions of its own; RefBut has none in English.
        QCOMPARE(window->action("RefBut")->text(), QString("Aktualisieren %d"));

        window->close();
        QVERIFY(readFile(iniPath(home)).find("Language=Deutsch") != std::string::npos);
    }

    void secondCopyBringsTheFirstForwardAndExits_data() {
        QTest::addColumn<QString>("multipleInstances");
        QTest::addColumn<bool>("secondMayRun");
        QTest::newRow("absent") << QString() << false;
        QTest::newRow("1 is not enough") << QString("1") << false;
        QTest::newRow("yes is not enough") << QString("yes") << false;
        QTest::newRow("TRUE") << QString("TRUE") << true;
    }

    void secondCopyBringsTheFirstForwardAndExits() {
        QFETCH(QString, multipleInstances);
        QFETCH(bool, secondMayRun);
        QTemporaryDir home;
        if (!multipleInstances.isEmpty()) {
            writeFile(iniPath(home),
                      "[MAIN]\nMultipleInstances=" + multipleInstances.toStdString() + "\n");
        }
        // This test process is the running copy.
        LocalInstanceChannel first(home.path().toStdString());
        QStringList received;
        first.setMessageHandler(
            [&](const std::string& message) { received << QString::fromStdString(message); });
        QCOMPARE(first.claim(), InstanceChannel::Role::Primary);

        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PLATTERSCOOP_HOME", home.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        second.setProcessEnvironment(environment);
        second.start(PS_GUI_PATH, {});
        QVERIFY(second.waitForStarted(5000));
        if (secondMayRun) {
            QVERIFY(!second.waitForFinished(1500));
            QTRY_VERIFY_WITH_TIMEOUT(
                readFile(iniPath(home)).find("ProgramRunning=True") != std::string::npos, 5000);
            ::kill(static_cast<pid_t>(second.processId()), SIGTERM);
            QVERIFY(second.waitForFinished(10000));
            QCOMPARE(second.exitCode(), 0);
            QVERIFY(readFile(iniPath(home)).find("ProgramRunning=False") != std::string::npos);
            QVERIFY(received.isEmpty());
        } else {
            QVERIFY(second.waitForFinished(10000));
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QCOMPARE(second.exitCode(), 0);
            QTRY_COMPARE_WITH_TIMEOUT(received, QStringList{"raise"}, 3000);
            // It ended before it created any window or touched the settings.
            QVERIFY(readFile(iniPath(home)).find("ProgramRunning") == std::string::npos);
        }
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
