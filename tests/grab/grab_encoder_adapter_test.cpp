#include "encode/grab_encoder_adapter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "grab/output_store.h"
#include "platform/linux/process_linux.h"
#include "support/grab_doubles.h"
#include "tags/id3_tag.h"

namespace ps {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Args = std::vector<std::string>;

Args ReadLines(const fs::path& path) {
    std::ifstream in(path);
    Args lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A grab job over the scripted drive whose encoder is the adapter, running the fake
// encoder under the name "lame" (so it gets LAME's argument conventions).
class GrabEncoderAdapterTest : public test::GrabRig {
  protected:
    void SetUp() override {
        GrabRig::SetUp();
        fs::create_directories(root_ / "bin");
        fs::create_symlink(PS_TEST_DATA_DIR "/fake_encoder.sh", root_ / "bin" / "lame");
        setenv("FAKE_ENCODER_LOG", Log().c_str(), 1);
        setenv("FAKE_ENCODER_MODE", "", 1);
        settings.L3encFilename = (root_ / "bin" / "lame").string();
        settings.L3encBitrate = 112000;
        settings.UseL3enc = true;
        settings.UseID3Tag = true;
        settings.ID3AppendChecksum = true;
        settings.ID3Year = "1999";
        settings.ID3Genre = 17;
        adapter.setSettleDelay(std::chrono::milliseconds(0));
        adapter.attach(&ui, {});
    }
    void TearDown() override {
        unsetenv("FAKE_ENCODER_LOG");
        unsetenv("FAKE_ENCODER_MODE");
        GrabRig::TearDown();
    }

    std::string Log() const { return (root_ / "args.txt").string(); }
    std::string D(const std::string& name) const { return (Dest() / name).string(); }

    GrabOutcome RunJob(std::function<void()> pump = {}) {
        GrabJobParts parts{settings,        disc, *readMethod, texts,          files, clock,
                           std::move(pump), ui,   discCheck,   Home().string()};
        parts.encoder = &adapter;
        GrabJob job(parts);
        return job.run(GrabMode::Grab);
    }

    // The names below the destination, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(Dest())) {
            if (entry.is_regular_file()) {
                names.push_back(fs::relative(entry.path(), Dest()).string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The ID3 tag the completion should have appended for a track of the rig's disc.
    std::string ExpectedTag(int track) const {
        TrackTagFields fields;
        fields.title = "Song " + std::to_string(track);
        fields.artist = "Band";
        fields.album = "Live";
        fields.year = "1999";
        fields.genre = 17;
        Id3TagSource source;
        source.useID3Tag = true;
        source.appendChecksum = true;
        source.checksum = disc.tracks[static_cast<std::size_t>(track)].results.checksum;
        const auto tag = BuildId3Tag(fields, source);
        return {tag.begin(), tag.end()};
    }

    LinuxProcessLauncher launcher;
    GrabEncoderAdapter adapter{settings, disc, files, launcher, texts};
};

TEST_F(GrabEncoderAdapterTest, RippedTracksAreEncodedTaggedAndStoredUnderTheirNames) {
    for (const bool deleteWave : {true, false}) {
        SCOPED_TRACE(deleteWave ? "DeleteWave" : "keep the wave");
        for (const auto& entry : fs::directory_iterator(Dest())) {
            fs::remove_all(entry.path());
        }
        settings.DeleteWave = deleteWave;

        ASSERT_EQ(RunJob(), GrabOutcome::Completed);

        // The last run's exact argument vector and working directory.
        EXPECT_THAT(ReadLines(Log()), ElementsAre(D("temp.wav"), D("temp.mp3"), "-b", "112"));
        EXPECT_THAT(ReadLines(Log() + ".cwd"), ElementsAre((root_ / "bin").string()));
        if (deleteWave) {
            EXPECT_THAT(Names(),
                        ElementsAre("Band - Song 1.mp3", "Band - Song 2.mp3", "Band - Song 3.mp3"));
        } else {
            EXPECT_THAT(Names(),
                        ElementsAre("Band - Song 1.mp3", "Band - Song 1.wav", "Band - Song 2.mp3",
                                    "Band - Song 2.wav", "Band - Song 3.mp3", "Band - Song 3.wav"));
        }
        for (int track = 1; track <= 3; ++track) {
            const TrackCopyResults& results = disc.tracks[static_cast<std::size_t>(track)].results;
            EXPECT_EQ(results.compressedStoreCode, kStoredUnderPlainName);
            EXPECT_EQ(results.waveStoreCode, deleteWave ? 0 : kStoredUnderPlainName);
            const std::string mp3 =
                Read(Dest() / ("Band - Song " + std::to_string(track) + ".mp3"));
            ASSERT_GT(mp3.size(), kId3TagSize);
            EXPECT_EQ(mp3.substr(0, 18), "encoded audio data");
            EXPECT_EQ(mp3.substr(mp3.size() - kId3TagSize), ExpectedTag(track));
        }
        ASSERT_TRUE(adapter.session().result().has_value());
        EXPECT_EQ(adapter.session().result()->outputPath, D("Band - Song 3.mp3"));
        EXPECT_FALSE(adapter.completionTimerActive());
    }
}

TEST_F(GrabEncoderAdapterTest, SecondPhaseEncodesTheStoredWavesAndTheJobDeletesThem) {
    settings.RipAllTracksBeforeEncoding = true;
    settings.DeleteWave = true;
    disc.rows = {3, 1, 2};

    ASSERT_EQ(RunJob(), GrabOutcome::Completed);

    EXPECT_THAT(ReadLines(Log()), ElementsAre(D("Band - Song 2.wav"), D("temp.mp3"), "-b", "112"));
    EXPECT_THAT(Names(),
                ElementsAre("Band - Song 1.mp3", "Band - Song 2.mp3", "Band - Song 3.mp3"));
    const std::string mp3 = Read(Dest() / "Band - Song 1.mp3");
    ASSERT_GT(mp3.size(), kId3TagSize);
    EXPECT_EQ(mp3.substr(mp3.size() - kId3TagSize), ExpectedTag(1));
}

TEST_F(GrabEncoderAdapterTest, AnEncoderThatCannotStartIsReportedAndTheWaveKept) {
    settings.L3encFilename = (root_ / "bin" / "missing-lame").string();
    disc.tracks[2].selected = disc.tracks[3].selected = false;
    // The wave is the only copy of the track: DeleteWave must not lose it.
    for (const bool deleteWave : {false, true}) {
        SCOPED_TRACE(deleteWave ? "DeleteWave" : "keep the wave");
        fs::remove_all(Dest());
        fs::create_directories(Dest());
        ui.messages.clear();
        settings.DeleteWave = deleteWave;

        ASSERT_EQ(RunJob(), GrabOutcome::Completed);

        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_THAT(ui.messages[0].text, HasSubstr("Could not start:\n" + settings.L3encFilename));
        EXPECT_EQ(ui.messages[0].title, "Platterscoop");
        EXPECT_THAT(Names(), ElementsAre("Band - Song 1.wav"));
        EXPECT_EQ(disc.tracks[1].results.waveStoreCode, kStoredUnderPlainName);
    }
}

TEST_F(GrabEncoderAdapterTest, AbortingTheWaitKillsTheEncoderAndStoresNothing) {
    setenv("FAKE_ENCODER_MODE", "sleep", 1);
    disc.tracks[2].selected = disc.tracks[3].selected = false;
    int polls = 0;
    const auto started = std::chrono::steady_clock::now();

    EXPECT_EQ(RunJob([&] {
                  if (adapter.session().pending() && ++polls == 5) {
                      ui.abortAll = true;
                  }
              }),
              GrabOutcome::Aborted);

    // The fake encoder sleeps a minute unless it is killed.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_FALSE(adapter.session().pending());
    ASSERT_TRUE(adapter.session().result().has_value());
    EXPECT_TRUE(adapter.session().result()->aborted);
    EXPECT_THAT(Names(), IsEmpty());
}

TEST_F(GrabEncoderAdapterTest, InternalCodecOrNoEncoderStartsNothing) {
    GrabEncodeRequest request;
    request.wavePath = D("temp.wav");
    settings.InternalCodec = true;
    EXPECT_EQ(adapter.startEncoding(request), encoder_start::kNotStarted);
    settings.InternalCodec = false;
    settings.L3encFilename.clear();
    EXPECT_EQ(adapter.startEncoding(request), encoder_start::kNotStarted);
    EXPECT_FALSE(fs::exists(Log()));
    EXPECT_THAT(ui.messages, IsEmpty());
}

}  // namespace
}  // namespace ps
