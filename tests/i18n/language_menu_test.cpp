#include "i18n/language_menu.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <set>

#include "i18n/text_table.h"

namespace ps {
namespace {

class LanguageMenu : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("ps_menu_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void touch(const std::string& name, const std::string& contents = "") {
        std::ofstream(dir_ / name, std::ios::binary) << contents;
    }
    std::filesystem::path dir_;
};

TEST_F(LanguageMenu, ElevenFilesGiveTheFirstTenInDirectoryOrder) {
    for (int i = 0; i < 11; ++i) {
        touch("Lang" + std::to_string(i) + ".lng");
    }
    std::vector<std::string> directoryOrder;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
        directoryOrder.push_back(entry.path().stem().string());
    }
    directoryOrder.resize(10);
    EXPECT_EQ(listLanguages(dir_), directoryOrder);
}

TEST_F(LanguageMenu, ListsOnlyLanguageFilesAndChoosingOneSetsTheLanguage) {
    touch("Deutsch.lng", "FileMenu=&Datei\r\n");
    touch("readme.txt");
    touch("Upper.LNG");
    touch(".lng");
    touch("Deutsch.lng.bak");
    std::filesystem::create_directory(dir_ / "Folder.lng");
    const auto items = listLanguages(dir_);
    ASSERT_EQ(items, std::vector<std::string>{"Deutsch"});

    const std::string language = languageForChoice(items, 0);
    EXPECT_EQ(language, "Deutsch");
    EXPECT_EQ(languageForChoice(items, kDefaultLanguageItem), "");
    EXPECT_EQ(languageForChoice(items, 5), "");

    TextTable table;
    EXPECT_TRUE(table.loadTexts(dir_, language));
    EXPECT_EQ(table.text("FileMenu"), "&Datei");
}

TEST_F(LanguageMenu, AMissingDirectoryListsNothing) {
    EXPECT_TRUE(listLanguages(dir_ / "absent").empty());
}

TEST(LanguageReload, TracksStillAtTheOldDefaultGetTheNewOne) {
    const DefaultTrackNames english{"Track", "Data Track"};
    const DefaultTrackNames german{"Titel", "Datenspur"};
    std::vector<TrackNameRow> tracks = {
        {"Track  1", 1, false},    // default, padded to two places
        {"Track 12", 12, false},   // default
        {"Track 1", 1, false},     // not the default spelling: the user's
        {"Track  3", 4, false},    // another track's default
        {"Data Track", 5, true},   // data-track default
        {"Data Track", 6, false},  // an audio track named so by the user
        {"Intro", 7, false},
    };
    EXPECT_EQ(renewDefaultTrackNames(tracks, english, german), 3);
    EXPECT_EQ(tracks[0].name, "Titel  1");
    EXPECT_EQ(tracks[1].name, "Titel 12");
    EXPECT_EQ(tracks[2].name, "Track 1");
    EXPECT_EQ(tracks[3].name, "Track  3");
    EXPECT_EQ(tracks[4].name, "Datenspur");
    EXPECT_EQ(tracks[5].name, "Data Track");
    EXPECT_EQ(tracks[6].name, "Intro");
}

TEST(LanguageReload, FixedLabelsFollowTheLanguage) {
    std::vector<std::string> cells = {"Today", "Sunday", "12.01.", ""};
    EXPECT_EQ(renewFixedLabels(cells, {"Today", "Sunday"}, {"Heute", "Sonntag"}), 2);
    EXPECT_EQ(cells, (std::vector<std::string>{"Heute", "Sonntag", "12.01.", ""}));
}

TEST(TipOfTheDay, StepsWrapAroundTheTwentyTips) {
    TipOfTheDay tip(20);
    EXPECT_EQ(tip.next(), 1);
    EXPECT_EQ(tip.previous(), 20);
    EXPECT_EQ(tip.previous(), 19);
    EXPECT_EQ(tip.key(), "Tips19Tip");
    TipOfTheDay first(1);
    EXPECT_EQ(first.previous(), 20);
    EXPECT_EQ(TipOfTheDay(0).current(), 1);
    EXPECT_EQ(TipOfTheDay(21).current(), 1);
}

TEST(TipOfTheDay, RandomStartCoversAllTwenty) {
    std::mt19937 random(7);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int tip = TipOfTheDay::randomStart(random).current();
        ASSERT_GE(tip, 1);
        ASSERT_LE(tip, 20);
        seen.insert(tip);
    }
    EXPECT_EQ(seen.size(), 20u);
}

}  // namespace
}  // namespace ps
