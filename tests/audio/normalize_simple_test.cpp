#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/settings.h"
#include "audio/normalize_fixtures.h"

namespace ps::test {
namespace {

using namespace normalize_result;

class SimpleNormalizeTest : public ::testing::Test {
  protected:
    std::string write(const Bytes& file, const std::string& name = "song.wav") {
        const std::string path = dir_.file(name);
        WriteAll(path, file);
        return path;
    }
    TempDir dir_;
    Settings settings_;
};

TEST_F(SimpleNormalizeTest, ScalesToTheTargetRoundingHalfAwayFromZero) {
    struct Case {
        int target;
        std::vector<int> in;
        std::vector<int> out;
    };
    const Case cases[] = {
        // Peak 16384 (50 %) to 98 %: gain 32767 / 16384 * 0.98 = 1.95994.
        {98,
         {16384, -16384, 1, -1, 3, -3, 100, -100, 8191, 0},
         {32112, -32112, 2, -2, 6, -6, 196, -196, 16054, 0}},
        // Gain exactly 0.5: the halves go away from zero.
        {50,
         {32767, -32768, 3, -3, 5, -5, 1, -1, 2, -2},
         {16384, -16384, 2, -2, 3, -3, 1, -1, 1, -1}},
        // Over 100 % the loudest samples clip at the limits instead of wrapping.
        {110, {20000, -20000, 100, -100}, {32767, -32768, 180, -180}},
    };
    for (const Case& c : cases) {
        settings_.NormalizeTo = static_cast<std::int16_t>(c.target);
        const std::string path = write(WaveOf(Samples16(c.in)));
        const NormalizeOutcome outcome = SimpleNormalize(path, settings_, std::nullopt);
        EXPECT_EQ(outcome.code, Modified) << c.target;
        EXPECT_EQ(AudioSamples(path), c.out) << c.target;
        EXPECT_EQ(outcome.clippedSamples, c.target == 110 ? 2 : 0);
    }
}

TEST_F(SimpleNormalizeTest, LongAudioIsScaledSampleForSampleWhereverItStartsInTheFile) {
    // Audio over several of the engine's reads, with loud samples throughout that clip at
    // 110 %, and a piece boundary inside nearly every read.
    std::vector<int> in(700001);
    for (std::size_t i = 0; i < in.size(); ++i) {
        in[i] = static_cast<int>(15000 * std::sin(static_cast<double>(i) * 0.001)) +
                static_cast<int>(i * 7919 % 301) - 150;
    }
    for (std::size_t i = 17; i < in.size(); i += 4099) {
        in[i] = i % 2 == 0 ? 32000 : -32768;
    }
    settings_.NormalizeTo = 110;
    const double gain = 110 / 100.0;  // the loudest sample is -32768
    std::vector<int> expected;
    std::int64_t clipped = 0;
    for (const int s : in) {
        const double v = s * gain + (s < 0 ? -0.5 : 0.5);
        clipped += v >= 32768.0 || v <= -32769.0;
        expected.push_back(static_cast<int>(std::clamp(v, -32768.0, 32767.0)));
    }
    const Bytes wave = WaveOf(Samples16(in));
    // A chunk of odd length before the data chunk puts the audio at an odd offset.
    const Bytes junk{'J', 'U', 'N', 'K', 1, 0, 0, 0, 'x'};
    for (const std::size_t offset : {std::size_t{44}, std::size_t{53}}) {
        Bytes file = wave;
        if (offset == 53) {
            file.insert(file.begin() + 36, junk.begin(), junk.end());
        }
        const std::string path = write(file);
        const NormalizeOutcome outcome = SimpleNormalize(path, settings_, std::nullopt);
        EXPECT_EQ(outcome.code, Modified) << offset;
        EXPECT_EQ(outcome.clippedSamples, clipped) << offset;
        const Bytes out = ReadAll(path);
        ASSERT_EQ(out.size(), file.size()) << offset;
        EXPECT_TRUE(std::equal(file.begin(), file.begin() + offset, out.begin())) << offset;
        std::vector<int> samples;
        for (std::size_t i = offset; i + 1 < out.size(); i += 2) {
            samples.push_back(static_cast<std::int16_t>(out[i] | (out[i + 1] << 8)));
        }
        EXPECT_EQ(samples, expected) << offset;
    }
}

TEST_F(SimpleNormalizeTest, EightBitSamplesAreScaledAroundTheMiddleAndTruncated) {
    // 8-bit peak (192 - 128) * 256 = 16384, so the gain is 32767 / 16384 at 100 %.
    settings_.NormalizeTo = 100;
    const Bytes audio{192, 64, 128, 130, 127, 129};
    const std::string path = write(WaveOf(audio, 1, 22050, 8));
    EXPECT_EQ(SimpleNormalize(path, settings_, std::nullopt).code, Modified);
    const Bytes file = ReadAll(path);
    EXPECT_EQ(Bytes(file.begin() + 44, file.end()), (Bytes{255, 0, 128, 131, 126, 129}));
}

TEST_F(SimpleNormalizeTest, PeakInsideTheLimitsLeavesTheFileAlone) {
    settings_.NormalizeLimit = true;
    settings_.NormalizeLow = 92;
    settings_.NormalizeHigh = 99;
    struct Case {
        int peak;
        int code;
    };
    // 31129 is 95 %, 29000 is 88.5 %, 32700 is 99.8 %.
    for (const Case c : {Case{31129, Unchanged}, Case{29000, Modified}, Case{32700, Modified}}) {
        const Bytes original = WaveOf(Samples16({c.peak, -100, 50, 7}));
        const std::string path = write(original);
        const NormalizeOutcome outcome = SimpleNormalize(path, settings_, std::nullopt);
        EXPECT_EQ(outcome.code, c.code) << c.peak;
        EXPECT_EQ(ReadAll(path) == original, c.code == Unchanged) << c.peak;
        EXPECT_NEAR(outcome.statistics.oldPeak, c.peak / 327.67, 1e-9);
    }
}

TEST_F(SimpleNormalizeTest, TheGrabPassesTheRipsPeakInsteadOfAScan) {
    settings_.NormalizeTo = 50;
    // The rip found 32767 / -32768 (gain 0.5) though the file's own peak is 1000.
    const std::string path = write(WaveOf(Samples16({1000, -1000, 3, -3})));
    const NormalizeOutcome outcome =
        NormalizeWaveFile(path, 0, settings_, PeakLevels{32767, -32768});
    EXPECT_EQ(outcome.code, Modified);
    EXPECT_EQ(AudioSamples(path), (std::vector<int>{500, -500, 2, -2}));
    EXPECT_NEAR(outcome.statistics.newPeak, 500 / 327.67, 1e-9);

    // Source 1 scans the file: its peak 500 goes to 50 % of full scale.
    EXPECT_EQ(NormalizeWaveFile(path, 1, settings_, PeakLevels{32767, -32768}).code, Modified);
    EXPECT_EQ(AudioSamples(path), (std::vector<int>{16384, -16384, 66, -66}));
}

TEST_F(SimpleNormalizeTest, ScanPeakFindsTheExtremesAndReportsProgress) {
    std::vector<int> samples(70000, 5);
    samples[123] = 20000;
    samples[65000] = -31000;
    const std::string path = write(WaveOf(Samples16(samples)));
    RecordingProgress progress;
    const ScanPeakResult scan = ScanPeak(path, {&progress, {}, nullptr, 1, 1});
    EXPECT_EQ(scan.code, 1);
    EXPECT_EQ(scan.peak.largest, 20000);
    EXPECT_EQ(scan.peak.smallest, -31000);
    EXPECT_EQ(progress.progressCalls, 3);  // pieces of 30,000 samples
    EXPECT_EQ(progress.lastPercent, 100);
    EXPECT_EQ(progress.lastLevel, 31000);

    EXPECT_EQ(ScanPeak(dir_.file("missing.wav")).code, -2);
}

TEST_F(SimpleNormalizeTest, ShowsItsStagesAndTheConditionLine) {
    settings_.NormalizeLimit = true;
    const std::string path = write(WaveOf(Samples16({1000, -1000})));
    RecordingProgress progress;
    SimpleNormalize(path, settings_, std::nullopt, {&progress, {}, nullptr, 2, 3});
    EXPECT_EQ(progress.stages, (std::vector{NormalizeProgress::Stage::FindingPeak,
                                            NormalizeProgress::Stage::Normalizing}));
    EXPECT_EQ(progress.lastName, "song.wav");
    EXPECT_EQ(progress.lastIndex, 2);
    EXPECT_EQ(progress.lastCount, 3);
    EXPECT_EQ(progress.descriptionKey, "Norm1Rip");
    EXPECT_EQ(progress.descriptionNumbers, (std::vector<int>{98, 91, 99}));
}

TEST_F(SimpleNormalizeTest, KeepsTheTagBlockBehindTheAudio) {
    settings_.NormalizeTo = 50;
    const Bytes tail{'P', 'l', 'a', 't', 't', 'e', 'r', 's', 'c',
                     'o', 'o', 'p', 'T', 'A', 'G', 0,   'x'};
    const std::string path = write(Concat({WaveOf(Samples16({32767, -32768})), tail}));
    EXPECT_EQ(SimpleNormalize(path, settings_, std::nullopt).code, Modified);
    const Bytes file = ReadAll(path);
    ASSERT_EQ(file.size(), 44u + 4 + tail.size());
    EXPECT_EQ(GetSample(Bytes(file.begin() + 44, file.begin() + 48), 0), 16384);
    EXPECT_EQ(Bytes(file.begin() + 48, file.end()), tail);
}

}  // namespace
}  // namespace ps::test
