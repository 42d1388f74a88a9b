#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/cli_run.h"

namespace ps {
namespace {

using test::CliHome;
using test::runCli;

std::string valueOf(const std::string& listing, const std::string& key) {
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return "<missing>";
}

TEST(SettingsCli, FreshDirectoryListsEveryKeyInWriteOrderThenTheReadOnlyOnes) {
    CliHome home;
    const auto run = runCli(home, "", "settings", false);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.rfind("Language=\nNormalizeTo=98\nNormalizeLow=91\n", 0), 0u)
        << run.output.substr(0, 200);
    // The keys that are only read come last.
    const auto readOnly = run.output.find("Debug=0\n");
    ASSERT_NE(readOnly, std::string::npos);
    EXPECT_LT(run.output.find("WindowMaximized=False\n"), readOnly);
    EXPECT_NE(run.output.find("ShutDownDelay=120\n", readOnly), std::string::npos);
    EXPECT_EQ(valueOf(run.output, "ProgramRunning"), "False");
    EXPECT_EQ(valueOf(run.output, "AccessMode"), "ASPI");
    // Listing does not write the file.
    EXPECT_FALSE(std::filesystem::exists(home.path() / "platterscoop.ini"));
}

TEST(SettingsCli, OverridesFollowTheReadingRules) {
    struct Case {
        const char* set;
        const char* key;
        const char* shown;
    };
    const Case cases[] = {
        {"L3encBitrate=100000", "L3encBitrate", "112000"},
        {"ShutDownDelay=5", "ShutDownDelay", "10"},
        {"DiscardOffset=250", "DiscardOffset", "100"},
        {"ID3Genre=200", "ID3Genre", "13"},
        {"TrackNameOrder=2143xyz", "TrackNameOrder", "2143"},
        {"UseL3enc=yes", "UseL3enc", "True"},
        {"CDSpeed=Nix", "CDSpeed", "100"},
        {"accessmode=mscdex", "AccessMode", "ASPI"},  // no helper here: the choice falls back
    };
    for (const Case& c : cases) {
        CliHome home;
        const auto run = runCli(home, "", std::string("settings --set '") + c.set + "'", false);
        ASSERT_EQ(run.status, 0) << c.set;
        EXPECT_EQ(valueOf(run.output, c.key), c.shown) << c.set;
    }
}

TEST(SettingsCli, JsonSaveAndBadArguments) {
    CliHome home;
    const auto json = runCli(home, "", "settings --json --set NormalizeTo=90 --save", false);
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(json.output.rfind("{\"Language\":\"\",\"NormalizeTo\":\"90\",", 0), 0u);
    EXPECT_EQ(json.output.substr(json.output.size() - 2), "}\n");

    std::ifstream file(home.path() / "platterscoop.ini");
    std::stringstream saved;
    saved << file.rdbuf();
    EXPECT_EQ(saved.str().rfind("[MAIN]", 0), 0u);
    EXPECT_NE(saved.str().find("NormalizeTo=90"), std::string::npos);
    EXPECT_NE(saved.str().find("ProgramRunning=False"), std::string::npos);
    EXPECT_EQ(valueOf(runCli(home, "", "settings", false).output, "NormalizeTo"), "90");

    EXPECT_EQ(runCli(home, "", "settings --set NoSuchKey=1").status, 2);
    EXPECT_EQ(runCli(home, "", "settings --set NormalizeTo").status, 2);
    EXPECT_EQ(runCli(home, "", "settings --set").status, 2);
    EXPECT_EQ(runCli(home, "", "settings extra").status, 2);
}

}  // namespace
}  // namespace ps
