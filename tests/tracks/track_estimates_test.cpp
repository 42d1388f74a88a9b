// The time estimate and the disk-space estimate of the selected tracks.
#include "tracks/track_estimates.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "cdaccess/read_method.h"
#include "i18n/text_table.h"
#include "tracks/track_list.h"

using namespace ps;

namespace {

// A disc of tracks with the given lengths in frames, all selected.
DiscRecord discOf(const std::vector<std::int32_t>& lengths) {
    DiscRecord disc;
    std::int32_t start = 0;
    int number = 1;
    for (std::int32_t length : lengths) {
        TrackRecord& track = disc.tracks[static_cast<std::size_t>(number)];
        track.start = start;
        track.end = start + length - 1;
        track.selected = true;
        disc.rows.push_back(number++);
        start += length;
    }
    disc.firstTrack = 1;
    disc.lastTrack = number - 1;
    return disc;
}

constexpr std::int32_t kMinute = 4500;

struct TimeCase {
    const char* name;
    std::function<void(Settings&)> set;
    bool direct;
    std::int64_t seconds;
};

class TimeEstimateTest : public ::testing::TestWithParam<TimeCase> {};

// Two selected tracks with 60 seconds each by the estimate's count (end - start), one not.
TEST_P(TimeEstimateTest, AddsThePhases) {
    DiscRecord disc = discOf({kMinute + 1, kMinute + 1, 10 * kMinute});
    disc.tracks[3].selected = false;
    Settings settings;
    settings.CDSpeed = 400;
    settings.UseNormalizing = false;
    settings.UseL3enc = false;
    settings.accessMode = access_mode::kAspi;
    GetParam().set(settings);
    EXPECT_EQ(estimateSecondsLeft(disc, settings, GetParam().direct, {}), GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeEstimateTest,
    ::testing::Values(
        // 120 s of audio at 4x: 30 s, and 2 s for each track.
        TimeCase{"ReadOnly", [](Settings&) {}, false, 30 + 4},
        TimeCase{"AnalogReadsInRealTime", [](Settings& s) { s.accessMode = access_mode::kAnalog; },
                 false, 120 + 4},
        TimeCase{"Normalize",
                 [](Settings& s) {
                     s.UseNormalizing = true;
                     s.ComputerSpeed = 400;
                 },
                 false, 30 + 30 + 4},
        TimeCase{"NormalizeWithComputerSpeedZero",
                 [](Settings& s) {
                     s.UseNormalizing = true;
                     s.ComputerSpeed = 0;
                 },
                 false, 30 + 4},
        TimeCase{"EncoderProgramAtTheBitrate",
                 [](Settings& s) {
                     s.UseL3enc = true;
                     s.InternalCodec = false;
                     s.L3encBitrate = 128000;  // index 8
                     s.EncodingSpeed[8] = 2.0;
                 },
                 false, 30 + 240 + 4 + 6},
        TimeCase{"EncoderProgramHighQuality",
                 [](Settings& s) {
                     s.UseL3enc = true;
                     s.InternalCodec = false;
                     s.L3encBitrate = 128000;
                     s.EncodingSpeed[8] = 1.0;
                     s.L3encHQBit = true;
                 },
                 false, 30 + 193 + 4 + 6},  // 120 x 1.61 = 193.2
        TimeCase{"EncoderProgramOwnArguments",
                 [](Settings& s) {
                     s.UseL3enc = true;
                     s.InternalCodec = false;
                     s.UseOwnL3encArguments = true;
                     s.L3encHQBit = true;  // no 1.61 with own arguments
                     s.EncodingSpeed[11] = 0.5;
                 },
                 false, 30 + 60 + 4 + 6},
        TimeCase{"CodecHighQuality",
                 [](Settings& s) {
                     s.UseL3enc = true;
                     s.InternalCodec = true;
                     s.L3encHQBit = true;
                     s.CodecHq = 3.0;
                 },
                 false, 30 + 360 + 4},
        TimeCase{"CodecFactorZero",
                 [](Settings& s) {
                     s.UseL3enc = true;
                     s.InternalCodec = true;
                     s.CodecLq = 0.0;
                 },
                 false, 30 + 4},
        TimeCase{"DirectEncodeOverlapsReadAndEncode",
                 [](Settings& s) {
                     s.UseL3enc = true;
                     s.InternalCodec = true;
                     s.CodecLq = 0.5;
                 },
                 true, 60 + 4},
        TimeCase{"PartialRips",
                 [](Settings& s) {
                     s.PartialRips = true;
                     s.PartialLength = 20;
                 },
                 false, 10 + 4},
        TimeCase{"CdSpeedZeroAddsNothing", [](Settings& s) { s.CDSpeed = 0; }, false, 4},
        TimeCase{"NeverNegative",
                 [](Settings& s) {
                     s.CDSpeed = -10;
                     s.UseL3enc = true;
                     s.InternalCodec = true;
                     s.CodecLq = -5.0;
                 },
                 false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimeEstimate, DuringAJobCountsTheRowsLeftAndTheGrabbedEncodes) {
    DiscRecord disc = discOf({kMinute + 1, kMinute + 1, kMinute + 1});
    Settings settings;
    settings.CDSpeed = 100;
    settings.UseNormalizing = false;
    settings.UseL3enc = true;
    settings.InternalCodec = true;
    settings.CodecLq = 1.0;
    settings.RipAllTracksBeforeEncoding = true;
    TimeEstimateJob job;
    job.phase = 1;
    job.rowsDone = 2;
    job.grabbedFramesToEncode = 2 * 4500;
    // Last row: 60 read + 60 encode + 2; two grabbed tracks: 120 encode.
    EXPECT_EQ(estimateSecondsLeft(disc, settings, false, job), 60 + 60 + 2 + 120);
    job.phase = TimeEstimateJob::kSecondPhase;
    job.rowsDone = 3;
    job.grabbedFramesToEncode = 4500;
    EXPECT_EQ(estimateSecondsLeft(disc, settings, false, job), 60);
    job.phase = TimeEstimateJob::kIdle;  // the rows done and grabbed frames no longer count
    EXPECT_EQ(estimateSecondsLeft(disc, settings, false, job), 3 * 122);
}

TEST(TimeEstimate, ShowsHoursModuloNinetyNine) {
    const TextTable texts;
    EXPECT_EQ(formatTimeLeft(texts, 0), "Total time left: 00:00:00");
    EXPECT_EQ(formatTimeLeft(texts, 3 * 3600 + 25 * 60 + 7), "Total time left: 03:25:07");
    EXPECT_EQ(formatTimeLeft(texts, 100 * 3600 + 59), "Total time left: 01:00:59");
    EXPECT_EQ(formatTimeLeft(texts, -5), "Total time left: 00:00:00");
}

TEST(DiskSpaceEstimate, CodecBytesPerSecond) {
    EXPECT_EQ(codecBytesPerSecond("128 Bit/s, 44,100 Hz, Stereo"), 16000);
    EXPECT_EQ(codecBytesPerSecond("Layer-3, ~64 kBit/s, 44,100 Hz"), 8000);
    EXPECT_EQ(codecBytesPerSecond("MPEG 160 kBit/s, 44,100 Hz"), 20000);
    EXPECT_EQ(codecBytesPerSecond("PCM, 44,100 Hz"), 0);
    EXPECT_EQ(codecBytesPerSecond(""), 0);
}

struct SpaceCase {
    const char* name;
    std::function<void(Settings&)> set;
    bool direct;
    std::int64_t sum;
    std::int64_t maximum;
};

class DiskSpaceTest : public ::testing::TestWithParam<SpaceCase> {};

// Three selected tracks of 60 seconds (4500 frames, 10,584,000 bytes of wave).
TEST_P(DiskSpaceTest, SumsAndTheMaximum) {
    const DiscRecord disc = discOf({kMinute, kMinute, kMinute});
    Settings settings;
    settings.UseL3enc = false;
    settings.DeleteWave = false;
    GetParam().set(settings);
    const DiskSpaceEstimate estimate =
        estimateDiskSpace(disc, settings, GetParam().direct, 1 << 20);
    EXPECT_EQ(estimate.sum, GetParam().sum);
    EXPECT_EQ(estimate.maximum, GetParam().maximum);
    EXPECT_DOUBLE_EQ(estimate.neededMb, static_cast<double>(GetParam().maximum) / 1048576.0);
    EXPECT_DOUBLE_EQ(estimate.freeMb, 1.0);
}

constexpr std::int64_t kWave = 4500 * 2352 + 44;
constexpr std::int64_t kMp3 = 60 * 16000;  // 128 kbit/s

INSTANTIATE_TEST_SUITE_P(
    Cases, DiskSpaceTest,
    ::testing::Values(SpaceCase{"Waves", [](Settings&) {}, false, 3 * kWave, 3 * kWave},
                      SpaceCase{"PartialRips",
                                [](Settings& s) {
                                    s.PartialRips = true;
                                    s.PartialLength = 30;
                                },
                                false, 3 * (30 * 176400 + 44), 3 * (30 * 176400 + 44)},
                      SpaceCase{"EncoderKeepsTheWaves",
                                [](Settings& s) {
                                    s.UseL3enc = true;
                                    s.InternalCodec = false;
                                    s.L3encBitrate = 128000;
                                },
                                false, 3 * (kWave + kMp3), 3 * (kWave + kMp3)},
                      SpaceCase{"DeleteWaveAfterEachTrack",
                                [](Settings& s) {
                                    s.UseL3enc = true;
                                    s.InternalCodec = true;
                                    s.CodecMode = "128 Bit/s, 44,100 Hz, Stereo";
                                    s.DeleteWave = true;
                                },
                                false, 3 * kMp3, 2 * kMp3 + kWave + kMp3},
                      SpaceCase{"DeleteWaveAfterAllTracksKeepsThemMeanwhile",
                                [](Settings& s) {
                                    s.UseL3enc = true;
                                    s.InternalCodec = true;
                                    s.DeleteWave = true;
                                    s.RipAllTracksBeforeEncoding = true;
                                },
                                false, 3 * (kWave + kMp3), 3 * (kWave + kMp3)},
                      SpaceCase{"DirectEncodeWritesNoWave",
                                [](Settings& s) {
                                    s.UseL3enc = true;
                                    s.InternalCodec = true;
                                },
                                true, 3 * kMp3, 3 * kMp3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DiskSpaceEstimate, NothingSelectedNeedsNothing) {
    DiscRecord disc = discOf({kMinute, kMinute});
    disc.tracks[1].selected = disc.tracks[2].selected = false;
    const DiskSpaceEstimate estimate = estimateDiskSpace(disc, Settings{}, false, std::nullopt);
    EXPECT_EQ(estimate.sum, 0);
    EXPECT_FALSE(estimate.freeKnown);
    EXPECT_EQ(formatDiskNeeded(TextTable{}, estimate), "Disk: needed: 0.00 Mb, free: 0.00 Mb");
}

// The warn question through the track list, with a drive of a given free space.
struct OneTrackSource : TrackListSource {
    int accessMode() const override { return access_mode::kAspi; }
    bool helperStartupFailed() const override { return false; }
    int getDiskInfo() override { return 256; }
    int getLowest() override { return 1; }
    int getHighest() override { return 1; }
    std::int32_t getTrackInfo(int) override { return 0; }
    std::int32_t getTotalTime() override { return 45 * kMinute; }  // 454 MB of wave
    bool isDataTrack(int) override { return false; }
    std::uint32_t identifyAndStore() override { return 0; }
    bool discUnchanged() override { return true; }
    CdplayerRead readCdplayer(std::uint32_t, bool, int, int, const std::function<bool(int)>&,
                              const DefaultTrackNames&) override {
        return {};
    }
};

struct AnsweringUi : TrackListUi {
    bool answer = false;
    std::vector<std::string> questions;
    std::vector<std::string> titles;
    void showNotice(const std::string&, const std::string&) override {}
    bool askYesNo(const std::string& text, const std::string& title) override {
        questions.push_back(text);
        titles.push_back(title);
        return answer;
    }
    void beep() override {}
};

struct MegabytesFree : FreeSpace {
    std::optional<std::uint64_t> megabytes;
    std::optional<std::uint64_t> freeBytes(const std::string&) const override {
        return megabytes ? std::optional<std::uint64_t>(*megabytes * 1048576) : std::nullopt;
    }
};

TEST(DiskSpaceEstimate, WarnAsksOnlyWhenTheSpaceIsShort) {
    DiscRecord disc;
    Settings settings;
    settings.UseL3enc = false;
    TextTable texts;
    OneTrackSource source;
    AnsweringUi ui;
    MegabytesFree free;
    free.megabytes = 100;
    TrackListModel model(disc, settings, texts, source, ui, free);
    ASSERT_TRUE(model.refresh());
    EXPECT_TRUE(ui.questions.empty());  // the refresh never warns
    EXPECT_EQ(model.statusDisk(), "Disk: needed: 454.22 Mb, free: 100.00 Mb");

    EXPECT_FALSE(model.updateDiskSpaceEstimate(true));
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0],
              "Required diskspace is 454 MB but only 100 MB is available.\nDo you want to proceed "
              "anyway?");
    EXPECT_EQ(ui.titles[0], "Insufficent diskspace");
    ui.answer = true;
    EXPECT_TRUE(model.updateDiskSpaceEstimate(true));

    free.megabytes = 500;
    EXPECT_TRUE(model.updateDiskSpaceEstimate(true));
    free.megabytes.reset();  // a drive that cannot be asked is not short of space
    EXPECT_TRUE(model.updateDiskSpaceEstimate(true));
    EXPECT_EQ(ui.questions.size(), 2u);
}

}  // namespace
