#include "cddb/cdplayer_ini.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ps {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kDisc = 0xABC123;

std::vector<int> identity(int first, int last) {
    std::vector<int> order;
    for (int t = first; t <= last; ++t) {
        order.push_back(t);
    }
    return order;
}

TEST(ParsePlayOrder, NamedTracksFirstThenTheRestAscending) {
    const struct {
        const char* order;
        int first;
        int last;
        std::vector<int> tracks;
    } cases[] = {
        {"2 0 ", 1, 3, {3, 1, 2}},
        {"2 0 1 ", 1, 3, {3, 1, 2}},
        {"0 2 4 ", 1, 5, {1, 3, 5, 2, 4}},
        {"", 1, 3, {1, 2, 3}},
        {"2 0", 1, 3, {3, 1, 2}},  // no space after the last entry
        // A number that is no track of the disc is passed over.
        {"7 0 ", 1, 3, {1, 2, 3}},
        {"9 1 ", 1, 3, {2, 1, 3}},
        {"0 ", 2, 4, {2, 3, 4}},  // track 1 is not on a disc that starts with track 2
        {"2 ", 2, 4, {3, 2, 4}},
        // A track named twice keeps its first place.
        {"1 1 0 ", 1, 3, {2, 1, 3}},
        {"2 2 2 2 ", 1, 3, {3, 1, 2}},
        // More entries than tracks.
        {"2 1 0 0 1 2 5 ", 1, 3, {3, 2, 1}},
        // Anything that is not a plain number, and runs of blanks.
        {"x -1 1x +0 1 ", 1, 3, {2, 1, 3}},
        {"  2   0 ", 1, 3, {3, 1, 2}},
        {"99999999999999999999 4294967296 0 ", 1, 3, {1, 2, 3}},
        {"0 ", 1, 0, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parsePlayOrder(c.order, c.first, c.last), c.tracks) << '"' << c.order << '"';
    }
    EXPECT_EQ(parsePlayOrder("98 ", 1, 150).size(), 99u);
    EXPECT_EQ(parsePlayOrder("98 ", 1, 150).front(), 99);
}

TEST(ParsePlayOrder, AValueCutAtTheLengthLimitLosesItsPartialLastEntry) {
    // "5 98 97 ... 15 " cut to 255 characters ends in the "1" of "14": that 1 is no
    // entry, so track 2 must not take the next place; track 1 (the smallest left) does.
    std::string order = "5 ";
    for (int k = 98; k >= 0; --k) {
        order += std::to_string(k) + " ";
    }
    order.resize(255);
    ASSERT_EQ(order.back(), '1');
    std::vector<int> expected = {6};
    for (int t = 99; t >= 16; --t) {
        expected.push_back(t);
    }
    for (int t = 1; t <= 15; ++t) {
        if (t != 6) {
            expected.push_back(t);
        }
    }
    EXPECT_EQ(parsePlayOrder(order, 1, 99), expected);
}

TEST(PlayOrderText, WholeEntriesWithinTheValueLimit) {
    EXPECT_EQ(playOrderText({3, 1, 2}), "2 0 1 ");
    std::vector<int> reversed;
    for (int t = 99; t >= 1; --t) {
        reversed.push_back(t);
    }
    const std::string text = playOrderText(reversed);
    EXPECT_LE(text.size(), 255u);
    EXPECT_EQ(text.back(), ' ');
    EXPECT_EQ(text.substr(text.size() - 3), "14 ");  // 98 ... 14: 85 entries of 3 characters
}

TEST(FileNameCharacters, TheNineBecomeMinus) {
    EXPECT_EQ(replaceFileNameCharacters("a\"b*c/d:e<f>g?h\\i|j"), "a-b-c-d-e-f-g-h-i-j");
    EXPECT_EQ(replaceFileNameCharacters("caf\xE9 & co."), "caf\xE9 & co.");
}

class CdplayerIniTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("cdplayer_ini_test_" +
                std::to_string(::testing::UnitTest::GetInstance()->current_test_info()->line()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    CdplayerIni ini() const { return CdplayerIni::inProgramDirectory(dir_.string()); }
    std::string path() const { return (dir_ / "cdplayer.ini").string(); }
    void write(const std::string& content) const {
        std::ofstream out(path(), std::ios::binary);
        out << content;
    }
    std::string contents() const {
        std::ifstream in(path(), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    CdplayerRead readDisc(std::uint32_t disc, int first, int last, bool autoQuery = false,
                          std::vector<int> dataTracks = {}) const {
        return ini().read(
            disc, autoQuery, first, last,
            [dataTracks](int t) {
                return std::find(dataTracks.begin(), dataTracks.end(), t) != dataTracks.end();
            },
            DefaultTrackNames{"Track", "Data Track"});
    }

    fs::path dir_;
};

std::vector<std::string> listNames(const CdplayerRead& read) {
    std::vector<std::string> names;
    for (const auto& t : read.titles.tracks) {
        names.push_back(t.listName);
    }
    return names;
}

TEST_F(CdplayerIniTest, StoreThenReadGivesTheDiscBack) {
    write("[FF]\nartist=Other\n");
    CdplayerEntry entry;
    entry.artist = "\xC4rzte";  // ISO-8859-1 bytes stay as they are
    entry.album = "Album";
    entry.firstTrack = 1;
    entry.lastTrack = 3;
    entry.rows = {{3, "Gamma"}, {1, "Alpha"}, {2, "Beta/Two: Why?"}};
    ASSERT_TRUE(ini().store(kDisc, entry));
    EXPECT_EQ(contents(),
              "[FF]\nartist=Other\n\n[ABC123]\nartist=\xC4rzte\ntitle=Album\nnumtracks=3\n"
              "0=Alpha\n1=Beta/Two: Why?\n2=Gamma\norder=\"2 0 1 \"\n");

    const CdplayerRead read = readDisc(kDisc, 1, 3);
    EXPECT_FALSE(read.autoQueryDue);
    EXPECT_EQ(read.order, (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(listNames(read), (std::vector<std::string>{"Gamma", "Alpha", "Beta-Two- Why-"}));
    EXPECT_EQ(read.titles.tracks[2].track, 2);
    EXPECT_EQ(read.titles.tracks[2].submissionTitle, "Beta/Two: Why?");
    EXPECT_EQ(read.titles.artist, std::optional<std::string>("\xC4rzte"));
    EXPECT_EQ(read.titles.album, std::optional<std::string>("Album"));

    // Each read on its own gives the same.
    EXPECT_EQ(ini().readPlayOrder(kDisc, 1, 3), read.order);
    EXPECT_FALSE(ini().readAutoQueryMarker(kDisc));
}

TEST_F(CdplayerIniTest, StoreWritesOnlyTheDiscsTracksAndKeepsTheRest) {
    write("[ABC123]\n0=Not on this disc\n5=Old five\n");
    CdplayerEntry entry;
    entry.firstTrack = 2;
    entry.lastTrack = 3;
    entry.rows = {{2, "Two"}, {3, "Three"}, {7, "Stray"}};
    ASSERT_TRUE(ini().store(kDisc, entry));
    EXPECT_EQ(contents(),
              "[ABC123]\n0=Not on this disc\n5=Old five\nartist=\ntitle=\nnumtracks=2\n1=Two\n"
              "2=Three\norder=\"1 2 \"\n");

    EXPECT_FALSE(ini().store(0, entry));  // an unknown disc has no section
    EXPECT_FALSE(ini().markQueried(0));
}

TEST_F(CdplayerIniTest, NamesCannotEscapeTheirLineAndAreCutTo255) {
    CdplayerEntry entry;
    entry.firstTrack = 1;
    entry.lastTrack = 2;
    entry.rows = {{1, "One\n[FF]\nartist=Injected"}, {2, std::string(300, 'x')}};
    ASSERT_TRUE(ini().store(kDisc, entry));
    const CdplayerRead read = readDisc(kDisc, 1, 2);
    EXPECT_EQ(listNames(read),
              (std::vector<std::string>{"One [FF] artist=Injected", std::string(255, 'x')}));
    EXPECT_EQ(readDisc(0xFF, 1, 1).titles.artist, std::nullopt);
}

TEST_F(CdplayerIniTest, AnUnknownDiscReadsAsDefaults) {
    write("[ABC123]\n1=Nix\n");
    const CdplayerRead read = readDisc(kDisc, 1, 12, false, {12});
    EXPECT_EQ(read.order, identity(1, 12));
    EXPECT_EQ(read.titles.tracks[0].listName, "Track  1");
    EXPECT_EQ(read.titles.tracks[1].listName, "Track  2");  // "Nix" counts as absent
    EXPECT_EQ(read.titles.tracks[10].listName, "Track 11");
    EXPECT_EQ(read.titles.tracks[11].listName, "Data Track");
    EXPECT_EQ(read.titles.tracks[11].submissionTitle, "Data Track");
    EXPECT_EQ(read.titles.artist, std::nullopt);
    EXPECT_EQ(read.titles.album, std::nullopt);

    // Disc number 0 reads nothing, even a section named 0.
    write("[0]\n0=Zero\norder=1 0 \n");
    const CdplayerRead none = readDisc(0, 1, 2, true);
    EXPECT_FALSE(none.autoQueryDue);
    EXPECT_EQ(listNames(none), (std::vector<std::string>{"Track  1", "Track  2"}));
    EXPECT_EQ(contents(), "[0]\n0=Zero\norder=1 0 \n");
}

TEST_F(CdplayerIniTest, AutoQueryMarkerArmsANewDiscUntilItWasQueried) {
    // Without AutoQuery nothing is written.
    EXPECT_FALSE(readDisc(kDisc, 1, 3).autoQueryDue);
    EXPECT_FALSE(fs::exists(path()));

    EXPECT_TRUE(readDisc(kDisc, 1, 3, true).autoQueryDue);
    EXPECT_EQ(contents(), "[ABC123]\nnumtracks=Query\n");
    EXPECT_TRUE(readDisc(kDisc, 1, 3, true).autoQueryDue);  // still due until queried

    ASSERT_TRUE(ini().markQueried(kDisc));
    EXPECT_EQ(contents(), "[ABC123]\nnumtracks=Queried\n");
    EXPECT_FALSE(readDisc(kDisc, 1, 3, true).autoQueryDue);

    write("[ABC123]\nnumtracks=3\n");
    EXPECT_FALSE(readDisc(kDisc, 1, 3, true).autoQueryDue);
    EXPECT_EQ(contents(), "[ABC123]\nnumtracks=3\n");
}

TEST_F(CdplayerIniTest, AMarkerThatCannotBeWrittenArmsNothing) {
    const CdplayerIni nowhere((dir_ / "missing" / "cdplayer.ini").string());
    EXPECT_FALSE(nowhere.readAutoQueryMarker(kDisc));
    CdplayerEntry entry;
    entry.firstTrack = 1;
    entry.lastTrack = 1;
    EXPECT_FALSE(nowhere.store(kDisc, entry));
}

TEST_F(CdplayerIniTest, ALongOrderRoundTripsItsWholeEntries) {
    CdplayerEntry entry;
    entry.firstTrack = 1;
    entry.lastTrack = 99;
    for (int t = 99; t >= 1; --t) {
        entry.rows.push_back({t, "T" + std::to_string(t)});
    }
    ASSERT_TRUE(ini().store(kDisc, entry));
    // The 85 entries that fit come back in their places, the other tracks after them.
    std::vector<int> expected;
    for (int t = 99; t >= 15; --t) {
        expected.push_back(t);
    }
    for (int t = 1; t <= 14; ++t) {
        expected.push_back(t);
    }
    EXPECT_EQ(ini().readPlayOrder(kDisc, 1, 99), expected);
}

}  // namespace
}  // namespace ps
