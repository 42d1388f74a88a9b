#include <gtest/gtest.h>

#include "app/settings.h"
#include "audio/normalize_fixtures.h"
#include "support/fake_clock.h"

namespace ps::test {
namespace {

using namespace normalize_result;

// An analysis of the given block peaks (file order), without a file.
AdvancedAnalysis AnalysisOf(const std::vector<int>& peaks, int trackPeak = -1,
                            bool negative = false) {
    AdvancedAnalysis a;
    for (int p : peaks) {
        a.blockPeaks.push_back(static_cast<std::uint16_t>(p));
    }
    a.realBlocks = peaks.size();
    a.sorted = a.blockPeaks;
    std::sort(a.sorted.begin(), a.sorted.end());
    a.trackPeak = trackPeak >= 0 ? trackPeak : a.sorted.back();
    a.negativePeak = negative;
    ComputeLevels(a);
    return a;
}

AdvancedParameters PeakMode(int target, int when = 0, int compression = 0) {
    AdvancedParameters p;
    p.normalizing = true;
    p.peakTarget = target;
    p.compressionWhen = when;
    p.compression = compression;
    return p;
}

AdvancedParameters AverageMode(int target, int when, int compression = 0) {
    AdvancedParameters p;
    p.normalizing = true;
    p.averageMode = true;
    p.averageTarget = target;
    p.compressionWhen = when;
    p.compression = compression;
    return p;
}

TEST(AdvancedParametersTest, ComeFromTheStoredSettings) {
    Settings s;
    s.UseNormalizing = true;
    s.PeakOrAverage = "AVERAGE";
    s.DesiredAverage = 40;
    s.NormalizeTo = 95;
    s.NormalizeLimit = true;
    s.AverageCondition = false;
    s.CompressionWhen = "NEVER";
    s.MaximumCompressWith = 70;
    s.CompressCondition = false;
    AdvancedParameters p = ParametersFromSettings(s);
    EXPECT_EQ(p.peakTarget, 0);
    EXPECT_EQ(p.averageTarget, 40);
    ASSERT_TRUE(p.peakCondition.has_value());
    EXPECT_EQ(p.peakCondition->low, 91);
    EXPECT_EQ(p.peakCondition->high, 99);
    EXPECT_FALSE(p.averageCondition.has_value());
    EXPECT_EQ(p.compression, 0);
    EXPECT_EQ(p.compressLimit, 100);

    s.UseNormalizing = false;
    s.CompressionWhen = "ALWAYS";
    s.CompressCondition = true;
    p = ParametersFromSettings(s);
    EXPECT_EQ(p.averageTarget, 0);
    EXPECT_FALSE(p.peakCondition.has_value());
    EXPECT_EQ(p.compression, 70);
    EXPECT_EQ(p.compressLimit, 80);
}

TEST(AdvancedModeTest, TableOfModesAndTheirLines) {
    struct Row {
        bool normalizing;
        bool average;
        int when;
        int mode;
        const char* key;
        std::vector<int> numbers;
    };
    const Row rows[] = {
        {true, true, 1, 1, "Capt1Norm", {40, 60}}, {true, true, 2, 2, "Capt2Norm", {40, 60}},
        {true, true, 0, 3, "Capt3Norm", {40}},     {true, false, 0, 4, "Capt4Norm", {98}},
        {true, false, 2, 4, "Capt4Norm", {98}},    {true, false, 1, 5, "Capt5Norm", {98, 60}},
        {false, false, 0, 6, "Capt6Norm", {}},     {false, true, 2, 6, "Capt6Norm", {}},
        {false, false, 1, 7, "Capt7Norm", {60}},
    };
    for (const Row& r : rows) {
        AdvancedParameters p;
        p.normalizing = r.normalizing;
        p.averageMode = r.average;
        p.compressionWhen = r.when;
        p.peakTarget = 98;
        p.averageTarget = 40;
        p.compression = 60;
        EXPECT_EQ(AdvancedMode(p), r.mode) << r.key;
        const ModeDescription d = DescribeMode(p);
        EXPECT_STREQ(d.key, r.key);
        EXPECT_EQ(d.numbers, r.numbers) << r.key;
    }
}

TEST(AdvancedLevelsTest, AverageDeviationAndCompactRatioOfTheLoudestNinetyPercent) {
    // Ten blocks: the reference set is the loudest nine, 2000..10000.
    const AdvancedAnalysis a =
        AnalysisOf({5000, 1000, 3000, 2000, 4000, 6000, 8000, 7000, 9000, 10000});
    EXPECT_EQ(ReferenceStart(10), 1u);
    EXPECT_EQ(ReferenceStart(2), 1u);
    EXPECT_EQ(ReferenceStart(25), 3u);
    EXPECT_EQ(a.average, 6000);
    EXPECT_EQ(a.deviation, 2222);  // 20000 / 9
    EXPECT_NEAR(a.compactRatio, 100 - 2222 * 100.0 / 6000, 1e-9);
    EXPECT_EQ(AnalysisOf({0, 0}).compactRatio, 0);
}

TEST(AdvancedLevelsTest, CompressionFactorLiftsQuietBlocks) {
    EXPECT_DOUBLE_EQ(CompressionFactor(50, 30000, 15000), 1.25);
    EXPECT_DOUBLE_EQ(CompressionFactor(50, 30000, 30000), 1.0);
    EXPECT_DOUBLE_EQ(CompressionFactor(50, 30000, 0), 1.5);
    EXPECT_DOUBLE_EQ(CompressionFactor(50, 0, 0), 1.0);
}

TEST(AdvancedPlanTest, PeakModeSetsTheGainAndTheNewValues) {
    const AdvancedAnalysis a =
        AnalysisOf({5000, 1000, 3000, 2000, 4000, 6000, 8000, 7000, 9000, 10000});
    const AdvancedPlan plan = PlanChange(a, PeakMode(98, 2, 60));
    EXPECT_EQ(plan.mode, 4);
    EXPECT_NEAR(plan.gain, 0.98 * 32767 / 10000, 1e-9);
    EXPECT_EQ(plan.compression, 0);
    const NormalizeStatistics& s = plan.statistics;
    EXPECT_TRUE(s.levelsKnown);
    EXPECT_NEAR(s.oldPeak, 10000 / 327.67, 1e-9);
    EXPECT_NEAR(s.oldAverage, 6000 / 327.67, 1e-9);
    // 10000 * 3.211166 = 32111.66, truncated, shown one up.
    EXPECT_NEAR(s.newPeak, 32112 / 327.67, 1e-9);
    EXPECT_NEAR(s.newAverage, 6000 * plan.gain / 327.67, 0.01);
    EXPECT_NEAR(s.newCompactRatio, s.oldCompactRatio, 0.05);

    // Peak 32768 on the negative side: full scale is 32768.
    const AdvancedPlan negative = PlanChange(AnalysisOf({32767, 32767}, 32768, true), PeakMode(50));
    EXPECT_DOUBLE_EQ(negative.gain, 0.5);
}

TEST(AdvancedPlanTest, AverageModeGainIsKeptUnderFullScale) {
    // Average 20 % (6553), peak 80 % (26214), target 40 %: gain 2 would clip, 1.25 does not.
    std::vector<int> peaks(10, 6553);
    const AdvancedAnalysis a = AnalysisOf(peaks, 26214);
    const AdvancedPlan plan = PlanChange(a, AverageMode(40, 0));
    EXPECT_EQ(plan.mode, 3);
    EXPECT_NEAR(plan.gain, 32767.0 / 26214, 1e-9);
    EXPECT_LE(a.trackPeak * plan.gain, 32767.0);
}

TEST(AdvancedPlanTest, ModeTwoSearchesTheCompressionThatReachesTheAverage) {
    // Eight quiet blocks and one at 80 %: the gain stops at 1.25, so the 45 % average needs
    // compression, somewhere below the allowed 100 %.
    std::vector<int> peaks(9, 6553);
    peaks.push_back(26214);
    const AdvancedAnalysis a = AnalysisOf(peaks);
    const AdvancedPlan plan = PlanChange(a, AverageMode(45, 2, 100));
    EXPECT_EQ(plan.mode, 2);
    EXPECT_NEAR(plan.gain, 32767.0 / 26214, 1e-9);
    EXPECT_GT(plan.compression, 0);
    EXPECT_LT(plan.compression, 100);
    EXPECT_NEAR(plan.statistics.newAverage, 45, 0.3);
    EXPECT_LE(plan.statistics.newPeak, 100.01);

    // A target the gain alone reaches needs no compression.
    const AdvancedPlan easy = PlanChange(a, AverageMode(20, 2, 100));
    EXPECT_EQ(easy.compression, 0);
    EXPECT_NEAR(easy.gain, 20 * 327.67 / a.average, 1e-9);
}

TEST(AdvancedPlanTest, ConditionsAndTheCompressLimitHoldChangesBack) {
    // 18 reference blocks at 850 and 1150 around 1000: deviation 150, compact ratio 85.
    std::vector<int> peaks{0, 0};
    for (int i = 0; i < 9; ++i) {
        peaks.push_back(850);
        peaks.push_back(1150);
    }
    const AdvancedAnalysis a = AnalysisOf(peaks);
    ASSERT_NEAR(a.compactRatio, 85, 1e-9);
    AdvancedParameters p = PeakMode(98, 1, 50);
    p.compressLimit = 80;
    EXPECT_EQ(PlanChange(a, p).compression, 0);
    p.compressLimit = 90;
    EXPECT_EQ(PlanChange(a, p).compression, 50);

    // The peak (1150 = 3.5 %) inside [3, 99]: no change at all.
    p.peakCondition = PercentRange{3, 99};
    AdvancedPlan plan = PlanChange(a, p);
    EXPECT_TRUE(plan.skipped);
    EXPECT_EQ(plan.gain, 1.0);
    EXPECT_EQ(plan.compression, 0);

    // An average inside its range leaves the file alone in the average modes too.
    for (int when : {0, 1, 2}) {
        AdvancedParameters avg = AverageMode(60, when, 50);
        avg.averageCondition = PercentRange{1, 10};  // 1000 is 3 %
        plan = PlanChange(a, avg);
        EXPECT_TRUE(plan.skipped) << when;
        EXPECT_EQ(plan.gain, 1.0) << when;
        EXPECT_EQ(plan.compression, 0) << when;
    }

    // Without normalizing: mode 6 changes nothing, mode 7 only compresses.
    AdvancedParameters off;
    off.compression = 40;
    EXPECT_EQ(PlanChange(a, off).gain, 1.0);
    EXPECT_EQ(PlanChange(a, off).compression, 0);
    off.compressionWhen = 1;
    EXPECT_EQ(PlanChange(a, off).gain, 1.0);
    EXPECT_EQ(PlanChange(a, off).compression, 40);
}

TEST(AdvancedPlanTest, SilentFileIsNeverScaledToNothing) {
    const AdvancedAnalysis a = AnalysisOf({0, 0, 0});
    for (int when : {0, 1, 2}) {
        const AdvancedPlan plan = PlanChange(a, AverageMode(50, when, 60));
        EXPECT_EQ(plan.gain, 1.0) << when;
        EXPECT_EQ(plan.compression, 0) << when;
    }
}

class AdvancedFileTest : public ::testing::Test {
  protected:
    std::string write(const std::vector<int>& samples, const std::string& name = "song.wav") {
        const std::string path = dir_.file(name);
        WriteAll(path, WaveOf(Samples16(samples)));
        return path;
    }
    TempDir dir_;
};

TEST_F(AdvancedFileTest, AnalysisOnlyFindsTheBlockPeaksAndLeavesTheFile) {
    std::vector<int> samples =
        BlocksWithPeaks({5000, 1000, 3000, 2000, 4000, 6000, 8000, 7000, 9000, 10000});
    samples[3] = -32768;      // block 0: counts as 32767 there, 32768 for the track
    samples.push_back(-200);  // a short eleventh block
    const std::string path = write(samples);
    const Bytes before = ReadAll(path);
    RecordingProgress progress;
    const AnalyseOutcome out =
        AnalyseAndModify(path, PeakMode(98), {false, false}, {&progress, {}, nullptr, 1, 1});
    EXPECT_EQ(out.code, Unchanged);
    EXPECT_EQ(ReadAll(path), before);
    const AdvancedAnalysis& a = out.analysis;
    EXPECT_EQ(a.realBlocks, 11u);
    EXPECT_EQ(a.blockPeaks, (std::vector<std::uint16_t>{32767, 1000, 3000, 2000, 4000, 6000, 8000,
                                                        7000, 9000, 10000, 200}));
    EXPECT_EQ(a.largest, 10000);
    EXPECT_EQ(a.smallest, -32768);
    EXPECT_EQ(a.trackPeak, 32768);
    EXPECT_TRUE(a.negativePeak);
    // Reference set: the loudest 9 of 11 (from 11 - 9 = 2 on): 2000..10000 without 5000,
    // and 32767.
    EXPECT_EQ(a.average, (49000 + 32767) / 9);
    EXPECT_EQ(progress.stages, std::vector{NormalizeProgress::Stage::CheckingLevels});
    EXPECT_EQ(progress.descriptionKey, "Capt4Norm");
    EXPECT_EQ(progress.newValuesCalls, 1);
    EXPECT_NEAR(progress.shownValues.oldPeak, 32768 / 327.67, 1e-9);
    EXPECT_EQ(progress.lastLevel, 32768);
}

TEST_F(AdvancedFileTest, ShortFileGetsTwoBlockPeaks) {
    const AnalyseOutcome out = AnalyseAndModify(write({5000, -3, 7}), PeakMode(98), {});
    EXPECT_EQ(out.analysis.blockPeaks, (std::vector<std::uint16_t>{5000, 0}));
    EXPECT_EQ(out.analysis.average, 5000);
    EXPECT_EQ(out.analysis.compactRatio, 100);
}

TEST_F(AdvancedFileTest, CompressionIsBlendedAcrossBlockEdges) {
    // Block 0 peaks at 15000 (factor 1.25 with C 50 and Pk 30000), block 1 at 30000 (1.0).
    std::vector<int> samples(2 * kBlockSamples, 0);
    samples[0] = 8000;
    samples[2] = -8000;
    samples[5880] = 15000;
    samples[11759] = 8000;
    samples[11760] = 8000;
    samples[11760 + 5880] = 30000;
    const std::string path = write(samples);
    AdvancedParameters p;  // mode 7: compression only
    p.compressionWhen = 1;
    p.compression = 50;
    const AnalyseOutcome out = AnalyseAndModify(path, p, {true, false});
    ASSERT_EQ(out.code, Modified);
    const std::vector<int> after = AudioSamples(path);
    EXPECT_EQ(after[0], 9000);  // edge of the first block: (1 + 1.25) / 2
    EXPECT_EQ(after[2], -9000);
    EXPECT_EQ(after[5880], 18750);  // centre: 1.25
    EXPECT_EQ(after[11759], 9000);  // both sides of the edge: 1.125
    EXPECT_EQ(after[11760], 9000);
    EXPECT_EQ(after[11760 + 5880], 30000);
    EXPECT_EQ(out.clippedSamples, 0);
}

TEST_F(AdvancedFileTest, BlendedFactorNeverLiftsASampleOverThePeak) {
    std::vector<int> samples(2 * kBlockSamples, 0);
    samples[11760] = 30000;
    samples[11761] = -30000;
    const std::string path = write(samples);
    AdvancedParameters p;
    p.compressionWhen = 1;
    p.compression = 100;
    const AnalyseOutcome out = AnalyseAndModify(path, p, {true, false});
    ASSERT_EQ(out.code, Modified);
    const std::vector<int> after = AudioSamples(path);
    EXPECT_EQ(after[11760], 30000);  // 30000 * 1.5 limited to the track peak
    EXPECT_EQ(after[11761], -30000);
    EXPECT_EQ(out.clippedSamples, 2);
}

TEST_F(AdvancedFileTest, OverviewHoldsEachChannelsRangePerColumn) {
    std::vector<int> samples;
    for (int c = 0; c < kOverviewColumns; ++c) {
        for (int f = 0; f < 2; ++f) {
            samples.push_back(c + f);
            samples.push_back(-c);
        }
    }
    const AnalyseOutcome out = AnalyseAndModify(write(samples), PeakMode(98), {false, true});
    ASSERT_EQ(out.analysis.overview.size(), static_cast<std::size_t>(kOverviewColumns));
    for (int c : {0, 1, 400, 789}) {
        const OverviewColumn& col = out.analysis.overview[static_cast<std::size_t>(c)];
        EXPECT_EQ(col.leftMin, c) << c;
        EXPECT_EQ(col.leftMax, c + 1) << c;
        EXPECT_EQ(col.rightMin, -c) << c;
        EXPECT_EQ(col.rightMax, -c) << c;
    }
}

TEST_F(AdvancedFileTest, NewFileTakesTheNextFreeNumber) {
    const std::string path = write({32767, -100, 3, 0});
    const Bytes before = ReadAll(path);
    WriteAll(dir_.file("song-1.wav"), {1, 2, 3});
    AdvancedParameters p = PeakMode(50);
    p.toNewFile = true;
    const AnalyseOutcome out = AnalyseAndModify(path, p, {true, false});
    ASSERT_EQ(out.code, Modified);
    EXPECT_EQ(out.outputPath, dir_.file("song-2.wav"));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(AudioSamples(out.outputPath), (std::vector<int>{16384, -50, 2, 0}));
    const Bytes written = ReadAll(out.outputPath);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 44, written.begin()));
    EXPECT_EQ(NewFileName(dir_.file("x.wav")), dir_.file("x-1.wav"));
}

TEST_F(AdvancedFileTest, GrabChangesInPlaceThroughTheEntryPoint) {
    Settings s;
    s.AdvancedNormalizing = true;
    s.UseNormalizing = true;
    s.PeakOrAverage = "PEAK";
    s.NormalizeTo = 50;
    s.CompressionWhen = "NEVER";
    s.NormalizeToNewFile = true;  // never for the grab
    const std::string path = write({32767, -100, 3, 0});
    const NormalizeOutcome out = NormalizeWaveFile(path, 0, s, PeakLevels{1, -1});
    EXPECT_EQ(out.code, Modified);
    EXPECT_EQ(AudioSamples(path), (std::vector<int>{16384, -50, 2, 0}));
    EXPECT_EQ(FilesIn(dir_), 1);
    EXPECT_TRUE(out.statistics.levelsKnown);

    // Nothing to change: gain 1 and no compression leave the file as it is.
    s.NormalizeTo = 100;
    const std::string full = write({32767, -32767, 5, 0}, "full.wav");
    EXPECT_EQ(NormalizeWaveFile(full, 1, s, std::nullopt).code, Unchanged);
}

TEST_F(AdvancedFileTest, LongPassesFeedTheComputerSpeed) {
    // 62 seconds of audio processed in 31 seconds: speed 2, so (200 + 500) / 2.
    class SlowModifying : public NormalizeProgress {
      public:
        explicit SlowModifying(FakeClock& clock) : clock_(clock) {}
        void stage(Stage s, const std::string&, int, int) override {
            if (s == Stage::Modifying) {
                clock_.advance(31000);
            }
        }

      private:
        FakeClock& clock_;
    };
    std::vector<int> samples(62 * 44100 * 2, 0);
    samples[1000] = 32767;
    const std::string path = write(samples);
    Settings s;
    s.AdvancedNormalizing = true;
    s.UseNormalizing = true;
    s.NormalizeTo = 50;
    s.CompressionWhen = "NEVER";
    FakeClock clock;
    SlowModifying progress(clock);
    const NormalizeContext context{&progress, {}, &clock, 1, 1};
    ASSERT_EQ(NormalizeWaveFile(path, 1, s, std::nullopt, context).code, Modified);
    EXPECT_EQ(s.ComputerSpeed, 350);

    s.LockTimeCalculation = true;
    s.NormalizeTo = 25;
    ASSERT_EQ(NormalizeWaveFile(path, 1, s, std::nullopt, context).code, Modified);
    EXPECT_EQ(s.ComputerSpeed, 350);

    // A minute or less of audio says too little about the speed.
    s.LockTimeCalculation = false;
    samples.resize(60 * 44100 * 2);
    ASSERT_EQ(NormalizeWaveFile(write(samples, "short.wav"), 1, s, std::nullopt, context).code,
              Modified);
    EXPECT_EQ(s.ComputerSpeed, 350);
}

TEST_F(AdvancedFileTest, FilesTheEnginesCannotTakeAreReportedAndLeftAlone) {
    const std::string rate = dir_.file("rate.wav");
    WriteAll(rate, WaveOf(Samples16({1, 2, 3, 4}), 2, 22050, 16));
    const std::string stub = dir_.file("stub.wav");
    WriteAll(stub, Bytes(10, 0));
    const std::string deep = dir_.file("deep.wav");
    WriteAll(deep, WaveOf(Bytes(12, 0), 2, 44100, 24));
    const std::string noData = dir_.file("nodata.wav");
    Bytes header = WaveOf({});
    header[36] = 'x';
    WriteAll(noData, header);

    struct Case {
        std::string path;
        int code;
        const char* key;
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {rate, NotValid, "InvalidFileMsg", {rate, "stereo,", "16 bit,", "22050 Hz"}},
        {stub, NotValid, "NotValid2Wav", {stub}},
        {noData, NotValid, "NotValid2Wav", {noData}},
        {deep, NotValid, "InvalidFileMsg", {deep, "stereo,", "24 bit,", "44100 Hz"}},
        {dir_.file("missing.wav"), NotFound, "FileNotFound", {dir_.file("missing.wav")}},
        {dir_.path().string(), NotFound, "CantOpenNorm", {dir_.path().string()}},
    };
    for (const Case& c : cases) {
        const bool isFile = std::filesystem::is_regular_file(c.path);
        const Bytes before = isFile ? ReadAll(c.path) : Bytes{};
        const AnalyseOutcome out = AnalyseAndModify(c.path, PeakMode(98), {true, false});
        EXPECT_EQ(out.code, c.code) << c.path;
        EXPECT_STREQ(out.message.key, c.key) << c.path;
        EXPECT_EQ(out.message.arguments, c.arguments) << c.path;
        if (c.code == NotValid) {
            EXPECT_STREQ(out.message.titleKey, "InvalidFileTitle");
        }
        EXPECT_EQ(isFile ? ReadAll(c.path) : Bytes{}, before);
    }

    // The simple engine takes the 22050 Hz file but not a 24-bit one.
    Settings s;
    EXPECT_EQ(SimpleNormalize(rate, s, std::nullopt).code, Modified);
    const NormalizeOutcome simple = SimpleNormalize(deep, s, std::nullopt);
    EXPECT_EQ(simple.code, NotValid);
    EXPECT_STREQ(simple.message.key, "UnsupportedNorm");
    EXPECT_STREQ(simple.message.titleKey, "InvalidNorm");
    EXPECT_STREQ(SimpleNormalize(dir_.file("missing.wav"), s, std::nullopt).message.key,
                 "CantOpenNorm");
}

}  // namespace
}  // namespace ps::test
