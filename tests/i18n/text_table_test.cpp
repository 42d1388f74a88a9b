#include "i18n/text_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>

#include "i18n/character_set.h"
#include "i18n/text_keys.h"

namespace ps {
namespace {

std::string filler(std::size_t bytes) {
    return std::string(bytes, '.') + "\r\n";
}

TEST(TextKeys, EveryKeyHasItsSlotAndTheDoubleKeysTwo) {
    std::set<std::string> keys;
    int previous = -1;
    for (const auto& entry : kTextKeyEntries) {
        EXPECT_GT(entry.slot, previous) << entry.key;
        previous = entry.slot;
        keys.insert(entry.key);
        EXPECT_EQ(textKeyEntryOf(entry.slot), &entry);
    }
    EXPECT_EQ(keys.size(), kTextKeyCount);
    EXPECT_EQ(textSlotOf("FileMenu"), 0);
    EXPECT_EQ(textSlotOf("NoNormMsg"), 75);
    EXPECT_EQ(textSlotOf("LangMitem"), 98);
    EXPECT_EQ(textSlotOf("CaptionMP3"), 140);
    EXPECT_EQ(textSlotOf("Norm2Misc"), 963);
    EXPECT_EQ(textSlotOf("CharacterSet"), kCharacterSetSlot);
    EXPECT_EQ(textSlotOf("NoSuchKey"), -1);
    EXPECT_EQ(textSlotOf("FileMenu", 2), -1);
    EXPECT_EQ(textKeyEntryOf(72), nullptr);

    struct Double {
        const char* key;
        int first;
        int second;
        const char* firstText;
        const char* secondText;
    };
    const Double doubles[] = {
        {"PeakFoundRip", 806, 814, "Peak level found:", "Peak level found:"},
        {"ScanningNorm", 419, 881, "Scanning...", "Scanning"},
        {"ShutDownLineIn", 489, 499, "Shut down the computer when finished",
         "Shutting down in %d seconds."},
        {"WaitingLineIn", 498, 532, "STATUS: Waiting for Record button to be pressed.",
         "STATUS: Waiting for sound to come in."},
        {"WMA1Error", 933, 934, "There is some kind of trouble with the filename.",
         "The Audio Writer could not be initialized.\n(It returned %08X)."},
    };
    for (const auto& d : doubles) {
        EXPECT_EQ(textSlotOf(d.key, 1), d.first) << d.key;
        EXPECT_EQ(textSlotOf(d.key, 2), d.second) << d.key;
        EXPECT_EQ(englishText(d.first), d.firstText);
        EXPECT_EQ(englishText(d.second), d.secondText);
    }
}

TEST(TextKeys, LoadOrderTakesCharacterSetFirstAndTheLateKeysBesideTheirNeighbours) {
    const auto& order = textLoadOrder();
    ASSERT_EQ(order.size(), kTextKeyEntryCount);
    EXPECT_EQ(std::set<int>(order.begin(), order.end()).size(), kTextKeyEntryCount);
    EXPECT_EQ(order.front(), kCharacterSetSlot);
    const auto after = [&](const char* key) {
        const auto it = std::find(order.begin(), order.end(), textSlotOf(key));
        return textKeyEntryOf(*(it + 1))->key;
    };
    EXPECT_STREQ(after("CopyTMitem"), "LangMitem");
    EXPECT_STREQ(after("LangMitem"), "DefLangMitem");
    EXPECT_STREQ(after("DefLangMitem"), "ExitMItem");
    EXPECT_STREQ(after("UndoMItem"), "RedoMItem");
    EXPECT_STREQ(after("RedoMItem"), "SubmitMItem");
    EXPECT_STREQ(after("BrowseBtn"), "Browse2Btn");
    EXPECT_STREQ(after("ShutDownGen"), "EjectGen");
    EXPECT_STREQ(after("EjectGen"), "SoundEffectGen");
    EXPECT_STREQ(after("PreventGen"), "SoundCardGen");
    EXPECT_STREQ(after("UnBuffRip"), "AnalogRip");
    EXPECT_STREQ(after("InfoList"), "TracksStatus");
}

TEST(TextTable, StartsWithTheEnglishTexts) {
    const TextTable table;
    EXPECT_EQ(table.text("TracksStatus"), "%d Tracks,  Playtime: %s");
    EXPECT_EQ(table.text("OKBtn"), "&OK            ");
    EXPECT_EQ(table.text("CharacterSet"), "DEFAULT_CHARSET");
    EXPECT_EQ(table.characterSet(), 1);
    EXPECT_EQ(table.text(72), "");
    EXPECT_EQ(table.text(-1), "");
    EXPECT_EQ(table.text(1000), "");
    EXPECT_FALSE(table.fromLanguageFile(textSlotOf("OKBtn")));
}

struct LoadCase {
    const char* name;
    std::string file;
    const char* key;
    int occurrence;
    std::string expected;
};

class LoadTexts : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadTexts, GivesTheExpectedText) {
    TextTable table;
    table.loadFromData(GetParam().file);
    EXPECT_EQ(table.text(GetParam().key, GetParam().occurrence), GetParam().expected);
}

const std::string kLongFile = [] {
    std::string file = "TrackList=Titel\r\n";
    file += filler(kLanguageFileLimit - file.size() - 2 - 12);
    return file + "TimeList=Zei" + "t\r\nInfoList=Hinweis\r\n";
}();

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadTexts,
    ::testing::Values(
        LoadCase{"Translated", "FileMenu=&Datei\r\n", "FileMenu", 1, "&Datei"},
        LoadCase{"LfOnlyLines", "CDMenu=&CD\nFileMenu=&Datei\n", "FileMenu", 1, "&Datei"},
        LoadCase{"MissingKeyKeepsEnglish", "FileMenu=&Datei\r\n", "TimeList", 1, "Time"},
        LoadCase{"LineBreak", "NoSelRip=Keine Auswahl\\nbitte w\xe4hlen\r\n", "NoSelRip", 1,
                 "Keine Auswahl\r\nbitte w\xe4hlen"},
        LoadCase{"EmptyText", "TimeList=\r\n", "TimeList", 1, ""},
        LoadCase{"TextRunsToLineEndIncludingEquals", "TimeList=a=b\r\n", "TimeList", 1, "a=b"},
        // The search for FileMenu starts in the window after CharacterSet's text.
        LoadCase{"TwiceWithinWindow",
                 "FileMenu=Early\r\nCharacterSet=ANSI_CHARSET\r\nFileMenu=Late\r\n", "FileMenu", 1,
                 "Late"},
        LoadCase{"TwiceBeyondWindow",
                 "FileMenu=Early\r\nCharacterSet=ANSI_CHARSET\r\n" + filler(kKeySearchWindow) +
                     "FileMenu=Late\r\n",
                 "FileMenu", 1, "Early"},
        // A key is found wherever its characters stand, not only at a line start.
        LoadCase{"HiddenInsideAnotherKey", "LostSyncRip=Verloren!!!\r\n", "SyncRip", 1,
                 "Verloren!!!"},
        LoadCase{"HiddenMidLine", "NoSelRip=Nichts OKBtn=&Ja\r\n", "OKBtn", 1, "&Ja"},
        // After a mismatch the comparison restarts at the next byte, so a key right after
        // its own first letter is not seen there.
        LoadCase{"MatcherRestartsAtNextByte", "Eins=TTimeList=Zeit\r\n", "TimeList", 1, "Time"},
        LoadCase{"DoubleKeyInSlotOrder",
                 "PeakFoundRip=Spitze A\r\nUsedCPURip=CPU\r\nPeakFoundRip=Spitze B\r\n",
                 "PeakFoundRip", 2, "Spitze B"},
        LoadCase{"DoubleKeyFirstLine",
                 "PeakFoundRip=Spitze A\r\nUsedCPURip=CPU\r\nPeakFoundRip=Spitze B\r\n",
                 "PeakFoundRip", 1, "Spitze A"},
        LoadCase{"DoubleKeyWrittenOnce", "WMA1Error=Dateiname\r\n", "WMA1Error", 2, "Dateiname"},
        LoadCase{"BeforeTheLimit", kLongFile, "TrackList", 1, "Titel"},
        LoadCase{"CutAtTheLimit", kLongFile, "TimeList", 1, "Zei"},
        LoadCase{"BeyondTheLimit", kLongFile, "InfoList", 1, "Information"},
        LoadCase{"KeyEndsTheData", "TimeList=Zeit\r\nInfoList", "InfoList", 1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextTable, KeyAtTheVeryEndOfTheLimitReadsNoFurther) {
    std::string file = filler(kLanguageFileLimit - 2 - 8) + "InfoList" + "=Hinweis";
    ASSERT_EQ(file.find("InfoList"), kLanguageFileLimit - 8);
    TextTable table;
    table.loadFromData(file);
    EXPECT_EQ(table.text("InfoList"), "");
}

// LangMitem is looked up right after CopyTMitem, so its search starts after CopyTMitem's
// text; were it taken in slot order, ExitMItem's text at the top would be the start.
TEST(TextTable, LangMitemIsSearchedFromCopyTMitemsPosition) {
    const std::string file = "ExitMItem=&Beenden\r\nLangMitem=Early\r\n" +
                             filler(2 * kKeySearchWindow) +
                             "CopyTMitem=&Kopieren\r\nLangMitem=Late\r\n";
    TextTable table;
    table.loadFromData(file);
    EXPECT_EQ(table.text("ExitMItem"), "&Beenden");
    EXPECT_EQ(table.text("LangMitem"), "Late");
}

TEST(TextTable, CharacterSetBecomesItsCode) {
    struct Case {
        const char* line;
        int code;
    };
    const Case cases[] = {
        {"CharacterSet=RUSSIAN_CHARSET\r\n", 204},
        {"CharacterSet=ANSI_CHARSET\r\n", 0},
        {"CharacterSet=GREEK_CHARSET  \r\n", 161},
        {"CharacterSet=KLINGON\r\n", 1},
        {"CharacterSet=\r\n", 1},
        {"FileMenu=&Datei\r\n", 1},
    };
    for (const auto& c : cases) {
        TextTable table;
        table.loadFromData(c.line);
        EXPECT_EQ(table.characterSet(), c.code) << c.line;
    }
    TextTable table;
    table.loadFromData("CharacterSet=RUSSIAN_CHARSET\r\n");
    EXPECT_EQ(table.text(kCharacterSetSlot), "RUSSIAN_CHARSET");
}

TEST(TextTable, EachLoadStartsAfresh) {
    TextTable table;
    table.loadFromData("CharacterSet=RUSSIAN_CHARSET\r\nFileMenu=&\xD4\xE0\xE9\xEB\r\n");
    const std::size_t used = table.poolUsed();
    EXPECT_TRUE(table.fromLanguageFile(textSlotOf("FileMenu")));
    table.loadFromData("CDMenu=&Disque\r\n");
    EXPECT_EQ(table.text("FileMenu"), englishText(textSlotOf("FileMenu")));
    EXPECT_EQ(table.text("CDMenu"), "&Disque");
    EXPECT_EQ(table.characterSet(), 1);
    table.loadFromData("CharacterSet=RUSSIAN_CHARSET\r\nFileMenu=&\xD4\xE0\xE9\xEB\r\n");
    EXPECT_EQ(table.poolUsed(), used);
}

// Every key on one line: each text runs to the end of that line, so together they would
// need far more than the pool. Texts that no longer fit keep their English wording whole.
TEST(TextTable, TextsBeyondThePoolFallBackToEnglishWithoutOverrun) {
    std::string file;
    for (const int slot : textLoadOrder()) {
        file += textKeyEntryOf(slot)->key;
        file += "=";
    }
    const std::string tail(30000, 'x');
    file += tail;
    TextTable table;
    table.loadFromData(file);
    EXPECT_LE(table.poolUsed(), kTextPoolSize);
    int translated = 0;
    int keptEnglish = 0;
    for (const auto& entry : kTextKeyEntries) {
        const auto text = table.text(entry.slot);
        if (table.fromLanguageFile(entry.slot)) {
            ++translated;
            EXPECT_TRUE(text.ends_with(tail)) << entry.key;
        } else {
            ++keptEnglish;
            EXPECT_EQ(text, entry.english) << entry.key;
        }
    }
    EXPECT_GE(translated, 1);
    EXPECT_GE(keptEnglish, 700);
}

TEST(TextTable, EnglishTextsLeaveRoomInThePool) {
    const TextTable table;
    EXPECT_LT(table.poolUsed(), kTextPoolSize / 2);
}

class LanguageFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("ps_i18n_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void write(const std::filesystem::path& path, const std::string& contents) {
        std::ofstream(path, std::ios::binary) << contents;
    }
    std::filesystem::path dir_;
};

TEST_F(LanguageFiles, LoadsTheFileNamedByTheLanguageValue) {
    write(dir_ / "Deutsch.lng", "FileMenu=&Datei\r\nCharacterSet=ANSI_CHARSET\r\n");
    TextTable table;
    EXPECT_TRUE(table.loadTexts(dir_, "Deutsch"));
    EXPECT_EQ(table.text("FileMenu"), "&Datei");
    EXPECT_EQ(table.characterSet(), 0);

    EXPECT_FALSE(table.loadTexts(dir_, ""));
    EXPECT_EQ(table.text("FileMenu"), englishText(0));
    EXPECT_FALSE(table.loadTexts(dir_, "Missing"));
    EXPECT_EQ(table.characterSet(), 1);
}

TEST_F(LanguageFiles, LaterDirectoriesAreSearchedWhenTheFirstLacksTheFile) {
    std::filesystem::create_directories(dir_ / "data");
    write(dir_ / "data" / "Svenska.lng", "FileMenu=&Arkiv\r\n");
    const std::vector<std::filesystem::path> dirs = {dir_ / "home", dir_ / "data"};
    TextTable table;
    EXPECT_TRUE(table.loadTexts(dirs, "Svenska"));
    EXPECT_EQ(table.text("FileMenu"), "&Arkiv");
}

TEST_F(LanguageFiles, AnAbsoluteLanguageValueStaysInsideTheDirectory) {
    EXPECT_EQ(languageFilePath("/opt/ps", "/etc/passwd"), "/opt/ps//etc/passwd.lng");
    EXPECT_EQ(languageFilePath("/", "Deutsch"), "/Deutsch.lng");
    EXPECT_EQ(languageFilePath("/opt/ps/", ""), "/opt/ps/.lng");
}

TEST_F(LanguageFiles, OnlyTheFirst50000BytesAreRead) {
    write(dir_ / "Long.lng", kLongFile);
    TextTable table;
    ASSERT_TRUE(table.loadTexts(dir_, "Long"));
    EXPECT_EQ(table.text("TrackList"), "Titel");
    EXPECT_EQ(table.text("TimeList"), "Zei");
    EXPECT_EQ(table.text("InfoList"), "Information");
}

}  // namespace
}  // namespace ps
