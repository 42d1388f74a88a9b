// The peak window of the file jobs: its buttons and flags for one file and for a batch,
// the captions of both engines' stages, and what the counters, bars and meter show.
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <optional>
#include <string>

#include "app/settings.h"
#include "audio/normalizer.h"
#include "gui/copying_dialog.h"
#include "gui/peak_window.h"
#include "i18n/text_table.h"
#include "support/gui_test_support.h"
#include "support/tone_wave.h"

using namespace ps;
using namespace ps::gui;

namespace {

std::array<int, 4> meterStates(const PeakWindow& window) {
    std::array<int, 4> states{};
    for (std::size_t i = 0; i < states.size(); ++i) {
        states[i] = window.meterSegments()[i]->state();
    }
    return states;
}

}  // namespace

class PeakWindowTest : public QObject {
    Q_OBJECT

  private:
    TextTable texts;

  private slots:
    void init() { texts = TextTable(); }

    void oneFileHasOnlyAbortABatchAlsoSkips() {
        PeakWindow window(texts, nullptr);
        window.prepareBatch(1);
        window.show();
        QVERIFY(!window.skipButton()->isVisible());
        QCOMPARE(window.abortButton()->text(), QString("&Abort"));
        for (const char* label :
             {"PeakLabel", "ScanningLabel", "NormalizingLabel", "ElapsedLabel", "TimeLeftLabel"}) {
            QVERIFY2(!window.findChild<QLabel*>(label)->text().isEmpty(), label);
        }
        QCOMPARE(window.findChild<QLabel*>("PeakLabel")->text(), QString("Peak level found:"));
        QCOMPARE(window.findChild<QLabel*>("ScanningLabel")->text(), QString("Scanning"));
        QCOMPARE(window.findChild<QLabel*>("NormalizingLabel")->text(), QString("Normalizing"));
        QCOMPARE(window.findChild<QLabel*>("TimeLeftLabel")->text(), QString("Time left:"));

        window.prepareBatch(3);
        QVERIFY(window.skipButton()->isVisible());
        QCOMPARE(window.skipButton()->text(), QString("&Skip this track"));
        QCOMPARE(window.abortButton()->text(), QString("&Abort all         "));
        // A language change keeps the batch's button text.
        window.applyTexts();
        QCOMPARE(window.abortButton()->text(), QString("&Abort all         "));

        QTest::mouseClick(window.skipButton(), Qt::LeftButton);
        QVERIFY(window.stopRequested());
        QVERIFY(!window.abortAllRequested());
        window.clearSkip();
        QVERIFY(!window.stopRequested());

        QTest::mouseClick(window.abortButton(), Qt::LeftButton);
        QVERIFY(window.stopRequested() && window.abortAllRequested());
        // The next file does not undo an abort; a new job does.
        window.clearSkip();
        QVERIFY(window.abortAllRequested());
        window.prepareBatch(1);
        QVERIFY(!window.stopRequested() && !window.abortAllRequested());
        QVERIFY(!window.skipButton()->isVisible());
        QCOMPARE(window.abortButton()->text(), QString("&Abort"));
    }

    void closingTheWindowOrEscAbortsAll() {
        PeakWindow window(texts, nullptr);
        window.prepareBatch(2);
        window.show();
        window.close();
        QVERIFY(window.stopRequested() && window.abortAllRequested());
        QVERIFY(!window.isVisible());

        window.prepareBatch(2);
        window.show();
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(window.abortAllRequested());
        QVERIFY(!window.isVisible());
    }

    void theStagesNameTheFileAndItsPlaceInTheBatch() {
        using Stage = NormalizeProgress::Stage;
        struct Case {
            Stage stage;
            int index;
            int count;
            const char* title;
            const char* stageLine;  // empty: hidden
            const char* activity;
        };
        const Case cases[] = {
            {Stage::FindingPeak, 1, 1, "Finding peak level - song.wav", "", ""},
            {Stage::Normalizing, 1, 1, "Normalizing - song.wav", "", ""},
            {Stage::FindingPeak, 2, 3, "Finding peak level - song.wav, file 2 of 3", "", ""},
            {Stage::Normalizing, 2, 3, "Normalizing - song.wav, file 2 of 3", "", ""},
            {Stage::CheckingLevels, 2, 3, "Finding output levels - song.wav, file 2 of 3",
             "Checking output levels - song.wav, file 2 of 3", "Scanning..."},
            {Stage::Modifying, 1, 1, "Finding output levels - song.wav",
             "Modifying - song.wav, file 1 of 1", "Modifying..."},
        };
        PeakWindow window(texts, nullptr);
        window.show();
        for (const Case& c : cases) {
            window.stage(c.stage, "song.wav", c.index, c.count);
            QCOMPARE(window.windowTitle(), QString(c.title));
            QCOMPARE(window.stageLine()->isVisible(), *c.stageLine != '\0');
            if (*c.stageLine != '\0') {
                QCOMPARE(window.stageLine()->text(), QString(c.stageLine));
                QCOMPARE(window.activityLine()->text(), QString(c.activity));
            }
        }
        window.stage(Stage::CheckingLevels, "song.wav", 2, 3);
        window.describe("Capt5Norm", {98, 40});
        window.level(24000);
        window.progress(60, 12000);
        test::screenshot(window, "peak_window_advanced.png");
    }

    void aFileNameIsNotDecodedWithTheLanguagesCharacterSet() {
        texts.loadFromData("CharacterSet=RUSSIAN_CHARSET\r\nFindingNorm=\xd4\r\n");
        PeakWindow window(texts, nullptr);
        window.stage(NormalizeProgress::Stage::FindingPeak, "Caf\xc3\xa9.wav", 1, 1);
        QCOMPARE(window.windowTitle(), QString::fromUtf8("\xd0\xa4 - Caf\xc3\xa9.wav"));
        // A name that is not UTF-8 still shows, as ISO-8859-1.
        window.stage(NormalizeProgress::Stage::FindingPeak, "Caf\xe9.wav", 1, 1);
        QCOMPARE(window.windowTitle(), QString::fromUtf8("\xd0\xa4 - Caf\xc3\xa9.wav"));
    }

    void theDescriptionTakesItsNumbers() {
        PeakWindow window(texts, nullptr);
        window.describe("Norm1Rip", {98, 92, 99});
        QCOMPARE(window.descriptionLine()->text(),
                 QString("Normalizing to 98% if peak level is lower than 92% or higher than 99%"));
        window.describe("Capt2Norm", {30, 50});
        QCOMPARE(window.descriptionLine()->text(),
                 QString("Changing average output to 30%. Compression with 50% (if needed)"));
    }

    void meterPeakAndBarsFollowTheEngine() {
        PeakWindow window(texts, nullptr);
        window.prepareBatch(1);
        window.show();
        window.stage(NormalizeProgress::Stage::FindingPeak, "song.wav", 1, 1);

        struct LevelCase {
            int level;
            std::array<int, 4> states;
            const char* peak;
        };
        for (const LevelCase& c :
             {LevelCase{0, {0, 0, 0, 0}, "0%"}, LevelCase{820, {1, 0, 0, 0}, "2%"},
              LevelCase{16384, {10, 10, 0, 0}, "50%"}, LevelCase{32767, {10, 10, 10, 9}, "100%"},
              LevelCase{32768, {10, 10, 10, 10}, "100%"}}) {
            window.level(c.level);
            QCOMPARE(meterStates(window), c.states);
            QCOMPARE(window.peakValue()->text(), QString(c.peak));
        }

        // Scanning fills the first bar, changing the file the second.
        window.progress(25, 30000);
        QCOMPARE(window.scanningBar()->value(), 25);
        QCOMPARE(window.normalizingBar()->value(), 0);
        QCOMPARE(window.elapsedValue()->text(), QString(" 0:30"));
        QCOMPARE(window.timeLeftValue()->text(), QString("01:30"));
        window.progress(100, 40000);
        window.stage(NormalizeProgress::Stage::Normalizing, "song.wav", 1, 1);
        window.progress(50, 65000);
        QCOMPARE(window.scanningBar()->value(), 100);
        QCOMPARE(window.normalizingBar()->value(), 50);
        QCOMPARE(window.elapsedValue()->text(), QString(" 1:05"));
        QCOMPARE(window.timeLeftValue()->text(), QString("01:05"));
        test::screenshot(window, "peak_window_simple.png");

        // The next file starts from empty bars and meter.
        window.stage(NormalizeProgress::Stage::FindingPeak, "next.wav", 1, 1);
        QCOMPARE(window.scanningBar()->value(), 0);
        QCOMPARE(window.normalizingBar()->value(), 0);
        QCOMPARE(meterStates(window), (std::array<int, 4>{0, 0, 0, 0}));
    }

    void encodingWithTheCodecResetsTheWindow() {
        PeakWindow window(texts, nullptr);
        window.prepareBatch(2);
        window.show();
        window.stage(NormalizeProgress::Stage::Normalizing, "old.wav", 1, 2);
        window.level(30000);
        window.progress(80, 90000);
        window.resetForEncoding("song.wav", "MPEG Layer-3 128 kBit/s, 44100 Hz, stereo");
        QCOMPARE(window.windowTitle(), QString("Creating MP3 from song.wav"));
        QCOMPARE(window.descriptionLine()->text(), QString("Not normalizing this time..."));
        QCOMPARE(window.stageLine()->text(), QString("MPEG Layer-3 128 kBit/s, 44100 Hz, stereo"));
        QCOMPARE(window.elapsedValue()->text(), QString(" 0:00"));
        QCOMPARE(window.timeLeftValue()->text(), QString("00:00"));
        QCOMPARE(window.scanningBar()->value(), 0);
        QCOMPARE(window.normalizingBar()->value(), 0);
        QCOMPARE(meterStates(window), (std::array<int, 4>{0, 0, 0, 0}));
        QVERIFY(window.skipButton()->isVisible());
        test::screenshot(window, "peak_window_encoding.png");

        window.resetForEncoding("song.wav", {}, 2, 3);
        QCOMPARE(window.windowTitle(), QString("Creating MP3 from song.wav, file 2 of 3"));
        QVERIFY(!window.stageLine()->isVisible());
    }

    void theEnginesReportIntoTheWindow() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string path = dir.filePath("tone.wav").toStdString();
        test::writeToneWave(path, 44100, 16384, 0.05);
        Settings settings;
        PeakWindow window(texts, nullptr);
        window.prepareBatch(2);
        window.show();
        NormalizeContext context;
        context.progress = &window;
        context.index = 2;
        context.count = 2;

        NormalizeOutcome outcome = SimpleNormalize(path, settings, std::nullopt, context);
        QCOMPARE(outcome.code, normalize_result::Modified);
        QCOMPARE(window.windowTitle(), QString("Normalizing - tone.wav, file 2 of 2"));
        QCOMPARE(window.descriptionLine()->text(), QString("Normalizing to 98% unconditionally"));
        QCOMPARE(window.peakValue()->text(), QString("50%"));
        QCOMPARE(window.scanningBar()->value(), 100);
        QCOMPARE(window.normalizingBar()->value(), 100);

        // The skip button ends the file, which stays as it was.
        QTest::mouseClick(window.skipButton(), Qt::LeftButton);
        outcome = SimpleNormalize(path, settings, std::nullopt, context);
        QCOMPARE(outcome.code, normalize_result::Stopped);
        QVERIFY(!window.abortAllRequested());
        window.clearSkip();

        settings.AdvancedNormalizing = true;
        settings.UseNormalizing = true;
        test::writeToneWave(path, 44100, 16384, 0.05);
        outcome = NormalizeWaveFile(path, 1, settings, std::nullopt, context);
        QCOMPARE(outcome.code, normalize_result::Modified);
        QCOMPARE(window.windowTitle(), QString("Finding output levels - tone.wav, file 2 of 2"));
        QCOMPARE(window.descriptionLine()->text(),
                 QString("Changing peak level to 98%. No compression"));
        QCOMPARE(window.stageLine()->text(), QString("Modifying - tone.wav, file 2 of 2"));
        QCOMPARE(window.activityLine()->text(), QString("Modifying..."));
        QCOMPARE(window.scanningBar()->value(), 100);
        QCOMPARE(window.normalizingBar()->value(), 100);
    }

    void theWindowOpensBesideTheMainWindow() {
        QWidget mainWindow;
        mainWindow.setGeometry(100, 100, 500, 300);
        mainWindow.show();
        PeakWindow window(texts, nullptr);
        window.placeBeside(mainWindow);
        QCOMPARE(window.pos(), mainWindow.frameGeometry().topLeft() + QPoint(9, 138));

        const QRect area = mainWindow.screen()->availableGeometry();
        mainWindow.move(area.right() - 9 - window.frameGeometry().width() - 50, 100);
        window.placeBeside(mainWindow);
        QVERIFY((window.frameGeometry().center() - area.center()).manhattanLength() <= 2);
    }
};

QTEST_MAIN(PeakWindowTest)
#include "peak_window_test.moc"
