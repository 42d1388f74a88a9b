#include "grab/file_naming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>

namespace ps {
namespace {

NamingSources BandLiveIntro() {
    NamingSources s;
    s.artist = "Band";
    s.album = "Live";
    s.trackNumber = 3;
    s.trackName = "Intro";
    s.cddbId = 0x00C0FFEE;
    return s;
}

Settings AllSwitchesOn(const std::string& order = "1234") {
    Settings s;
    s.ArtistAsFileName = s.AlbumAsFileName = s.TrackNumberAsFileName = s.TrackNameAsFileName = true;
    s.TrackNameOrder = order;
    return s;
}

struct NameCase {
    const char* label;
    Settings settings;
    NamingSources sources;
    std::string expected;
};

Settings With(Settings s, void (*change)(Settings&)) {
    change(s);
    return s;
}

NamingSources WithSources(void (*change)(NamingSources&)) {
    NamingSources s = BandLiveIntro();
    change(s);
    return s;
}

Settings Advanced(const std::string& pattern) {
    Settings s;
    s.AdvancedNaming = true;
    s.AdvancedNameString = pattern;
    s.ArtistAsFileName = s.TrackNameAsFileName = false;  // the advanced form ignores them
    return s;
}

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.label;
}

class BuildFileNameCases : public ::testing::TestWithParam<NameCase> {};

TEST_P(BuildFileNameCases, GivesTheName) {
    EXPECT_EQ(BuildFileName(GetParam().settings, GetParam().sources), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    SimpleForm, BuildFileNameCases,
    ::testing::Values(
        NameCase{"Order1234", AllSwitchesOn("1234"), BandLiveIntro(), "Band - Live - 03 - Intro"},
        NameCase{"Order4321", AllSwitchesOn("4321"), BandLiveIntro(), "Intro - 03 - Live - Band"},
        NameCase{"Defaults", Settings{}, BandLiveIntro(), "Band - Intro"},
        NameCase{"AllSwitchesOffGivesTheNumber",
                 With(AllSwitchesOn(),
                      [](Settings& s) {
                          s.ArtistAsFileName = s.AlbumAsFileName = s.TrackNumberAsFileName =
                              s.TrackNameAsFileName = false;
                      }),
                 BandLiveIntro(), "03"},
        NameCase{"EmptyArtistLeavesNoSeparator", AllSwitchesOn(),
                 WithSources([](NamingSources& s) { s.artist.clear(); }), "Live - 03 - Intro"},
        NameCase{"EmptyAlbumAndArtist", AllSwitchesOn("2143"),
                 WithSources([](NamingSources& s) { s.artist.clear(), s.album.clear(); }),
                 "Intro - 03"},
        NameCase{"EmptyTrackNameStaysAPart", AllSwitchesOn("4123"),
                 WithSources([](NamingSources& s) { s.trackName.clear(); }), " - Band - Live - 03"},
        NameCase{"NumberIsTheRowsTrackNumber", AllSwitchesOn("3412"),
                 WithSources([](NamingSources& s) { s.trackNumber = 12; }),
                 "12 - Intro - Band - Live"},
        NameCase{"ReplaceSpaces",
                 With(Settings{},
                      [](Settings& s) {
                          s.AlbumAsFileName = true;
                          s.TrackNameAsFileName = false;
                          s.ReplaceSpaces = true;
                      }),
                 BandLiveIntro(), "Band_-_Live"},
        NameCase{"SeparatorsInPartsBecomeMinus", Settings{}, WithSources([](NamingSources& s) {
                     s.artist = "AC/DC";
                     s.trackName = "Who?\\Me:\"*<>|";
                 }),
                 "AC-DC - Who--Me------"},
        NameCase{"ControlCharactersBecomeMinus", Settings{}, WithSources([](NamingSources& s) {
                     s.artist = "a\r\nb";
                     s.trackName = std::string("t\x01\x7f\x85\tz");
                 }),
                 "a--b - t----z"},
        NameCase{"CutTo250", Settings{},
                 WithSources([](NamingSources& s) { s.trackName = std::string(300, 'x'); }),
                 "Band - " + std::string(243, 'x')}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    AdvancedForm, BuildFileNameCases,
    ::testing::Values(
        NameCase{"AllParts", Advanced("%1 (%2) %3. %4"), BandLiveIntro(), "Band (Live) 03. Intro"},
        NameCase{"PatternSlashBecomesMinus", Advanced("%1/%4"), BandLiveIntro(), "Band-Intro"},
        NameCase{"PercentPercent", Advanced("100%% %4"), BandLiveIntro(), "100% Intro"},
        NameCase{"CddbId", Advanced("%5"), BandLiveIntro(), "00C0FFEE"},
        NameCase{"PercentOtherDropsThePercent", Advanced("%x%9"), BandLiveIntro(), "x9"},
        NameCase{"PercentBeforeForbiddenCharacter", Advanced("%:%?"), BandLiveIntro(), "--"},
        NameCase{"TrailingPercentGivesNothing", Advanced("%4%"), BandLiveIntro(), "Intro"},
        NameCase{"EmptyArtistGivesNothing", Advanced("%1%2"),
                 WithSources([](NamingSources& s) { s.artist.clear(); }), "Live"},
        NameCase{"EmptyPatternGivesTheNumber", Advanced(""), BandLiveIntro(), "03"},
        NameCase{"OnlyEmptyPartsGiveTheNumber", Advanced("%1"),
                 WithSources([](NamingSources& s) { s.artist.clear(); }), "03"},
        NameCase{"PatternControlCharacters", Advanced("%4\n%1\t"), BandLiveIntro(), "Intro-Band-"},
        NameCase{"PartsAreCleanedToo", Advanced("%1 %4"),
                 WithSources([](NamingSources& s) { s.trackName = "../x"; }), "Band ..-x"},
        NameCase{"ReplaceSpacesAfterTheNumber",
                 With(Advanced("%1 %3 "), [](Settings& s) { s.ReplaceSpaces = true; }),
                 BandLiveIntro(), "Band_03_"},
        NameCase{"CutTo250", Advanced(std::string(260, 'p') + "%4"), BandLiveIntro(),
                 std::string(250, 'p')}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(BuildFileName, EveryOrderCodePlacesThePartsHighestDigitFirst) {
    const std::map<char, std::string> part = {
        {'1', "Band"}, {'2', "Live"}, {'3', "03"}, {'4', "Intro"}};
    std::string order = "1234";
    int seen = 0;
    do {
        std::string expected;
        for (char digit : order) {
            expected += (expected.empty() ? "" : " - ") + part.at(digit);
        }
        EXPECT_EQ(BuildFileName(AllSwitchesOn(order), BandLiveIntro()), expected) << order;
        ++seen;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(seen, 24);
}

struct ComponentCase {
    const char* label;
    std::string text;
    std::string file;       // FileSystemComponent
    std::string directory;  // DirectoryComponent
};

void PrintTo(const ComponentCase& c, std::ostream* os) {
    *os << c.label;
}

class Components : public ::testing::TestWithParam<ComponentCase> {};

TEST_P(Components, AreSafeDirectoryEntries) {
    EXPECT_EQ(FileSystemComponent(GetParam().text), GetParam().file);
    EXPECT_EQ(DirectoryComponent(GetParam().text), GetParam().directory);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Components,
    ::testing::Values(
        ComponentCase{"Plain", "Band", "Band", "Band"}, ComponentCase{"Dot", ".", ".", "-"},
        ComponentCase{"DotDot", "..", "..", "--"}, ComponentCase{"ThreeDots", "...", "...", "---"},
        ComponentCase{"LeadingDot", ".x", ".x", ".x"}, ComponentCase{"Slash", "a/b", "a-b", "a-b"},
        ComponentCase{"Backslash", "..\\..", "..-..", "..-.."},
        ComponentCase{"LineBreaks", "a\r\nb\x7f", "a--b-", "a--b-"},
        ComponentCase{"Latin1BecomesUtf8", "Caf\xe9 \xc4", "Caf\xc3\xa9 \xc3\x84",
                      "Caf\xc3\xa9 \xc3\x84"},
        ComponentCase{"C1ControlsBecomeMinus", "a\x80\x9f\xa0", "a--\xc2\xa0", "a--\xc2\xa0"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FileSystemComponent, CutsOnACharacterBoundary) {
    const std::string latin1(200, '\xe9');  // 400 bytes in UTF-8
    const std::string cut = FileSystemComponent(latin1);
    EXPECT_EQ(cut.size(), 254u);
    EXPECT_EQ(cut.substr(252), "\xc3\xa9");
    EXPECT_EQ(FileSystemComponent("a" + latin1, 4), "a\xc3\xa9");
    EXPECT_EQ(FileSystemComponent(std::string(300, 'x')).size(), 255u);
}

}  // namespace
}  // namespace ps
