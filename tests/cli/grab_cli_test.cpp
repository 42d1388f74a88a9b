#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "support/cli_run.h"

namespace ps {
namespace {

namespace fs = std::filesystem;
using test::CliHome;
using test::runCli;

const std::string kDemo = "PLATTERSCOOP_VIRTUAL_DRIVE=demo PLATTERSCOOP_VIRTUAL_FAULTS=";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(GrabCli, DemoDiscEndToEndWithTheNamesOfTheDiscDatabase) {
    CliHome home;
    const fs::path out = home.path() / "out";
    fs::create_directories(out);
    const auto run = runCli(
        home, kDemo, "grab --json --tracks 1,3 --set DestinationDirectory=" + out.string(), false);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(
        run.output.find(
            R"({"disc":{"artist":"The Virtual Players","album":"Platterscoop Demo Disc","cddb_id":")"),
        std::string::npos)
        << run.output;
    const std::regex track(
        R"re(\{"number":3,"row":2,"name":"Noise Garden","status":256,"checksum":" X?[0-9A-F]{8}X?","wave":"[^"]*/The Virtual Players - Noise Garden\.wav","compressed":null,"information":"Copied OK[^"]*"\})re");
    EXPECT_TRUE(std::regex_search(run.output, track)) << run.output;
    EXPECT_TRUE(fs::exists(out / "The Virtual Players - Morning Tones.wav"));
    EXPECT_TRUE(fs::exists(out / "The Virtual Players - Noise Garden.wav"));
    EXPECT_FALSE(fs::exists(out / "The Virtual Players - Chord Walk.wav"));
    EXPECT_FALSE(fs::exists(out / "temp.wav"));

    // The demo's titles went into the disc database, with their order.
    const std::string cdplayer = readFile(home.path() / "cdplayer.ini");
    EXPECT_NE(cdplayer.find("artist=The Virtual Players\n"), std::string::npos) << cdplayer;
    EXPECT_NE(cdplayer.find("2=Noise Garden\n"), std::string::npos);

    // The stored file's checksum is the one the row shows.
    const auto checksum = runCli(
        home, "", "checksum '" + (out / "The Virtual Players - Noise Garden.wav").string() + "'",
        false);
    ASSERT_EQ(checksum.status, 0);
    std::smatch shown;
    ASSERT_TRUE(std::regex_search(
        run.output, shown,
        std::regex(R"re("name":"Noise Garden","status":256,"checksum":" ([^"]+)")re")));
    EXPECT_EQ(checksum.output, shown[1].str() + "\n");

    // A second grab of the same track stores beside the first, never over it.
    ASSERT_EQ(
        runCli(home, kDemo, "grab --tracks 3 --set DestinationDirectory=" + out.string(), false)
            .status,
        0);
    EXPECT_TRUE(fs::exists(out / "The Virtual Players - Noise Garden-1.wav"));
}

TEST(GrabCli, TestStoresNothingAndBadListsAreRefused) {
    CliHome home;
    const fs::path out = home.path() / "out";
    fs::create_directories(out);
    const auto test =
        runCli(home, kDemo, "grab --test --tracks 2 --set DestinationDirectory=" + out.string());
    EXPECT_EQ(test.status, 0) << test.output;
    EXPECT_TRUE(fs::is_empty(out));

    EXPECT_EQ(runCli(home, kDemo, "grab --tracks 9").status, 2);
    EXPECT_EQ(runCli(home, kDemo, "grab --tracks 3-1").status, 2);
    EXPECT_EQ(runCli(home, kDemo, "grab --tracks x").status, 2);
    const auto noDisc = runCli(home, kDemo + "nodisc", "grab");
    EXPECT_EQ(noDisc.status, 1);
    EXPECT_NE(noDisc.output.find("The CD drive is not ready."), std::string::npos) << noDisc.output;
}

TEST(GrabCli, APersistentReadErrorFailsTheTrackAndTheExitStatus) {
    CliHome home;
    const fs::path out = home.path() / "out";
    fs::create_directories(out);
    // Sectors 2100.. are track 2 of the demo disc.
    const auto run =
        runCli(home, kDemo + "error=2200-2210",
               "grab --json --tracks 2 --set DestinationDirectory=" + out.string(), false);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output.find("\"status\":256"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(out / "The Virtual Players - Chord Walk.wav"));
    EXPECT_FALSE(fs::exists(out / "temp.wav"));
}

}  // namespace
}  // namespace ps
