// A pass that fails or is stopped half-way must leave the original file exactly as it
// was, report the failure, and leave no stray files beside it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "app/settings.h"
#include "audio/normalize_fixtures.h"

namespace ps::test {
namespace {

using namespace normalize_result;
using Stage = NormalizeProgress::Stage;

// Many reads' worth of loud and quiet audio.
std::vector<int> LongAudio() {
    std::vector<int> samples(40 * kBlockSamples);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int>((i * 7919) % 20000) - 10000;
    }
    return samples;
}

// Files may grow only to `bytes` while it lives; writes beyond fail instead of
// ending the process.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        signal(SIGXFSZ, previousHandler_);
    }

  private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

class NormalizeSafetyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = dir_.file("song.wav");
        WriteAll(path_, WaveOf(Samples16(LongAudio())));
        original_ = ReadAll(path_);
        settings_.NormalizeTo = 50;
    }
    void expectUntouched() {
        EXPECT_EQ(ReadAll(path_), original_);
        EXPECT_EQ(FilesIn(dir_), 1);
    }
    AdvancedParameters compressing() const {
        AdvancedParameters p;
        p.normalizing = true;
        p.peakTarget = 90;
        p.compressionWhen = 1;
        p.compression = 60;
        return p;
    }
    TempDir dir_;
    std::string path_;
    Bytes original_;
    Settings settings_;
};

TEST_F(NormalizeSafetyTest, StopDuringTheSimplePassKeepsTheOriginal) {
    RecordingProgress progress;
    progress.stopInStage = Stage::Normalizing;
    progress.stopAfter = 1;
    const NormalizeOutcome out =
        SimpleNormalize(path_, settings_, std::nullopt, {&progress, {}, nullptr, 1, 1});
    EXPECT_EQ(out.code, Stopped);
    expectUntouched();
}

TEST_F(NormalizeSafetyTest, StopDuringTheScanChangesNothing) {
    RecordingProgress progress;
    progress.stopInStage = Stage::FindingPeak;
    progress.stopAfter = 1;
    EXPECT_EQ(SimpleNormalize(path_, settings_, std::nullopt, {&progress, {}, nullptr, 1, 1}).code,
              Stopped);
    expectUntouched();
}

TEST_F(NormalizeSafetyTest, StopDuringTheAdvancedPassKeepsTheOriginal) {
    for (bool toNewFile : {false, true}) {
        RecordingProgress progress;
        // Stops at the first progress of the modifying pass.
        progress.stopInStage = Stage::Modifying;
        progress.stopAfter = 1;
        AdvancedParameters p = compressing();
        p.toNewFile = toNewFile;
        const AnalyseOutcome out =
            AnalyseAndModify(path_, p, {true, false}, {&progress, {}, nullptr, 1, 1});
        EXPECT_EQ(out.code, Stopped) << toNewFile;
        EXPECT_EQ(progress.newValuesCalls, 1);
        EXPECT_EQ(progress.newValuesStage, Stage::CheckingLevels);
        expectUntouched();
    }
}

TEST_F(NormalizeSafetyTest, WriteFailureMidPassKeepsTheOriginal) {
    // Room for the header and some of the audio, not for the whole replacement.
    const auto limit = static_cast<rlim_t>(original_.size() / 2);
    for (int engine = 0; engine < 3; ++engine) {
        NormalizeOutcome out;
        {
            FileSizeLimit small(limit);
            if (engine == 0) {
                out = SimpleNormalize(path_, settings_, std::nullopt);
            } else {
                AdvancedParameters p = compressing();
                p.toNewFile = engine == 2;
                out = AnalyseAndModify(path_, p, {true, false});
            }
        }
        EXPECT_EQ(out.code, WriteFailed) << engine;
        EXPECT_STREQ(out.message.key, "NoDiskSpace") << engine;
        expectUntouched();
    }
}

TEST_F(NormalizeSafetyTest, SuccessfulPassReplacesTheFileAndKeepsItsPermissions) {
    namespace fs = std::filesystem;
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const AnalyseOutcome out = AnalyseAndModify(path_, compressing(), {true, false});
    EXPECT_EQ(out.code, Modified);
    EXPECT_NE(ReadAll(path_), original_);
    EXPECT_EQ(ReadAll(path_).size(), original_.size());
    EXPECT_EQ(FilesIn(dir_), 1);
    EXPECT_EQ(fs::status(path_).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(NormalizeSafetyTest, ThroughALinkTheLinkedFileChanges) {
    const std::string link = dir_.file("link.wav");
    std::filesystem::create_symlink(path_, link);
    EXPECT_EQ(SimpleNormalize(link, settings_, std::nullopt).code, Modified);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(ReadAll(path_), original_);
    EXPECT_EQ(FilesIn(dir_), 2);
}

TEST_F(NormalizeSafetyTest, PumpRunsDuringEveryPass) {
    int pumps = 0;
    NormalizeContext context{nullptr, [&] { ++pumps; }, nullptr, 1, 1};
    SimpleNormalize(path_, settings_, std::nullopt, context);
    const int simplePumps = pumps;
    EXPECT_GE(simplePumps, 2 * 15);  // 470,400 samples: 16 pieces to scan, 16 to scale
    AnalyseAndModify(path_, compressing(), {true, false}, context);
    EXPECT_GE(pumps - simplePumps, 2 * 5);  // 40 blocks, read several at a time
}

}  // namespace
}  // namespace ps::test
