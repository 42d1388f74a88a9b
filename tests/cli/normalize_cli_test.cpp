#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_run.h"
#include "support/tone_wave.h"

namespace ps {
namespace {

namespace fs = std::filesystem;
using test::CliHome;
using test::runCli;

// A CD-format wave file of 30 sectors: a tone whose peak is `peak`.
void WriteTone(const fs::path& path, int peak) {
    test::writeToneWave(path, 30 * 588, peak, 0.05);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The JSON line of one file.
std::string LineOf(const std::string& output, const fs::path& file) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("\"file\":\"" + file.string() + "\"") != std::string::npos) {
            return line;
        }
    }
    return {};
}

class NormalizeCli : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteTone(half, 16384);    // 50 %
        WriteTone(quarter, 8192);  // 25 %
    }
    std::string Quoted(const fs::path& path) const { return "'" + path.string() + "'"; }

    CliHome home;
    fs::path half = home.path() / "half.wav";
    fs::path quarter = home.path() / "quarter.wav";
};

TEST_F(NormalizeCli, ChangesOnlyTheFilesOutsideTheRangeAndReportsEach) {
    const std::string before = ReadFile(half);
    const auto run = runCli(home, "",
                            "normalize --json " + Quoted(half) + " " + Quoted(quarter) +
                                " --set NormalizeLimit=true --set NormalizeLow=40"
                                " --set NormalizeHigh=60",
                            false);
    ASSERT_EQ(run.status, 0) << run.output;

    EXPECT_EQ(LineOf(run.output, half),
              "{\"file\":\"" + half.string() +
                  "\",\"result\":0,\"changed\":false,\"old_peak\":50.0,\"new_peak\":50.0,"
                  "\"old_average\":null,\"new_average\":null,\"old_compact\":null,"
                  "\"new_compact\":null}");
    EXPECT_EQ(ReadFile(half), before);
    const std::string changed = LineOf(run.output, quarter);
    EXPECT_NE(changed.find("\"changed\":true,\"old_peak\":25.0,\"new_peak\":98.0"),
              std::string::npos)
        << changed;
}

TEST_F(NormalizeCli, TestAnalysesWithTheAdvancedEngineAndLeavesTheFileAsItWas) {
    const std::string before = ReadFile(quarter);
    const auto run =
        runCli(home, "",
               "normalize " + Quoted(quarter) +
                   " --test --json --set UseNormalizing=true --set AdvancedNormalizing=true",
               false);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadFile(quarter), before);
    const std::regex expected(
        R"re(\{"file":"[^"]*quarter\.wav","result":0,"changed":false,"old_peak":25\.0,"new_peak":98\.0,"old_average":[0-9.]+,"new_average":[0-9.]+,"old_compact":[0-9.]+,"new_compact":[0-9.]+\})re");
    EXPECT_TRUE(std::regex_search(run.output, expected)) << run.output;
}

TEST_F(NormalizeCli, AMissingFileFailsTheRunButNotTheOthers) {
    const fs::path missing = home.path() / "missing.wav";
    const auto run = runCli(home, "", "normalize " + Quoted(missing) + " " + Quoted(quarter), true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("Could not open\n" + missing.string()), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find(quarter.string() + ": changed"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("New peak: 98.00%"), std::string::npos) << run.output;
}

TEST_F(NormalizeCli, WithoutAFileItShowsItsUsage) {
    const auto run = runCli(home, "", "normalize --json");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("usage: platterscoop-cli normalize FILE..."), std::string::npos);
}

}  // namespace
}  // namespace ps
