// The windowed program end to end on the virtual drive: refresh, rename a row in place,
// grab, and read the information column and the stored file.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/program_shell.h"
#include "cdaccess/aspi_session_backend.h"
#include "gui/gui_program.h"
#include "gui/track_list_view.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/linux_platform.h"
#include "support/memory_autostart.h"
#include "support/memory_instance_channel.h"
#include "virtual/virtual_cd_audio.h"
#include "virtual/virtual_drive.h"

using namespace ps;

class GrabGuiTest : public QObject {
    Q_OBJECT

  private slots:
    void refreshRenameGrabAndStore() {
        qunsetenv("PLATTERSCOOP_VIRTUAL_FAULTS");
        qputenv("PLATTERSCOOP_VIRTUAL_DRIVE", "demo");
        QTemporaryDir home;
        const std::filesystem::path out = home.filePath("out").toStdString();
        std::filesystem::create_directories(out);
        {
            std::ofstream ini(home.filePath("platterscoop.ini").toStdString());
            ini << "[MAIN]\nDestinationDirectory=" << out.string() << "\nSelectAllTrack=False\n";
        }

        SteadyClock clock;
        test::MemoryAutostart autostart;
        LinuxDrives drives;
        LinuxFileSystem fileSystem;
        auto hub = std::make_shared<test::InstanceHub>();
        test::MemoryInstanceChannel channel(hub);
        ProgramServices services;
        services.clock = &clock;
        services.autostart = &autostart;
        services.driveTypes = &drives;
        services.cdAudioDevices = &drives;
        services.fileSystem = &fileSystem;
        services.currentYear = 2026;
        services.createAspi = [&]() -> std::unique_ptr<AspiBackend> {
            auto backend = std::make_unique<AspiSessionBackend>(clock, nullptr);
            drives.setAspiBackend(backend.get());
            return backend;
        };

        gui::GuiProgram program(home.path().toStdString(), std::move(services), channel);
        QVERIFY(program.start());
        QTRY_VERIFY_WITH_TIMEOUT(program.firstRefreshDone(), 5000);
        gui::MainWindow* window = program.mainWindow();
        gui::TrackListView* list = window->trackList();
        QCOMPARE(list->topLevelItemCount(), 5);
        QCOMPARE(list->topLevelItem(1)->text(0), QString("Chord Walk"));
        // Nothing is selected, so there is nothing to grab.
        QVERIFY(!window->action("GrabBut")->isEnabled());

        // Rename the second row in place and select it with the space bar.
        list->setFocus();
        list->setCurrentItem(list->topLevelItem(1));
        QTest::keyClick(list, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor != nullptr);
        editor->setText("Walking Chords");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!list->editing());
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(program.shell().disc.trackAtRow(1).selected);
        QVERIFY(window->action("GrabBut")->isEnabled());

        window->action("GrabBut")->trigger();
        const TrackRecord& track = program.shell().disc.trackAtRow(1);
        QCOMPARE(track.results.copyStatus, 256);
        QVERIFY(list->topLevelItem(1)->text(3).startsWith("Copied OK ,Checksum: "));
        QVERIFY(std::filesystem::exists(out / "The Virtual Players - Walking Chords.wav"));
        QVERIFY(!std::filesystem::exists(out / "temp.wav"));
        if (qEnvironmentVariableIsSet("PS_SCREENSHOT_DIR")) {
            window->grab().save(qEnvironmentVariable("PS_SCREENSHOT_DIR") +
                                "/main_window_grabbed.png");
        }
        // The media watcher: a disc taken out greys the list, one put in lists it again.
        auto* aspi = dynamic_cast<AspiSessionBackend*>(&program.shell().readMethod->aspiBackend());
        QVERIFY(aspi != nullptr);
        auto* device =
            dynamic_cast<VirtualCdAudioDevice*>(aspi->driveSet().virtualCdAudioDevices().at(0));
        QVERIFY(device != nullptr);
        window->watchMedia();  // the first poll only remembers the disc
        QCOMPARE(list->topLevelItemCount(), 5);
        const auto disc = device->drive()->disc();
        device->drive()->removeDisc();
        window->watchMedia();
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(0), QString("The CD drive is not ready."));
        device->drive()->insertDisc(disc);
        window->watchMedia();
        QCOMPARE(list->topLevelItemCount(), 5);
        // The names come from the disc database again; the rename was never stored there.
        QCOMPARE(list->topLevelItem(1)->text(0), QString("Chord Walk"));

        window->close();
        qunsetenv("PLATTERSCOOP_VIRTUAL_DRIVE");
    }
};

QTEST_MAIN(GrabGuiTest)
#include "grab_gui_test.moc"
