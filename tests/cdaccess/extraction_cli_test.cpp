#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <regex>
#include <string>

#include "support/cli_run.h"

namespace ps {
namespace {

using test::CliRun;

// Every run gets a program directory of its own, so no test reads or writes the user's.
CliRun cli(const std::string& environment, const std::string& arguments) {
    test::CliHome home;
    return test::runCli(home, environment, arguments);
}

class RipCommand : public testing::Test {
  protected:
    void SetUp() override {
        home_ = std::filesystem::temp_directory_path() /
                ("ps_rip_cli_" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(home_);
        env_ = "PLATTERSCOOP_HOME=" + home_.string() + " PLATTERSCOOP_VIRTUAL_DRIVE=demo";
        const CliRun drives = cli(env_ + " PLATTERSCOOP_VIRTUAL_FAULTS=", "drives --json");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(drives.output, m,
                                      std::regex(R"re("letter":"([D-Z])","node":"virtual")re")))
            << drives.output;
        drive_ = " --drive " + m[1].str() + " --set DestinationDirectory=" + home_.string();
    }
    void TearDown() override { std::filesystem::remove_all(home_); }

    CliRun rip(const std::string& faults, const std::string& arguments) {
        return cli(env_ + " PLATTERSCOOP_VIRTUAL_FAULTS=" + faults,
                   "rip" + drive_ + " " + arguments);
    }

    std::filesystem::path home_;
    std::string env_;
    std::string drive_;
};

TEST_F(RipCommand, RipsATrackAndReportsTheChecksumOfTheStoredFile) {
    const CliRun run = rip("", "--track 2 --json");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string file = (home_ / "temp.wav").string();
    const std::regex shape(
        R"re(\{"result":1,"checksum":"( X?[0-9A-F]{8}X?)","silence_kind":[0-3],"lost_synchs":0,"speed":[0-9.]+,"file":"([^"]+)"\})re");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.output, m, shape)) << run.output;
    EXPECT_EQ(m[2].str(), file);
    const CliRun checksum = cli("", "checksum " + file);
    EXPECT_EQ(" " + checksum.output, m[1].str() + "\n");
}

TEST_F(RipCommand, MethodByEntryTextAndOutputFile) {
    const std::string out = (home_ / "three.wav").string();
    const CliRun run = rip("jitter=300", "--track 3 --method \"Fixed synch width 3\" --out " + out);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Result: 1\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Lost synchronisations: 0\n"), std::string::npos);
    EXPECT_NE(run.output.find("File: " + out + "\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(home_ / "temp.wav"));
}

TEST_F(RipCommand, FailuresExitNonZero) {
    EXPECT_EQ(rip("", "--track 2 --method \"Burst Copy\"").status, 2);
    EXPECT_EQ(rip("", "").status, 2);
    EXPECT_EQ(rip("", "--track 9").status, 1);
    const CliRun error = rip("error=2200-2300", "--track 2 --json");
    EXPECT_EQ(error.status, 1);
    EXPECT_NE(error.output.find(R"({"result":4,"checksum":null)"), std::string::npos)
        << error.output;
}

}  // namespace
}  // namespace ps
