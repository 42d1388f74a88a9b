#include "encode/external_encoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/settings.h"
#include "audio/audio_fixtures.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/process_linux.h"

namespace ps {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using test::Bytes;

Args ReadLines(const std::string& path) {
    std::ifstream in(path);
    Args lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string ReadText(const std::string& path) {
    const Bytes bytes = test::ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

// The fake encoder under the names of the three families, a destination directory,
// and the log the encoder writes its arguments to.
class ExternalEncoderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir_.path() / "bin");
        fs::create_directories(dir_.path() / "rips");
        fs::create_directories(dir_.path() / "in");
        for (const char* name : {"l3enc", "MP3ENC31.EXE", "lame"}) {
            fs::create_symlink(PS_TEST_DATA_DIR "/fake_encoder.sh", dir_.path() / "bin" / name);
        }
        setenv("FAKE_ENCODER_LOG", log().c_str(), 1);
        Mode("");
        settings_.L3encFilename = encoder("l3enc");
        settings_.L3encBitrate = 112000;
        settings_.DestinationDirectory = dir_.file("rips");
        fields_.title = "Song";
        fields_.artist = "Artist";
        fields_.album = "Album";
        fields_.genre = 17;
    }
    void TearDown() override {
        unsetenv("FAKE_ENCODER_LOG");
        unsetenv("FAKE_ENCODER_MODE");
    }

    static void Mode(const char* mode) { setenv("FAKE_ENCODER_MODE", mode, 1); }
    std::string encoder(const std::string& name) const { return dir_.file("bin/" + name); }
    std::string log() const { return dir_.file("args.txt"); }
    std::string rips(const std::string& name) const { return dir_.file("rips/" + name); }

    // Starts the job and waits, bounded, for the encoder to end.
    bool Run(EncoderJob& job) {
        if (StartExternalEncode(watcher_, job, [] {}) != EncodeStart::Started) {
            return false;
        }
        return WaitForEnd(std::chrono::seconds(10));
    }
    bool WaitForEnd(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (watcher_.running()) {
            if (std::chrono::steady_clock::now() > deadline) {
                watcher_.abort();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    EncodeCompletionContext Context() {
        EncodeCompletionContext context(settings_, fileSystem_, fields_);
        context.tagSource.useID3Tag = true;
        context.trackSectors = 1;
        context.settleDelay = std::chrono::milliseconds(0);
        context.moveToTrackFinalName = [this](const std::string& path) {
            movedFrom_ = path;
            return fileSystem_.moveWithoutReplace(path, rips("Artist - Song.mp3")) ==
                   MoveResult::Moved;
        };
        context.keepWave = [this] { ++waveKept_; };
        return context;
    }

    EncoderJob RippedTrackJob() {
        test::WriteAll(rips("temp.wav"), test::WaveBytes(test::Music(2)));
        return BuildEncoderJob(settings_, EncodeRequest{});
    }

    // A wave file chosen by the user, with or without the track tag block of a rip.
    EncoderJob ChosenFileJob(bool withBlock) {
        const std::string input = dir_.file("in/Song.wav");
        Bytes bytes = test::WaveBytes(test::Music(2));
        if (withBlock) {
            TrackTagFields blockFields;
            blockFields.title = "Block Title";
            const std::string block = BuildTrackTag(blockFields, 0, "Block Name", {});
            blockBody_ = block.substr(16, 125);
            bytes.insert(bytes.end(), block.begin(), block.end());
        }
        test::WriteAll(input, bytes);
        EncodeRequest request;
        request.kind = EncodeKind::ChosenFile;
        request.path = input;
        return BuildEncoderJob(settings_, request);
    }

    test::TempDir dir_;
    Settings settings_;
    TrackTagFields fields_;
    LinuxFileSystem fileSystem_;
    LinuxProcessLauncher launcher_;
    EncoderWatcher watcher_{launcher_};
    std::string movedFrom_;
    int waveKept_ = 0;
    std::string blockBody_;
};

TEST_F(ExternalEncoderTest, EachFamilyGetsExactlyItsArgumentVector) {
    settings_.L3encHQBit = true;
    settings_.L3CRCFlag = true;
    struct Case {
        std::string name;
        EncodeKind kind;
    };
    for (const Case& c :
         {Case{"l3enc", EncodeKind::RippedTrack}, Case{"l3enc", EncodeKind::ChosenFile},
          Case{"MP3ENC31.EXE", EncodeKind::RippedTrack},
          Case{"MP3ENC31.EXE", EncodeKind::ChosenFile}, Case{"lame", EncodeKind::RippedTrack},
          Case{"lame", EncodeKind::ChosenFile}}) {
        SCOPED_TRACE(c.name + " kind " + std::to_string(static_cast<int>(c.kind)));
        settings_.L3encFilename = encoder(c.name);
        EncoderJob job =
            c.kind == EncodeKind::RippedTrack ? RippedTrackJob() : ChosenFileJob(false);
        ASSERT_TRUE(Run(job));
        const Args expected(job.process.arguments.begin() + 1, job.process.arguments.end());
        EXPECT_EQ(ReadLines(log()), expected);
        EXPECT_EQ(ReadLines(log() + ".cwd"), Args{dir_.file("bin")});
        EXPECT_TRUE(fs::exists(job.outputPath));
        EXPECT_EQ(watcher_.exitStatus().state, ProcessStatus::State::Exited);
        fs::remove(job.outputPath);
    }
}

TEST_F(ExternalEncoderTest, HostileNamesStayInsideTheirArguments) {
    const std::string d = dir_.path().string();
    settings_.UseOwnL3encArguments = true;
    settings_.L3encArguments = "--ta %1 --tl %2 --tt %4 --tc \"%4 (%3)\" %4";
    const OwnArgumentValues cases[] = {
        {"$(touch " + d + "/p1)", "\"; touch " + d + "/p3 #", 3, "`touch " + d + "/p2`"},
        {"A; touch " + d + "/p4", "B' && touch " + d + "/p5 '", 4, "--delete-after"},
    };
    for (const auto& values : cases) {
        EncodeRequest request;
        request.values = values;
        test::WriteAll(rips("temp.wav"), test::WaveBytes(test::Music(1)));
        EncoderJob job = BuildEncoderJob(settings_, request);
        ASSERT_TRUE(Run(job));
        const std::string number = "0" + std::to_string(values.track);
        const Args expected = {rips("temp.wav"), rips("temp.mp3"),
                               "--ta",           values.artist,
                               "--tl",           values.album,
                               "--tt",           values.trackName,
                               "--tc",           values.trackName + " (" + number + ")",
                               values.trackName};
        EXPECT_EQ(ReadLines(log()), expected);
    }
    for (const char* name : {"p1", "p2", "p3", "p4", "p5"}) {
        EXPECT_FALSE(fs::exists(dir_.path() / name)) << name;
        EXPECT_FALSE(fs::exists(dir_.path() / "bin" / name)) << name;
    }
}

TEST_F(ExternalEncoderTest, RippedTrackIsTaggedMovedAndItsWaveDeleted) {
    settings_.DeleteWave = true;
    EncoderJob job = RippedTrackJob();
    const double speedBefore = settings_.EncodingSpeed[7];
    ASSERT_TRUE(Run(job));
    const std::size_t encodedSize = fs::file_size(job.outputPath);
    EncodeCompletionContext context = Context();
    const auto done = FinishExternalEncode(watcher_, job, context);
    ASSERT_TRUE(done.has_value());
    EXPECT_TRUE(done->outputFound);
    EXPECT_TRUE(done->tagWritten);
    EXPECT_TRUE(done->movedToFinalName);
    EXPECT_TRUE(done->waveDeleted);
    EXPECT_TRUE(done->statisticsUpdated);
    EXPECT_NE(settings_.EncodingSpeed[7], speedBefore);
    EXPECT_EQ(movedFrom_, rips("temp.mp3"));
    EXPECT_FALSE(fs::exists(rips("temp.wav")));
    EXPECT_EQ(waveKept_, 0);
    const std::string final = ReadText(rips("Artist - Song.mp3"));
    ASSERT_EQ(final.size(), encodedSize + kId3TagSize);
    Id3TagSource source;
    const auto tag = BuildId3Tag(fields_, source);
    EXPECT_EQ(final.substr(encodedSize), std::string(tag.begin(), tag.end()));
}

TEST_F(ExternalEncoderTest, WithoutOutputOrWithAFailedEncoderTheWaveIsKept) {
    settings_.DeleteWave = true;
    struct Case {
        const char* mode;
        bool outputFound;
    };
    for (const Case& c : {Case{"nooutput", false}, Case{"fail", true}}) {
        SCOPED_TRACE(c.mode);
        Mode(c.mode);
        waveKept_ = 0;
        movedFrom_.clear();
        fs::remove(rips("Artist - Song.mp3"));
        EncoderJob job = RippedTrackJob();
        ASSERT_TRUE(Run(job));
        EncodeCompletionContext context = Context();
        const auto done = FinishExternalEncode(watcher_, job, context);
        ASSERT_TRUE(done.has_value());
        EXPECT_EQ(done->outputFound, c.outputFound);
        EXPECT_EQ(done->movedToFinalName, c.outputFound);
        EXPECT_FALSE(done->waveDeleted);
        EXPECT_TRUE(fs::exists(rips("temp.wav")));
        EXPECT_EQ(waveKept_, 1);
    }
}

TEST_F(ExternalEncoderTest, ChosenFileWithATagBlockTakesItsTagAndFinalName) {
    EncoderJob job = ChosenFileJob(true);
    ASSERT_TRUE(Run(job));
    const std::size_t encodedSize = fs::file_size(job.outputPath);
    EncodeCompletionContext context = Context();
    const auto done = FinishExternalEncode(watcher_, job, context);
    ASSERT_TRUE(done.has_value());
    EXPECT_TRUE(done->movedToFinalName);
    const std::string final = ReadText(rips("Block Name.mp3"));
    ASSERT_EQ(final.size(), encodedSize + kId3TagSize);
    EXPECT_EQ(final.substr(encodedSize), "TAG" + blockBody_);
    EXPECT_TRUE(fs::exists(dir_.file("in/Song.wav")));  // the dropped file is not deleted here
}

TEST_F(ExternalEncoderTest, ChosenFileWithoutABlockGoesToTheTargetNameOrANumberedOne) {
    test::WriteAll(rips("Song.mp3"), Bytes{'o', 'l', 'd'});
    for (const char* expected : {"Song-1.mp3", "Song-2.mp3"}) {
        EncoderJob job = ChosenFileJob(false);
        ASSERT_TRUE(Run(job));
        EncodeCompletionContext context = Context();
        const auto done = FinishExternalEncode(watcher_, job, context);
        ASSERT_TRUE(done.has_value());
        EXPECT_EQ(done->outputPath, rips(expected));
        EXPECT_TRUE(fs::exists(rips(expected)));
    }
    EXPECT_EQ(ReadText(rips("Song.mp3")), "old");
}

TEST_F(ExternalEncoderTest, AnOlderFileBesideTheInputIsNotTakenForTheOutput) {
    Mode("nooutput");
    EncoderJob job = ChosenFileJob(false);
    test::WriteAll(job.besideInputPath, Bytes{'m', 'i', 'n', 'e'});
    ASSERT_TRUE(Run(job));
    EncodeCompletionContext context = Context();
    const auto done = FinishExternalEncode(watcher_, job, context);
    ASSERT_TRUE(done.has_value());
    EXPECT_FALSE(done->outputFound);
    EXPECT_EQ(ReadText(job.besideInputPath), "mine");
    EXPECT_FALSE(fs::exists(rips("Song.mp3")));
}

TEST_F(ExternalEncoderTest, AbortEndsARunningEncoderPromptly) {
    Mode("sleep");
    settings_.DeleteWave = true;
    EncoderJob job = RippedTrackJob();
    ASSERT_EQ(StartExternalEncode(watcher_, job, [] {}), EncodeStart::Started);
    EXPECT_TRUE(watcher_.running());
    EncodeCompletionContext context = Context();
    EXPECT_FALSE(FinishExternalEncode(watcher_, job, context).has_value());
    // Let the encoder get as far as its partial output.
    for (int i = 0; i < 400 && !fs::exists(job.outputPath); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto abortedAt = std::chrono::steady_clock::now();
    watcher_.abort();
    ASSERT_TRUE(WaitForEnd(std::chrono::seconds(3)));
    EXPECT_LT(std::chrono::steady_clock::now() - abortedAt, std::chrono::seconds(2));
    EXPECT_TRUE(watcher_.aborted());
    EXPECT_EQ(watcher_.exitStatus().state, ProcessStatus::State::Signalled);

    const auto done = FinishExternalEncode(watcher_, job, context);
    ASSERT_TRUE(done.has_value());
    EXPECT_TRUE(done->aborted);
    EXPECT_FALSE(done->outputFound);
    EXPECT_FALSE(fs::exists(job.outputPath));  // the partial output is gone
    EXPECT_TRUE(movedFrom_.empty());
    EXPECT_TRUE(fs::exists(rips("temp.wav")));
    EXPECT_EQ(waveKept_, 1);
}

TEST_F(ExternalEncoderTest, ALeftoverOutputIsRemovedButNeverTheInput) {
    Mode("nooutput");
    EncoderJob job = RippedTrackJob();
    test::WriteAll(job.outputPath, Bytes{'o', 'l', 'd'});
    ASSERT_TRUE(Run(job));
    EncodeCompletionContext context = Context();
    const auto done = FinishExternalEncode(watcher_, job, context);
    ASSERT_TRUE(done.has_value());
    EXPECT_FALSE(done->outputFound);  // the last run's temp.mp3 is not this track's
    EXPECT_TRUE(movedFrom_.empty());

    settings_.UseOwnExtension = true;
    settings_.OwnExtension = "wav";
    EncoderJob same = RippedTrackJob();
    ASSERT_EQ(same.outputPath, same.inputPath);
    ASSERT_TRUE(Run(same));
    EXPECT_TRUE(fs::exists(rips("temp.wav")));
}

TEST_F(ExternalEncoderTest, AnEncoderThatCannotStartIsReported) {
    settings_.L3encFilename = encoder("missing");
    EncoderJob job = BuildEncoderJob(settings_, EncodeRequest{});
    EXPECT_EQ(StartExternalEncode(watcher_, job, [] {}), EncodeStart::NotStarted);
    EXPECT_EQ(watcher_.startResult(), 0);
    EXPECT_FALSE(watcher_.running());
    EXPECT_FALSE(watcher_.startError().empty());
}

TEST(EncoderInput, OpenedAndAcceptedByTheWaveReader) {
    test::TempDir dir;
    EXPECT_EQ(CheckEncoderInput(dir.file("none.wav")), EncoderInputCheck::CouldNotOpen);
    test::WriteAll(dir.file("text.wav"), Bytes(100, 'x'));
    EXPECT_EQ(CheckEncoderInput(dir.file("text.wav")), EncoderInputCheck::NotValid);
    // A 22,050 Hz mono file goes to the external encoder as it is.
    WaveHeader header = WaveHeader::ForDataLength(4);
    header.channels = 1;
    header.sampleRate = 22050;
    const auto bytes = header.encode();
    test::WriteAll(dir.file("mono.wav"), Bytes(bytes.begin(), bytes.end()));
    EXPECT_EQ(CheckEncoderInput(dir.file("mono.wav")), EncoderInputCheck::Ok);
}

TEST(ChosenFileTagTitle, EditorTitleOnlyForASingleFile) {
    EXPECT_EQ(ChosenFileTagTitle("/in/Song.wav", 1, "Edited"), "Edited");
    EXPECT_EQ(ChosenFileTagTitle("/in/Song.wav", 2, "Edited"), "Song");
    EXPECT_EQ(ChosenFileTagTitle("/in/Song.wav", 1, ""), "Song");
    EXPECT_EQ(ChosenFileTagTitle("/in/abc", 1, ""), "abc");
}

}  // namespace
}  // namespace ps
