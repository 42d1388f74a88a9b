// The main window's commands on wave files: a dropped file encoded with its wave deleted,
// files normalized on the peak window, and the ID3 editor's menu item.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/program_shell.h"
#include "cdaccess/aspi_session_backend.h"
#include "gui/copying_dialog.h"
#include "gui/drop_choice_dialog.h"
#include "gui/gui_chosen_files_ui.h"
#include "gui/gui_grab_ui.h"
#include "gui/gui_program.h"
#include "gui/id3_editor_dialog.h"
#include "gui/peak_window.h"
#include "gui/shutdown_dialog.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/process_linux.h"
#include "support/gui_test_support.h"
#include "support/memory_autostart.h"
#include "support/memory_instance_channel.h"
#include "support/tone_wave.h"

using namespace ps;
namespace fs = std::filesystem;

class ChosenFilesGuiTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        qunsetenv("PLATTERSCOOP_VIRTUAL_FAULTS");
        qputenv("PLATTERSCOOP_VIRTUAL_DRIVE", "demo");
        QVERIFY(home_.isValid());
        out_ = home_.filePath("out").toStdString();
        fs::create_directories(out_);
        // An encoder in the l3enc manner: input, then output.
        encoder_ = home_.filePath("enc").toStdString();
        std::ofstream(encoder_) << "#!/bin/sh\nprintf 'encoded audio' > \"$2\"\n";
        fs::permissions(encoder_, fs::perms::owner_all);
        std::ofstream(home_.filePath("platterscoop.ini").toStdString())
            << "[MAIN]\nDestinationDirectory=" << out_.string() << "\nL3encFilename=" << encoder_
            << "\nInternalCodec=False\nUseID3Tag=False\nUseNormalizing=True\nNormalizeTo=98\n"
               "NormalizeLimit=False\nAdvancedNormalizing=False\n";

        services_.clock = &clock_;
        services_.autostart = &autostart_;
        services_.driveTypes = &drives_;
        services_.cdAudioDevices = &drives_;
        services_.fileSystem = &fileSystem_;
        services_.processLauncher = &launcher_;
        services_.currentYear = 2026;
        services_.createAspi = [this]() -> std::unique_ptr<AspiBackend> {
            auto backend = std::make_unique<AspiSessionBackend>(clock_, nullptr);
            drives_.setAspiBackend(backend.get());
            return backend;
        };
        program_ = std::make_unique<gui::GuiProgram>(home_.path().toStdString(),
                                                     std::move(services_), channel_);
        QVERIFY(program_->start());
        QTRY_VERIFY_WITH_TIMEOUT(program_->firstRefreshDone(), 5000);
    }

    void droppedWaveBecomesAnMp3AndItsWaveIsDeleted() {
        gui::MainWindow* window = program_->mainWindow();
        const fs::path wave = out_ / "dropped.wav";
        test::writeToneWave(wave, 44100, 8000, 0.05);
        bool encodeEnabled = false;
        test::whenModal<gui::DropChoiceDialog>([&](gui::DropChoiceDialog& dialog) {
            encodeEnabled = dialog.encodeButton()->isEnabled();
            dialog.deleteBox()->setChecked(true);
            QTest::mouseClick(dialog.encodeButton(), Qt::LeftButton);
        });
        window->dropFiles({QString::fromStdString(wave.string())});
        QVERIFY(encodeEnabled);
        QVERIFY(program_->shell().settings.DeleteDroppedWaves);
        QVERIFY(fs::exists(out_ / "dropped.mp3"));
        QVERIFY(!fs::exists(wave));
        QVERIFY(window->isEnabled());
        gui::EncoderWaitDialog& wait = window->grabUi()->encoderWaitDialog();
        QVERIFY(!wait.isVisible());
        QCOMPARE(wait.lines().at(0)->text(), QString("Processing file 1 of (1)"));
        QCOMPARE(wait.lines().at(2)->text(),
                 QString::fromStdString("New filename: " + (out_ / "dropped.mp3").string()));
        test::screenshot(wait, "encoder_wait.png");
    }

    void chosenFilesAreNormalizedOnThePeakWindow() {
        gui::MainWindow* window = program_->mainWindow();
        const fs::path first = out_ / "first.wav";
        const fs::path second = out_ / "second.wav";
        test::writeToneWave(first, 44100, 8000, 0.05);
        test::writeToneWave(second, 44100, 8000, 0.05);
        const auto before = fs::file_size(first);
        window->normalizeFiles(
            {QString::fromStdString(first.string()), QString::fromStdString(second.string())});
        gui::PeakWindow& peak = window->chosenFilesUi()->peak();
        QVERIFY(!peak.isVisible());
        QVERIFY(window->isEnabled());
        QCOMPARE(fs::file_size(first), before);
        // The tone now peaks near 98 % of full scale.
        std::ifstream in(second, std::ios::binary);
        in.seekg(44);
        int largest = 0;
        for (std::int16_t sample = 0; in.read(reinterpret_cast<char*>(&sample), 2);) {
            largest = std::max(largest, std::abs(static_cast<int>(sample)));
        }
        QVERIFY2(largest > 32000, std::to_string(largest).c_str());
    }

    void id3ItemTogglesInItsCheckColumnAndOpensTheEditorElsewhere() {
        gui::MainWindow* window = program_->mainWindow();
        Settings& settings = program_->shell().settings;
        QVERIFY(!settings.UseID3Tag);
        window->id3TagCommand(70);
        QVERIFY(settings.UseID3Tag);
        QVERIFY(window->action("ID3MItem")->isChecked());

        // Elsewhere the editor opens; OK carries its artist into the main window.
        test::whenModal<gui::Id3EditorDialog>([](gui::Id3EditorDialog& editor) {
            editor.artistEdit()->setText("Edited Artist");
            editor.accept();
        });
        window->id3TagCommand(300);
        QVERIFY(settings.UseID3Tag);
        QCOMPARE(program_->shell().disc.artist, std::string("Edited Artist"));
        QCOMPARE(window->findChild<QLineEdit*>("ArtistEdit")->text(), QString("Edited Artist"));
    }

    void cleanupTestCase() {
        program_->mainWindow()->close();
        program_.reset();
        qunsetenv("PLATTERSCOOP_VIRTUAL_DRIVE");
    }

  private:
    QTemporaryDir home_;
    fs::path out_;
    std::string encoder_;
    SteadyClock clock_;
    test::MemoryAutostart autostart_;
    LinuxDrives drives_;
    LinuxFileSystem fileSystem_;
    LinuxProcessLauncher launcher_;
    std::shared_ptr<test::InstanceHub> hub_ = std::make_shared<test::InstanceHub>();
    test::MemoryInstanceChannel channel_{hub_};
    ProgramServices services_;
    std::unique_ptr<gui::GuiProgram> program_;
};

QTEST_MAIN(ChosenFilesGuiTest)
#include "chosen_files_gui_test.moc"
