#include "audio/file_tools.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

#include "audio/audio_texts.h"
#include "audio/track_tag.h"
#include "audio_fixtures.h"

namespace ps {
namespace {

using test::Bytes;

std::string ChecksumOf(const std::string& path) {
    return FileChecksumText(FileChecksum(path, nullptr, {}));
}

class FileChecksumTest : public ::testing::Test {
  protected:
    std::string Wave(const std::string& name, const Bytes& audio) {
        const std::string path = dir.file(name);
        test::WriteAll(path, test::WaveBytes(audio));
        return path;
    }
    test::TempDir dir;
    Bytes music = test::Music(30, 21);
};

TEST_F(FileChecksumTest, SilenceMarksAroundTheSameDigits) {
    const std::string both =
        ChecksumOf(Wave("a.wav", test::Concat({test::Silence(1), music, test::Silence(1)})));
    ASSERT_EQ(both.size(), 8u);
    EXPECT_EQ(ChecksumOf(Wave("b.wav", test::Concat({test::Silence(3), music, test::Silence(9)}))),
              both);
    EXPECT_EQ(ChecksumOf(Wave("c.wav", test::Concat({music, test::Silence(1)}))), "X" + both);
    EXPECT_EQ(ChecksumOf(Wave("d.wav", test::Concat({test::Silence(1), music}))), both + "X");
    EXPECT_EQ(ChecksumOf(Wave("e.wav", music)), "X" + both + "X");
}

TEST_F(FileChecksumTest, TrackTagBehindTheAudioIsNotCounted) {
    const std::string path =
        Wave("t.wav", test::Concat({test::Silence(1), music, test::Silence(1)}));
    const std::string before = ChecksumOf(path);
    ASSERT_TRUE(AppendTrackTag(path, {"Title", "Artist", "Album", "2001", "", 1}, 0, "x", {}));
    EXPECT_EQ(ChecksumOf(path), before);
}

TEST_F(FileChecksumTest, ErrorsAndEmptyAudio) {
    EXPECT_EQ(ChecksumOf(dir.file("missing.wav")), "File not found");
    EXPECT_EQ(ChecksumOf(dir.path().string()), "File not found");
    test::WriteAll(dir.file("short.wav"), Bytes(20, 0));
    EXPECT_EQ(ChecksumOf(dir.file("short.wav")), "File too short");
    EXPECT_EQ(ChecksumOf(Wave("header.wav", {})), "X00000000X");
    EXPECT_EQ(LoadedDiscText(0x0A1B2C), "A1B2C");
    EXPECT_EQ(LoadedDiscText(0), "UNKNOWN");
    // Whatever the header claims, the audio ends with the file.
    Bytes lying = test::WaveBytes(test::Concat({test::Silence(1), music}));
    for (int i = 40; i < 44; ++i) {
        lying[static_cast<std::size_t>(i)] = 0xFF;
    }
    test::WriteAll(dir.file("lying.wav"), lying);
    EXPECT_EQ(ChecksumOf(dir.file("lying.wav")),
              ChecksumOf(Wave("honest.wav", test::Concat({test::Silence(1), music}))));
}

class Stopper : public FileToolProgress {
  public:
    void progress(int percent) override { reports.push_back(percent); }
    bool stopRequested() override {
        return stopAfter >= 0 && static_cast<int>(reports.size()) > stopAfter;
    }
    std::vector<int> reports;
    int stopAfter = -1;
};

TEST_F(FileChecksumTest, ReportsProgressAndStopsWithoutResult) {
    const std::string path = Wave("p.wav", test::Music(300, 3));
    Stopper progress;
    int pumps = 0;
    FileChecksumResult result = FileChecksum(path, &progress, [&] { ++pumps; });
    EXPECT_EQ(result.status, FileChecksumStatus::Done);
    // One report per 101 weight cycles, then 100 %.
    EXPECT_EQ(progress.reports.size(), 300 * kSectorSamples / (101 * 256) + 1);
    EXPECT_EQ(pumps, static_cast<int>(progress.reports.size()) - 1);
    EXPECT_TRUE(std::is_sorted(progress.reports.begin(), progress.reports.end()));
    EXPECT_EQ(progress.reports.back(), 100);

    Stopper stopper;
    stopper.stopAfter = 2;
    result = FileChecksum(path, &stopper, {});
    EXPECT_EQ(result.status, FileChecksumStatus::Stopped);
    EXPECT_EQ(FileChecksumText(result), "");
}

class CompareTest : public ::testing::Test {
  protected:
    std::string Wave(const std::string& name, const Bytes& audio) {
        const std::string path = dir.file(name);
        test::WriteAll(path, test::WaveBytes(audio));
        return path;
    }
    test::TempDir dir;
    Bytes music = test::Music(60, 33);
};

TEST_F(CompareTest, RipsShiftedByOneSectorEitherWay) {
    const std::string early =
        Wave("early.wav", test::Concat({test::Silence(3), music, test::Silence(2)}));
    const std::string late =
        Wave("late.wav", test::Concat({test::Silence(4), music, test::Silence(1)}));
    CompareResult result = CompareFiles(early, late, nullptr, {});
    EXPECT_EQ(result.status, CompareStatus::NoDifferences);
    EXPECT_EQ(result.offset, -2352);
    EXPECT_EQ(result.offsetText, "Offset: -2352    bytes");
    EXPECT_EQ(result.lines, std::vector<std::string>{"  No differences found."});

    result = CompareFiles(late, early, nullptr, {});
    EXPECT_EQ(result.status, CompareStatus::NoDifferences);
    EXPECT_EQ(result.offset, 2352);
}

TEST_F(CompareTest, ShiftByFramesWithoutLeadingSilence) {
    Bytes shifted = test::Concat({Bytes(5 * 4, 0), music});
    const std::string a = Wave("a.wav", music);
    const std::string b = Wave("b.wav", shifted);
    const CompareResult result = CompareFiles(a, b, nullptr, {});
    EXPECT_EQ(result.status, CompareStatus::NoDifferences);
    EXPECT_EQ(result.offset, -20);
}

TEST_F(CompareTest, ListingAroundTheFirstDifference) {
    Bytes other = test::Concat({test::Silence(1), music});
    const std::size_t changed = 44 + kSectorBytes + 70001;  // in the second piece
    const std::string a = Wave("a.wav", test::Concat({test::Silence(1), music}));
    Bytes otherFile = test::WaveBytes(other);
    otherFile[changed] ^= 0x5A;
    test::WriteAll(dir.file("b.wav"), otherFile);
    const CompareResult result = CompareFiles(a, dir.file("b.wav"), nullptr, {});
    ASSERT_EQ(result.status, CompareStatus::Differences);
    EXPECT_EQ(result.offset, 0);
    EXPECT_EQ(result.firstDifference, static_cast<std::int64_t>(changed));
    ASSERT_EQ(result.lines.size(), 100u);
    EXPECT_EQ(result.selectedLine, 10);
    const Bytes original = test::ReadAll(a);
    char expected[64];
    std::snprintf(expected, sizeof expected, "  %08zX:\t%02X\t%02X\t:%08zX\t?", changed,
                  original[changed], otherFile[changed], changed);
    EXPECT_EQ(result.lines[10], expected);
    std::snprintf(expected, sizeof expected, "  %08zX:\t%02X\t%02X\t:%08zX\t ", changed - 10,
                  original[changed - 10], original[changed - 10], changed - 10);
    EXPECT_EQ(result.lines[0], expected);
}

TEST_F(CompareTest, FirstLoudSampleDiffers) {
    Bytes first = test::Concat({test::Silence(2), music});
    Bytes second = first;
    const std::size_t at = 2 * kSectorBytes;  // the music's first sample
    second[at + 1] ^= 0x01;
    const CompareResult result =
        CompareFiles(Wave("a.wav", first), Wave("b.wav", second), nullptr, {});
    ASSERT_EQ(result.status, CompareStatus::Differences);
    EXPECT_EQ(result.firstDifference, static_cast<std::int64_t>(44 + at + 1));
    EXPECT_EQ(
        result.lines[0].substr(0, 11), "  " + [&] {
            char t[16];
            std::snprintf(t, sizeof t, "%08zX:", 44 + at + 1 - 10);
            return std::string(t);
        }());
}

TEST_F(CompareTest, StopAndUncomparableFiles) {
    const std::string a = Wave("a.wav", test::Music(100, 1));
    Stopper stopper;
    stopper.stopAfter = 0;
    const CompareResult stopped = CompareFiles(a, a, &stopper, {});
    EXPECT_EQ(stopped.status, CompareStatus::Stopped);
    EXPECT_EQ(stopped.lines, std::vector<std::string>{"  Comparing aborted!"});
    test::WriteAll(dir.file("short"), Bytes(43, 0));
    EXPECT_EQ(CompareFiles(a, dir.file("short"), nullptr, {}).status, CompareStatus::NotCompared);
    EXPECT_EQ(CompareFiles(dir.file("none"), a, nullptr, {}).status, CompareStatus::NotCompared);
    EXPECT_EQ(CompareSizeText(100, 4000000000LL), "File size: 100 / 4000000000 bytes");
    EXPECT_EQ(CompareSizeText(-1, -1), "File size:");
}

// The command line prints what the windows show.
std::string RunCli(const std::string& arguments, int& status) {
    const std::string command = std::string(PS_CLI_PATH) + " " + arguments + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, got);
    }
    const int raw = pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

TEST_F(CompareTest, CommandLine) {
    const std::string early =
        Wave("early.wav", test::Concat({test::Silence(3), music, test::Silence(2)}));
    const std::string late =
        Wave("late.wav", test::Concat({test::Silence(4), music, test::Silence(1)}));
    int status = -1;
    EXPECT_EQ(RunCli("compare " + early + " " + late, status),
              "Offset: -2352    bytes\n  No differences found.\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(RunCli("compare --json " + late + " " + early, status),
              "{\"offset\":2352,\"differences\":false,\"lines\":[]}\n");
    EXPECT_EQ(status, 0);

    Bytes changed = test::ReadAll(late);
    changed[60000] ^= 1;
    test::WriteAll(dir.file("changed.wav"), changed);
    const std::string listing = RunCli("compare " + late + " " + dir.file("changed.wav"), status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 101);
    EXPECT_NE(RunCli("compare --json " + late + " " + dir.file("changed.wav"), status)
                  .find("\"differences\":true,\"lines\":[\"  0000EA56:\\t"),
              std::string::npos);

    const std::string checksum = ChecksumOf(early);
    EXPECT_EQ(RunCli("checksum " + early, status), checksum + "\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(RunCli("checksum --json " + early + " " + dir.file("none.wav"), status),
              "{\"file\":\"" + early + "\",\"checksum\":\"" + checksum + "\"}\n" + "{\"file\":\"" +
                  dir.file("none.wav") + "\",\"checksum\":null,\"error\":\"File not found\"}\n");
    EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace ps
