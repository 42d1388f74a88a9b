#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

#include "support/cli_run.h"

namespace ps {
namespace {

using test::CliHome;
using test::CliRun;

test::CliRun cli(const std::string& environment, const std::string& arguments) {
    CliHome home;
    return test::runCli(home, environment, arguments);
}

const std::string kDemo = "PLATTERSCOOP_VIRTUAL_DRIVE=demo PLATTERSCOOP_VIRTUAL_FAULTS=";

// The letter the virtual drive got (after any real drives of the machine).
std::string virtualLetter(const std::string& drivesJson) {
    std::smatch m;
    if (std::regex_search(drivesJson, m,
                          std::regex(R"re("letter":"([D-Z])","node":"virtual")re"))) {
        return m[1];
    }
    return "";
}

TEST(AspiCli, DrivesListsTheVirtualDrive) {
    const CliRun json = cli(kDemo, "drives --json");
    ASSERT_EQ(json.status, 0) << json.output;
    EXPECT_TRUE(json.output.starts_with(R"({"access_mode":"ASPI","drives":[{"letter":"D",)"))
        << json.output;
    EXPECT_NE(json.output.find(R"("type":"IDE   -  ATAPI","family":1})"), std::string::npos)
        << json.output;
    EXPECT_FALSE(virtualLetter(json.output).empty()) << json.output;

    const CliRun plextor = cli(kDemo + "scsi,vendor=PLEXTOR", "drives");
    ASSERT_EQ(plextor.status, 0) << plextor.output;
    EXPECT_NE(plextor.output.find("Access mode: ASPI"), std::string::npos);
    EXPECT_NE(plextor.output.find("SCSI -  PLEXTOR"), std::string::npos) << plextor.output;
}

TEST(AspiCli, TocOfTheDemoDisc) {
    const std::string letter = virtualLetter(cli(kDemo, "drives --json").output);
    ASSERT_FALSE(letter.empty());
    const CliRun json = cli(kDemo, "toc --json --drive " + letter);
    ASSERT_EQ(json.status, 0) << json.output;
    EXPECT_TRUE(std::regex_match(
        json.output,
        std::regex(
            R"re(\{"first":1,"last":\d+,"tracks":\[\{"number":1,"start":0,"end":\d+,"data":false\}.*\],"total":\d+,"cddb_id":"[0-9a-f]{8}","disc_length_seconds":\d+,"frame_offsets":\[150(,\d+)*\],"cdplayer_number":"[0-9A-F]+"\}\n)re")))
        << json.output;

    const CliRun text = cli(kDemo, "toc --drive " + letter + ":");
    ASSERT_EQ(text.status, 0) << text.output;
    EXPECT_NE(text.output.find("Total: "), std::string::npos);
}

TEST(AspiCli, TraceRecordsEveryCommandWithItsStatus) {
    CliHome home;
    const auto trace = home.path() / "scsi.trace";
    const CliRun run =
        test::runCli(home, kDemo + " PLATTERSCOOP_SCSI_TRACE=" + trace.string(), "toc");
    ASSERT_EQ(run.status, 0) << run.output;
    std::ifstream in(trace);
    std::string line;
    int lines = 0;
    bool sawInquiry = false;
    bool sawToc = false;
    // "0:0:0 12 00 00 00 24 00 in 36 status 1": target, the block's bytes as its length
    // field says, direction and length, final status.
    const std::regex format(
        R"re(\d+:\d+:\d+( [0-9A-F]{2}){6,12} (in|out|none) \d+ status [0-9A-F]+)re");
    while (std::getline(in, line)) {
        ++lines;
        EXPECT_TRUE(std::regex_match(line, format)) << line;
        sawInquiry =
            sawInquiry || line.find(" 12 00 00 00 24 00 in 36 status 1") != std::string::npos;
        sawToc = sawToc || line.find(" 43 ") != std::string::npos;
    }
    EXPECT_GT(lines, 2);
    EXPECT_TRUE(sawInquiry);
    EXPECT_TRUE(sawToc);
}

TEST(AspiCli, TocWithoutADiscOrDriveFails) {
    const std::string letter = virtualLetter(cli(kDemo, "drives --json").output);
    ASSERT_FALSE(letter.empty());
    const CliRun empty = cli(kDemo + "nodisc", "toc --drive " + letter);
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.output, "The CD drive is not ready.\n");

    const CliRun missing = cli(kDemo, "toc --drive Z");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("there is no CD drive Z"), std::string::npos);

    EXPECT_EQ(cli(kDemo, "toc --drive").status, 2);
    EXPECT_EQ(cli(kDemo + "bogus", "drives").status, 1);
}

}  // namespace
}  // namespace ps
