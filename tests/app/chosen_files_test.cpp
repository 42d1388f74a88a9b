#include "app/chosen_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/settings.h"
#include "audio/audio_fixtures.h"
#include "i18n/text_table.h"
#include "platform/clock.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/process_linux.h"
#include "tags/id3_tag.h"

namespace ps {
namespace {

namespace fs = std::filesystem;

// Records what the windows were told and answers the questions as set up.
class RecordingUi final : public ChosenFilesUi {
  public:
    class Peak final : public NormalizeProgress {
      public:
        explicit Peak(RecordingUi& ui) : ui_(ui) {}
        bool stopRequested() override {
            ++ui_.stopChecks;
            return ui_.abortAfterFirstFile && ui_.filesStarted > 0;
        }
        void stage(Stage, const std::string&, int index, int) override { ui_.filesStarted = index; }

      private:
        RecordingUi& ui_;
    };

    void showMessage(const std::string& text, const std::string& title) override {
        messages.push_back(title + ": " + text);
    }
    void setMainWindowEnabled(bool enabled) override { mainWindowEnabled = enabled; }
    NormalizeProgress& peakWindow() override { return peak_; }
    bool abortAllRequested() override { return abortAfterFirstFile && filesStarted > 0; }
    void setEncoderWaitTexts(const EncoderWaitTexts& texts) override { waitTexts = texts; }
    void setEncoderCaption(const std::string& caption) override { captions.push_back(caption); }
    DropChoice askDropChoice(bool several, bool encodingAvailable, bool& deleteWaves) override {
        ++questions;
        askedSeveral = several;
        askedEncodingAvailable = encodingAvailable;
        deleteWaves = answerDelete;
        return answer;
    }

    std::vector<std::string> messages;
    std::vector<std::string> captions;
    EncoderWaitTexts waitTexts;
    bool mainWindowEnabled = true;
    bool abortAfterFirstFile = false;
    int filesStarted = 0;
    int stopChecks = 0;
    DropChoice answer = DropChoice::Cancel;
    bool answerDelete = false;
    int questions = 0;
    bool askedSeveral = false;
    bool askedEncodingAvailable = false;

  private:
    Peak peak_{*this};
};

class ChosenFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir_.path() / "bin");
        fs::create_directories(dir_.path() / "rips");
        fs::create_symlink(PS_TEST_DATA_DIR "/fake_encoder.sh", dir_.path() / "bin" / "l3enc");
        setenv("FAKE_ENCODER_MODE", "", 1);
        settings_.L3encFilename = dir_.file("bin/l3enc");
        settings_.InternalCodec = false;
        settings_.DestinationDirectory = dir_.file("rips");
        settings_.UseNormalizing = true;
        settings_.NormalizeTo = 98;
        settings_.NormalizeLimit = false;
        settings_.AdvancedNormalizing = false;
        tags_.track.artist = "Artist";
        tags_.track.album = "Album";
    }
    void TearDown() override { unsetenv("FAKE_ENCODER_MODE"); }

    // A quiet wave file (peak about a quarter of full scale).
    std::string Wave(const std::string& name) {
        test::Bytes audio = test::Music(3);
        for (std::size_t i = 0; i + 1 < audio.size(); i += 2) {
            const auto sample = static_cast<std::int16_t>(audio[i] | (audio[i + 1] << 8));
            test::PutSample(audio, i / 2, sample / 4);
        }
        const std::string path = dir_.file(name);
        test::WriteAll(path, test::WaveBytes(audio));
        return path;
    }

    ChosenFilesContext Context() {
        return ChosenFilesContext{
            settings_, texts_, session_, tags_, &clock_, [] {}, std::chrono::milliseconds(5)};
    }

    test::TempDir dir_;
    Settings settings_;
    TextTable texts_;
    TagFields tags_;
    SteadyClock clock_;
    LinuxFileSystem fileSystem_;
    LinuxProcessLauncher launcher_;
    ExternalEncodeSession session_{settings_, fileSystem_, launcher_};
    RecordingUi ui_;
};

TEST_F(ChosenFilesTest, NormalizesEachFileAndAbortAllEndsTheBatch) {
    const std::string first = Wave("one.wav");
    const std::string second = Wave("two.wav");
    const test::Bytes secondBefore = test::ReadAll(second);
    ChosenFilesContext context = Context();

    ChosenFilesReport report = NormalizeChosenFiles({first, second}, context, ui_);
    ASSERT_EQ(report.files.size(), 2u);
    for (const ChosenFileReport& file : report.files) {
        EXPECT_EQ(file.normalizeCode, normalize_result::Modified) << file.path;
        EXPECT_NEAR(file.statistics.newPeak, 98, 1) << file.path;
    }
    EXPECT_TRUE(ui_.mainWindowEnabled);

    // Abort all while the first of two fresh files runs: the second is not touched.
    Wave("one.wav");
    Wave("two.wav");
    ui_.abortAfterFirstFile = true;
    report = NormalizeChosenFiles({first, second}, context, ui_);
    EXPECT_TRUE(report.abortedAll);
    ASSERT_EQ(report.files.size(), 1u);
    EXPECT_EQ(report.files[0].normalizeCode, normalize_result::Stopped);
    EXPECT_EQ(test::ReadAll(second), secondBefore);
    EXPECT_TRUE(ui_.mainWindowEnabled);
}

TEST_F(ChosenFilesTest, EncodesChosenFilesAndFillsTheWaitingWindow) {
    const std::string first = Wave("one.wav");
    const std::string second = Wave("two.wav");
    ChosenFilesContext context = Context();

    const ChosenFilesReport report = EncodeChosenFiles({first, second}, context, ui_);
    ASSERT_EQ(report.files.size(), 2u);
    EXPECT_TRUE(report.files[1].encoded);
    EXPECT_EQ(report.files[1].outputPath, dir_.file("rips/two.mp3"));
    EXPECT_TRUE(fs::exists(dir_.file("rips/one.mp3")));
    EXPECT_TRUE(fs::exists(first)) << "the command keeps its waves";

    EXPECT_EQ(ui_.waitTexts.processing, "Processing file 2 of (2)");
    EXPECT_EQ(ui_.waitTexts.originalName, "Original filename: " + second);
    EXPECT_EQ(ui_.waitTexts.newName, "New filename: " + dir_.file("rips/two.mp3"));
    EXPECT_EQ(ui_.waitTexts.bitrate, "Bitrate: 112000 bps");
    EXPECT_EQ(ui_.waitTexts.highQuality, "High quality: No");
    EXPECT_EQ(ui_.waitTexts.ownArguments, "Own arguments:");
    EXPECT_EQ(ui_.captions.back(), "two.wav, file 2 of 2");

    settings_.L3encFilename.clear();
    RecordingUi refused;
    EXPECT_TRUE(EncodeChosenFiles({first}, context, refused).files.empty());
    ASSERT_EQ(refused.messages.size(), 1u);
    EXPECT_EQ(refused.messages[0], "Platterscoop: " + std::string(texts_.text("NoCodec3Msg")));
}

TEST_F(ChosenFilesTest, DroppedWaveEncodedWithDeletionLeavesOnlyTheCompressedFile) {
    const std::string wave = Wave("drop.wav");
    ChosenFilesContext context = Context();
    ui_.answer = DropChoice::Encode;
    ui_.answerDelete = true;

    const DropReport report = HandleDroppedFiles({wave}, context, ui_, {});
    EXPECT_EQ(report.kind, DropReport::Kind::Waves);
    EXPECT_FALSE(ui_.askedSeveral);
    EXPECT_TRUE(ui_.askedEncodingAvailable);
    EXPECT_TRUE(settings_.DeleteDroppedWaves);
    EXPECT_FALSE(fs::exists(wave));
    EXPECT_TRUE(fs::exists(dir_.file("rips/drop.mp3")));

    // An encoder that fails leaves the wave where it was.
    const std::string kept = Wave("kept.wav");
    setenv("FAKE_ENCODER_MODE", "nooutput", 1);
    const DropReport failed = HandleDroppedFiles({kept}, context, ui_, {});
    ASSERT_EQ(failed.files.files.size(), 1u);
    EXPECT_FALSE(failed.files.files[0].waveDeleted);
    EXPECT_TRUE(fs::exists(kept));
}

TEST_F(ChosenFilesTest, DropBothNormalizesThenEncodes) {
    const std::string wave = Wave("both.wav");
    ChosenFilesContext context = Context();
    ui_.answer = DropChoice::Both;
    const DropReport report = HandleDroppedFiles({wave}, context, ui_, {});
    ASSERT_EQ(report.files.files.size(), 1u);
    EXPECT_EQ(report.files.files[0].normalizeCode, normalize_result::Modified);
    EXPECT_TRUE(report.files.files[0].encoded);
    EXPECT_TRUE(fs::exists(wave));
}

TEST_F(ChosenFilesTest, DropQuestionCancelAndUnusableFiles) {
    const std::string wave = Wave("w.wav");
    const std::string text = dir_.file("notes.txt");
    test::WriteAll(text, test::Bytes(100, 'x'));
    ChosenFilesContext context = Context();
    std::vector<std::string> grabbed;
    DropHooks hooks;
    hooks.grabbedFiles = &grabbed;

    // Cancel keeps DeleteDroppedWaves; without an encoder the encode choices are off.
    settings_.L3encFilename.clear();
    ui_.answer = DropChoice::Cancel;
    ui_.answerDelete = true;
    const DropReport cancelled = HandleDroppedFiles({wave, text}, context, ui_, hooks);
    EXPECT_EQ(cancelled.kind, DropReport::Kind::Waves);
    EXPECT_FALSE(ui_.askedEncodingAvailable);
    EXPECT_FALSE(ui_.askedSeveral) << "only the waves count";
    EXPECT_FALSE(settings_.DeleteDroppedWaves);
    EXPECT_EQ(grabbed, (std::vector<std::string>{wave, text}));

    struct Case {
        std::vector<std::string> paths;
        std::string message;
    };
    const Case cases[] = {
        {{text}, "Unknown file type: " + std::string(texts_.text("NotWave2Files"))},
        {{text, text}, "Unknown file type: " + std::string(texts_.text("NotWaveFiles"))},
        {{text, dir_.file("missing.wav")},
         "Platterscoop: " + texts_.format("CouldNot2Open", dir_.file("missing.wav"))},
    };
    for (const Case& c : cases) {
        RecordingUi ui;
        EXPECT_EQ(HandleDroppedFiles(c.paths, context, ui, {}).kind, DropReport::Kind::Nothing);
        ASSERT_EQ(ui.messages.size(), 1u) << c.message;
        EXPECT_EQ(ui.messages[0], c.message);
        EXPECT_EQ(ui.questions, 0);
    }
}

TEST_F(ChosenFilesTest, AudioDiscTrackFileSelectsItsTrackAndStartsTheGrab) {
    ChosenFilesContext context = Context();
    std::vector<int> selected;
    int refreshes = 0;
    int grabs = 0;
    DropHooks hooks;
    hooks.helperDrive = 3;  // D:
    hooks.refreshAndDeselect = [&] { ++refreshes; };
    hooks.selectTrack = [&](int track) { selected.push_back(track); };
    hooks.startGrab = [&] { ++grabs; };

    const DropReport report =
        HandleDroppedFiles({"D:\\Track03.cda", "d:\\Track05.CDA"}, context, ui_, hooks);
    EXPECT_EQ(report.kind, DropReport::Kind::CdTracks);
    EXPECT_EQ(selected, (std::vector<int>{3, 5}));
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(grabs, 1);

    // Another drive's track file is just a file that does not open.
    selected.clear();
    RecordingUi other;
    EXPECT_EQ(HandleDroppedFiles({"E:\\Track03.cda"}, context, other, hooks).kind,
              DropReport::Kind::Nothing);
    EXPECT_TRUE(selected.empty());
    EXPECT_EQ(other.messages.size(), 1u);
}

TEST_F(ChosenFilesTest, FileDialogTitles) {
    settings_.NormalizeLimit = true;
    settings_.NormalizeLow = 92;
    settings_.NormalizeHigh = 99;
    EXPECT_EQ(NormalizeDialogTitle(settings_, texts_),
              "Select file(s) to normalize to 98% if not between 92% - 99%");
    settings_.NormalizeLimit = false;
    EXPECT_EQ(NormalizeDialogTitle(settings_, texts_),
              "Select file(s) to normalize to 98% unconditionally");

    settings_.L3encBitrate = 112000;
    settings_.L3encHQBit = true;
    settings_.L3CRCFlag = true;
    EXPECT_EQ(EncodeDialogTitle(settings_, texts_),
              "Select file(s) to create MP3's from (with: -br 112000 -hq -crc)");
    settings_.UseOwnL3encArguments = true;
    settings_.L3encArguments = "-b 256 %1";
    EXPECT_EQ(EncodeDialogTitle(settings_, texts_),
              "Select file(s) to create MP3's from (with: -b 256 %1)");
}

}  // namespace
}  // namespace ps
