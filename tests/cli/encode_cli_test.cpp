#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/track_tag.h"
#include "support/cli_run.h"
#include "support/tone_wave.h"

namespace ps {
namespace {

namespace fs = std::filesystem;
using test::CliHome;
using test::runCli;

constexpr std::size_t kTagSize = 128;

// A CD-format wave file of one second of a tone.
void WriteTone(const fs::path& path) {
    test::writeToneWave(path, 44100, 12000, 0.0627);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> ReadLines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class EncodeCli : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(out);
        fs::create_directories(home.path() / "bin");
        fs::create_symlink(PS_TEST_DATA_DIR "/fake_encoder.sh", home.path() / "bin" / "lame");
        WriteTone(input);
    }
    // The command with the fake encoder (in `mode`) or another encoder.
    test::CliRun Encode(const std::string& file, const std::string& mode = "",
                        const std::string& encoder = "") {
        const std::string program =
            encoder.empty() ? (home.path() / "bin" / "lame").string() : encoder;
        return runCli(home,
                      "FAKE_ENCODER_LOG='" + log.string() + "' FAKE_ENCODER_MODE='" + mode + "'",
                      "encode --json '" + file + "' --set L3encFilename=" + program +
                          " --set DestinationDirectory=" + out.string() +
                          " --set UseID3Tag=true --set L3encBitrate=112000",
                      false);
    }

    CliHome home;
    fs::path out = home.path() / "out";
    fs::path input = home.path() / "Tone.wav";
    fs::path log = home.path() / "args.txt";
};

TEST_F(EncodeCli, FakeEncoderOutputIsTaggedAndNamedAfterTheInput) {
    const auto run = Encode(input.string());
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "{\"file\":\"" + input.string() + "\",\"started\":true,\"output\":\"" +
                              (out / "Tone.mp3").string() + "\",\"tag_written\":true}\n");
    const std::vector<std::string> expected = {input.string(), (out / "temp.mp3").string(), "-b",
                                               "112"};
    EXPECT_EQ(ReadLines(log), expected);
    const std::string mp3 = ReadFile(out / "Tone.mp3");
    ASSERT_GT(mp3.size(), kTagSize);
    EXPECT_EQ(mp3.compare(0, 18, "encoded audio data"), 0);
    EXPECT_EQ(mp3.substr(mp3.size() - kTagSize, 8), std::string("TAGTone\0", 8));
    EXPECT_FALSE(fs::exists(out / "temp.mp3"));
    EXPECT_TRUE(fs::exists(input));  // a chosen file is never deleted
}

// A wave the grab stored with its track tag block: the block gives the tag and the name.
TEST_F(EncodeCli, AGrabbedWaveTakesItsTagAndNameFromItsTrackTagBlock) {
    TrackTagFields fields;
    fields.title = "Morning Tones";
    fields.artist = "Band";
    const std::string block = BuildTrackTag(fields, 0, "Band - Morning Tones", {});
    std::ofstream(input, std::ios::binary | std::ios::app) << block;

    const auto run = Encode(input.string());
    ASSERT_EQ(run.status, 0) << run.output;
    const fs::path named = out / "Band - Morning Tones.mp3";
    EXPECT_NE(run.output.find("\"output\":\"" + named.string() + "\""), std::string::npos)
        << run.output;
    const std::string mp3 = ReadFile(named);
    ASSERT_GT(mp3.size(), kTagSize);
    EXPECT_EQ(mp3.substr(mp3.size() - kTagSize, 16), std::string("TAGMorning Tones"));
    EXPECT_EQ(mp3.substr(mp3.size() - kTagSize + 33, 4), "Band");
}

TEST_F(EncodeCli, FailuresAreReportedWithExitStatusOne) {
    struct Case {
        const char* name;
        std::string file;
        std::string mode;
        std::string encoder;
        std::string message;
    };
    const fs::path text = home.path() / "notes.wav";
    std::ofstream(text) << "not a wave file";
    const std::vector<Case> cases = {
        {"no output", input.string(), "nooutput", "", "wrote no output"},
        {"encoder fails", input.string(), "fail", "", "the encoder failed"},
        {"missing input", (home.path() / "none.wav").string(), "", "", "Could not open"},
        {"not a wave", text.string(), "", "", "is not a supported wav file"},
        {"no encoder", input.string(), "", (home.path() / "bin" / "nothing").string(),
         "Could not start:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = Encode(c.file, c.mode, c.encoder);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
    }
}

TEST_F(EncodeCli, RealLameMakesAnMpegFileWithTheTagAtItsEnd) {
    if (!fs::exists("/usr/bin/lame")) {
        GTEST_SKIP() << "lame is not installed";
    }
    const auto run = Encode(input.string(), "", "/usr/bin/lame");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string mp3 = ReadFile(out / "Tone.mp3");
    ASSERT_GT(mp3.size(), 1000u);
    const auto b0 = static_cast<unsigned char>(mp3[0]);
    const auto b1 = static_cast<unsigned char>(mp3[1]);
    const bool frameSync = b0 == 0xFF && (b1 & 0xE0) == 0xE0;
    EXPECT_TRUE(frameSync || mp3.compare(0, 3, "ID3") == 0);
    EXPECT_EQ(mp3.substr(mp3.size() - kTagSize, 8), std::string("TAGTone\0", 8));
}

}  // namespace
}  // namespace ps
