#include "audio/rip_processor.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "audio/file_tools.h"
#include "audio_fixtures.h"

namespace ps {
namespace {

using test::Bytes;

Bytes Swapped(Bytes bytes) {
    for (std::size_t k = 0; k + 1 < bytes.size(); k += 2) {
        std::swap(bytes[k], bytes[k + 1]);
    }
    return bytes;
}

Bytes Constant(std::size_t sectors, int left, int right) {
    Bytes bytes(sectors * kSectorBytes);
    for (std::size_t f = 0; f < sectors * kSectorFrames; ++f) {
        test::PutSample(bytes, 2 * f, left);
        test::PutSample(bytes, 2 * f + 1, right);
    }
    return bytes;
}

// Delivers a whole track in batches as the extraction does; returns the last result.
int Rip(RipProcessor& rip, Bytes& track, int batchSectors) {
    const int sectors = static_cast<int>(track.size() / kSectorBytes);
    int result = 1;
    for (int at = 0; at < sectors && result == 1; at += batchSectors) {
        const int n = std::min(batchSectors, sectors - at);
        result = rip.DeliverBatch(track.data() + static_cast<std::size_t>(at) * kSectorBytes, n);
    }
    return result;
}

RipSetup SetupFor(std::size_t sectors, bool write = false) {
    RipSetup setup;
    setup.firstSector = 5000;
    setup.lastSector = 5000 + static_cast<std::int32_t>(sectors) - 1;
    setup.write = write;
    return setup;
}

struct ByteOrderCase {
    const char* name;
    Bytes batch;
    int setting;
    int decided;
    bool swappedBack;  // the batch comes out as the unswapped music
};

class ByteOrderTest : public ::testing::TestWithParam<ByteOrderCase> {};

TEST_P(ByteOrderTest, DecidesOnTheFirstTellingSectorAndSwapsTheBatch) {
    const auto& c = GetParam();
    RipProcessor rip;
    RipSetup setup = SetupFor(100);
    setup.byteOrder = c.setting;
    rip.ResetRipAnalysis(setup);
    Bytes batch = c.batch;
    rip.FixByteOrder(batch.data(), static_cast<int>(batch.size() / kSectorBytes));
    EXPECT_EQ(rip.analysis().byteOrder, c.decided);
    if (c.swappedBack) {
        EXPECT_EQ(batch, Swapped(c.batch));
    } else {
        EXPECT_EQ(batch, c.batch);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Batches, ByteOrderTest,
    ::testing::Values(ByteOrderCase{"MusicAsRead", test::Music(2), 0, 1, false},
                      ByteOrderCase{"MusicSwapped", Swapped(test::Music(2)), 0, 2, true},
                      ByteOrderCase{"DigitalSilenceStaysUndecided", test::Silence(3), 0, 0, false},
                      ByteOrderCase{"ConstantLevelStaysUndecided", Constant(2, 1, 1), 0, 0, false},
                      ByteOrderCase{"DecidedBehindSilence",
                                    test::Concat({test::Silence(2), Swapped(test::Music(1))}), 0, 2,
                                    true},
                      ByteOrderCase{"SettingForcesTheSwap", test::Silence(1), 2, 2, true},
                      ByteOrderCase{"SettingForbidsTheSwap", Swapped(test::Music(1)), 1, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ByteOrder, DecisionHoldsForTheRestOfTheRip) {
    RipProcessor rip;
    rip.ResetRipAnalysis(SetupFor(100));
    Bytes first = Swapped(test::Music(1, 3));
    rip.FixByteOrder(first.data(), 1);
    ASSERT_EQ(rip.analysis().byteOrder, 2);
    Bytes later = test::Music(1, 4);  // would look as read on its own
    const Bytes original = later;
    rip.FixByteOrder(later.data(), 1);
    EXPECT_EQ(later, Swapped(original));
}

struct FadeCase {
    const char* name;
    bool fadeIn;
    bool quadratic;
    int sectorOffset;  // from the first sector; negative counts from the end (-1 = last)
    int frame;
    int left;  // expected, from +32767 and -32767
    int right;
};

class FadeTest : public ::testing::TestWithParam<FadeCase> {};

TEST_P(FadeTest, ScalesBySinglePrecisionFactorTruncatingTowardZero) {
    const auto& c = GetParam();
    const std::size_t sectors = 450;
    RipProcessor rip;
    RipSetup setup = SetupFor(sectors);
    setup.fadeIn = c.fadeIn;
    setup.fadeOut = !c.fadeIn;
    setup.fadeSeconds = 3;
    setup.logarithmicFade = c.quadratic;
    setup.byteOrder = 1;
    rip.ResetRipAnalysis(setup);
    Bytes track = Constant(sectors, 32767, -32767);
    Rip(rip, track, 10);
    const std::size_t sector =
        c.sectorOffset >= 0 ? static_cast<std::size_t>(c.sectorOffset) : sectors + c.sectorOffset;
    const std::size_t frame = sector * kSectorFrames + static_cast<std::size_t>(c.frame);
    EXPECT_EQ(test::GetSample(track, 2 * frame), c.left);
    EXPECT_EQ(test::GetSample(track, 2 * frame + 1), c.right);
}

// Fade time 3 s: 225 sectors, 132,300 frames. Frame 66,150 (sector 112, frame 294) is half way.
INSTANTIATE_TEST_SUITE_P(
    Frames, FadeTest,
    ::testing::Values(FadeCase{"InStartsAtZero", true, false, 0, 0, 0, 0},
                      FadeCase{"InHalfWay", true, false, 112, 294, 16383, -16383},
                      FadeCase{"InHalfWayQuadratic", true, true, 112, 294, 8191, -8191},
                      FadeCase{"InLastFadedFrame", true, false, 224, 587, 32766, -32766},
                      FadeCase{"InEndsBelowSPlus225", true, false, 225, 0, 32767, -32767},
                      FadeCase{"OutLastFrameNearlySilent", false, false, -1, 587, 0, 0},
                      FadeCase{"OutHalfWay", false, false, -113, 294, 16383, -16383},
                      FadeCase{"OutHalfWayQuadratic", false, true, -113, 294, 8191, -8191},
                      FadeCase{"OutNotBeforeEMinus225", false, false, -226, 587, 32767, -32767}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AudioChecksum, WeightsCycleFrom1To256) {
    AudioChecksum sum;
    const std::vector<std::int16_t> samples(257, 1000);
    sum.add(samples.data(), samples.size());
    // Weight 256 is used once, then the weight starts again at 1.
    EXPECT_EQ(sum.checksum, 1000u * (256 * 257 / 2) + 1000u * 1);
    EXPECT_EQ(sum.weight, 2u);
}

TEST(AudioChecksum, ChecksumStopsAtTheLastLoudSample) {
    AudioChecksum sum;
    const std::vector<std::int16_t> samples = {200, -300, 127, -127, 0};
    sum.add(samples.data(), samples.size());
    EXPECT_EQ(sum.checksum, 200u - 600u);
    EXPECT_EQ(sum.sum, 200u - 600u + 127u * 3 - 127u * 4);
    EXPECT_EQ(sum.sinceLoud, 3u);
}

TEST(AudioChecksum, ChunkedSumsEqualTheDefinitionAndWrap) {
    const Bytes bytes = test::Concat({test::Music(30, 9), test::Silence(2), test::Music(1, 2)});
    std::vector<std::int16_t> samples(bytes.size() / 2);
    LoadSamples(bytes.data(), samples.data(), samples.size());
    std::uint32_t sum = 0;
    std::uint32_t weight = 1;
    std::uint32_t expected = 0;
    for (std::int16_t s : samples) {
        sum += static_cast<std::uint32_t>(s * static_cast<int>(weight));
        weight = weight == 256 ? 1 : weight + 1;
        if (IsLoud(s)) {
            expected = sum;
        }
    }
    AudioChecksum chunked;
    for (std::size_t at = 0; at < samples.size(); at += 1000) {  // odd pieces, like sectors
        chunked.add(samples.data() + at, std::min<std::size_t>(1000, samples.size() - at));
    }
    EXPECT_EQ(chunked.checksum, expected);
    EXPECT_EQ(chunked.sum, sum);
}

TEST(RipChecksumText, FourForms) {
    EXPECT_EQ(RipChecksumText({0x1A2B3C4D, RipSilenceKind::StartsAndEnds}), " 1A2B3C4D");
    EXPECT_EQ(RipChecksumText({0x1A2B3C4D, RipSilenceKind::StartsOnly}), " 1A2B3C4DX");
    EXPECT_EQ(RipChecksumText({0x1A2B3C4D, RipSilenceKind::EndsOnly}), " X1A2B3C4D");
    EXPECT_EQ(RipChecksumText({0x0000ABCD, RipSilenceKind::Neither}), " X0000ABCDX");
    EXPECT_EQ(SilenceKindOf(true, false), RipSilenceKind::StartsOnly);
    EXPECT_EQ(SilenceKindOf(false, true), RipSilenceKind::EndsOnly);
}

RipChecksum ChecksumOfRip(const Bytes& audio, int batchSectors = 26) {
    RipProcessor rip;
    rip.BeginWaveFile(SetupFor(audio.size() / kSectorBytes));
    Bytes track = audio;
    Rip(rip, track, batchSectors);
    rip.FinishWaveFile();
    return rip.Checksum();
}

TEST(RipChecksum, IndependentOfSilenceAroundTheMusic) {
    const Bytes music = test::Music(40, 5);
    const RipChecksum plain =
        ChecksumOfRip(test::Concat({test::Silence(1), music, test::Silence(1)}));
    EXPECT_EQ(plain.kind, RipSilenceKind::StartsAndEnds);
    for (const auto& audio : {test::Concat({test::Silence(7), music, test::Silence(1)}),
                              test::Concat({test::Silence(1), music, test::Silence(30)})}) {
        const RipChecksum other = ChecksumOfRip(audio, 13);
        EXPECT_EQ(other.value, plain.value);
        EXPECT_EQ(other.kind, RipSilenceKind::StartsAndEnds);
    }
    // Music from the first sample: the same digits, marked as not comparable.
    const RipChecksum loudStart = ChecksumOfRip(test::Concat({music, test::Silence(1)}));
    EXPECT_EQ(loudStart.value, plain.value);
    EXPECT_EQ(loudStart.kind, RipSilenceKind::EndsOnly);
    EXPECT_EQ(ChecksumOfRip(test::Concat({test::Silence(1), music})).kind,
              RipSilenceKind::StartsOnly);
}

TEST(RipChecksum, SilentTrackIsZeroAndSilentAtBothEnds) {
    const RipChecksum silent = ChecksumOfRip(test::Silence(30));
    EXPECT_EQ(silent.value, 0u);
    EXPECT_EQ(silent.kind, RipSilenceKind::StartsAndEnds);
}

TEST(RipChecksum, FileChecksumOfTheRipIsTheRipChecksum) {
    test::TempDir dir;
    const std::string path = dir.file("temp.wav");
    RipProcessor rip;
    ASSERT_TRUE(rip.writer().create(path));
    Bytes track = test::Concat({test::Silence(5), test::Music(60, 8), test::Silence(5)});
    RipSetup setup = SetupFor(track.size() / kSectorBytes, true);
    ASSERT_EQ(rip.BeginWaveFile(setup), 1);
    ASSERT_EQ(Rip(rip, track, 26), 1);
    rip.FinishWaveFile();
    const FileChecksumResult file = FileChecksum(path, nullptr, {});
    ASSERT_EQ(file.status, FileChecksumStatus::Done);
    EXPECT_EQ(file.checksum, rip.Checksum().value);
    EXPECT_EQ(" " + FileChecksumText(file), RipChecksumText(rip.Checksum()));
}

TEST(AnalyseBatch, ProbeReadsAreNotAnalysed) {
    RipProcessor rip;
    rip.ResetRipAnalysis(SetupFor(26));
    Bytes batch = test::Music(26);
    EXPECT_EQ(rip.AnalyseBatch(batch.data(), 26), 0);
    EXPECT_FALSE(rip.analysis().started);
}

TEST(AnalyseBatch, DirectEncoderFailureStopsTheExtraction) {
    RipProcessor rip;
    RipSetup setup = SetupFor(100);
    int calls = 0;
    setup.directEncoder = [&](const std::uint8_t*, std::size_t length) {
        EXPECT_EQ(length, 2 * kSectorBytes);
        return ++calls < 2;
    };
    rip.ResetRipAnalysis(setup);
    Bytes batch = test::Music(2);
    EXPECT_EQ(rip.AnalyseBatch(batch.data(), 2), 1);
    EXPECT_EQ(rip.AnalyseBatch(batch.data(), 2), 0);
    EXPECT_TRUE(rip.analysis().encoderFailed);
}

TEST(AnalyseBatch, LevelOfTheBatchCountsFromTheFirstLoudSample) {
    RipProcessor rip;
    rip.ResetRipAnalysis(SetupFor(100));
    Bytes batch = Constant(2, 30000, -20000);
    test::PutSample(batch, 0, -100);  // quiet, before the music
    rip.AnalyseBatch(batch.data(), 2);
    EXPECT_EQ(rip.analysis().batchPeak, 30000);
    EXPECT_EQ(rip.analysis().batchLow, -20000);
    EXPECT_FALSE(rip.analysis().startsWithSilence);
}

struct TrimCase {
    const char* name;
    std::size_t leadSilence, music, trailSilence;
    int keepLead, keepTrail;
    int batch;
    std::size_t keptSilenceBefore;  // silent sectors left in front of the music
    std::size_t keptSilenceAfter;
};

class TrimTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimTest, KeepsTheFirstSectorAndTheAskedSilence) {
    const auto& c = GetParam();
    test::TempDir dir;
    const std::string path = dir.file("temp.wav");
    const Bytes music = test::Music(c.music, 11);
    Bytes track =
        test::Concat({test::Silence(c.leadSilence), music, test::Silence(c.trailSilence)});
    RipProcessor rip;
    ASSERT_TRUE(rip.writer().create(path));
    RipSetup setup = SetupFor(track.size() / kSectorBytes, true);
    setup.keepLead = c.keepLead;
    setup.keepTrail = c.keepTrail;
    ASSERT_EQ(rip.BeginWaveFile(setup), 1);
    ASSERT_EQ(Rip(rip, track, c.batch), 1);
    rip.FinishWaveFile();

    const Bytes expected = test::WaveBytes(test::Concat(
        {test::Silence(c.keptSilenceBefore), music, test::Silence(c.keptSilenceAfter)}));
    const Bytes file = test::ReadAll(path);
    ASSERT_EQ(file.size(), expected.size());
    EXPECT_TRUE(file == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tracks, TrimTest,
    ::testing::Values(TrimCase{"KeepNothing", 10, 20, 10, 0, 0, 1, 1, 0},
                      TrimCase{"KeepSome", 10, 20, 10, 3, 2, 1, 4, 2},
                      TrimCase{"KeepAll", 10, 20, 10, 3000, 3000, 1, 10, 10},
                      TrimCase{"MusicFromTheStart", 0, 20, 4, 0, 1, 1, 0, 1},
                      // Only the first and last 300 sectors are examined.
                      TrimCase{"LongTrackTrimsWithin300", 320, 40, 310, 5, 5, 26, 26, 15},
                      // The maps judge a sector by its batch so far: silence behind
                      // music in the same batch counts as loud and stays.
                      TrimCase{"WholeBatches", 10, 20, 10, 0, 0, 26, 1, 10}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Trim, AnalogRingCutsBehindTheLastSectorAbove500) {
    test::TempDir dir;
    const std::string path = dir.file("temp.wav");
    const Bytes music = test::Concat({test::Music(340, 4), Constant(20, 300, -300)});
    Bytes track = test::Concat({test::Silence(5), music, test::Silence(35)});
    RipProcessor rip;
    ASSERT_TRUE(rip.writer().create(path));
    RipSetup setup = SetupFor(track.size() / kSectorBytes, true);  // the ring wraps
    setup.analog = true;
    setup.keepTrail = 0;
    ASSERT_EQ(rip.BeginWaveFile(setup), 1);
    Rip(rip, track, 1);
    rip.FinishWaveFile();
    EXPECT_EQ(rip.analysis().trailIndex, 244);  // sector 344 of the last 300
    EXPECT_TRUE(test::ReadAll(path) ==
                test::WaveBytes(test::Concat({test::Silence(5), test::Music(340, 4)})));
}

TEST(Trim, SilentTrackLeavesOnlyTheHeader) {
    test::TempDir dir;
    const std::string path = dir.file("temp.wav");
    RipProcessor rip;
    ASSERT_TRUE(rip.writer().create(path));
    Bytes track = test::Silence(40);
    RipSetup setup = SetupFor(40, true);
    setup.keepLead = 0;
    setup.keepTrail = 0;
    ASSERT_EQ(rip.BeginWaveFile(setup), 1);
    Rip(rip, track, 26);
    EXPECT_EQ(rip.analysis().leadFound, 40);
    rip.FinishWaveFile();
    EXPECT_EQ(test::ReadAll(path), test::WaveBytes({}));
}

}  // namespace
}  // namespace ps
