// The track list over a scripted drive: the refresh and its message rows, the selection,
// renaming, the artist and album fields, moving rows and the disc-arrival rule.
#include "tracks/track_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/settings.h"
#include "cdaccess/read_method.h"
#include "i18n/text_table.h"

using namespace ps;

namespace {

struct ScriptedSource : TrackListSource {
    int mode = access_mode::kAspi;
    bool lowMemory = false;
    int diskInfo = 256;
    std::vector<std::int32_t> starts;  // of tracks 1..n
    std::int32_t total = 0;
    std::vector<int> dataTracks;
    std::uint32_t discNumber = 0x1234;
    bool unchanged = false;
    int unchangedCalls = 0;
    CdplayerRead cdplayer;
    int cdplayerReads = 0;

    int accessMode() const override { return mode; }
    bool helperStartupFailed() const override { return lowMemory; }
    int getDiskInfo() override { return diskInfo; }
    int getLowest() override { return starts.empty() ? 0 : 1; }
    int getHighest() override { return static_cast<int>(starts.size()); }
    std::int32_t getTrackInfo(int track) override {
        return track >= 1 && track <= static_cast<int>(starts.size())
                   ? starts[static_cast<std::size_t>(track - 1)]
                   : 0;
    }
    std::int32_t getTotalTime() override { return total; }
    bool isDataTrack(int track) override {
        return std::find(dataTracks.begin(), dataTracks.end(), track) != dataTracks.end();
    }
    std::uint32_t identifyAndStore() override { return discNumber; }
    bool discUnchanged() override {
        ++unchangedCalls;
        return unchanged;
    }
    CdplayerRead readCdplayer(std::uint32_t, bool, int, int, const std::function<bool(int)>&,
                              const DefaultTrackNames&) override {
        ++cdplayerReads;
        return cdplayer;
    }

    // Tracks of the given lengths in frames, the first starting at frame 0.
    void disc(const std::vector<std::int32_t>& lengths) {
        starts.clear();
        total = 0;
        for (std::int32_t length : lengths) {
            starts.push_back(total);
            total += length;
        }
    }
};

struct RecordingUi : TrackListUi {
    std::vector<std::pair<std::string, std::string>> notices;
    std::vector<std::string> questions;
    bool answer = true;
    int beeps = 0;

    void showNotice(const std::string& text, const std::string& title) override {
        notices.emplace_back(text, title);
    }
    bool askYesNo(const std::string& text, const std::string&) override {
        questions.push_back(text);
        return answer;
    }
    void beep() override { ++beeps; }
};

struct FixedFreeSpace : FreeSpace {
    std::optional<std::uint64_t> bytes = 1ull << 40;
    std::optional<std::uint64_t> freeBytes(const std::string&) const override { return bytes; }
};

class TrackListTest : public ::testing::Test {
  protected:
    TrackListTest() { source.disc({33750, 3750, 22500}); }

    std::vector<int> rowTracks() const { return disc.rows; }
    std::vector<bool> selection() const {
        std::vector<bool> result;
        for (const TrackRow& row : model.rows()) {
            result.push_back(row.selected);
        }
        return result;
    }

    DiscRecord disc;
    Settings settings;
    TextTable texts;
    ScriptedSource source;
    RecordingUi ui;
    FixedFreeSpace freeSpace;
    TrackListModel model{disc, settings, texts, source, ui, freeSpace};
};

TEST_F(TrackListTest, RefreshBuildsRowsWithTimesSizesAndTheStatusText) {
    ASSERT_TRUE(model.refresh());
    EXPECT_FALSE(model.grey());
    EXPECT_TRUE(disc.listReady);
    EXPECT_EQ(disc.cdPlayerNumber, 0x1234u);
    const std::vector<TrackRow> rows = model.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "Track  1");
    EXPECT_EQ(rows[0].time, "07:30");
    EXPECT_EQ(rows[0].size, "75.70 Mb");
    EXPECT_EQ(rows[1].time, "00:50");
    EXPECT_EQ(rows[1].size, "  8.41 Mb");
    EXPECT_EQ(disc.tracks[1].end, 33749);
    EXPECT_EQ(disc.tracks[3].end, 33750 + 3750 + 22500 - 1);
    EXPECT_TRUE(rows[2].selected);
    EXPECT_EQ(model.statusTracks(), " 3 Tracks,  Playtime: 13:20");
    EXPECT_TRUE(model.grabEnabled());
    EXPECT_TRUE(model.storeCdplayerEnabled());
}

TEST_F(TrackListTest, MscdexTotalLengthStartsAtTrackOne) {
    source.mode = access_mode::kMscdex;
    source.starts = {150, 33900};
    source.total = 150 + 33750 + 3750;  // the lead-out position
    ASSERT_TRUE(model.refresh());
    EXPECT_EQ(disc.totalLength, 33750 + 3750);
    EXPECT_EQ(disc.tracks[2].end, 150 + 33750 + 3750 - 1);
}

struct MessageCase {
    const char* name;
    int mode;
    bool lowMemory;
    int diskInfo;
    const char* row;
};

class TrackListMessageTest : public TrackListTest,
                             public ::testing::WithParamInterface<MessageCase> {};

TEST_P(TrackListMessageTest, ShowsOneGreyRowThatRefusesEverything) {
    ASSERT_TRUE(model.refresh());  // a disc first, so that everything has to be cleared
    disc.autoQueryDue = true;
    source.mode = GetParam().mode;
    source.lowMemory = GetParam().lowMemory;
    source.diskInfo = GetParam().diskInfo;
    EXPECT_FALSE(model.refresh());
    EXPECT_TRUE(model.grey());
    ASSERT_EQ(model.rowCount(), 1u);
    EXPECT_EQ(model.rows()[0].name, GetParam().row);
    EXPECT_EQ(model.rows()[0].trackNumber, 0);
    EXPECT_EQ(disc.lastTrack, 0);
    EXPECT_FALSE(disc.listReady);
    EXPECT_FALSE(disc.autoQueryDue);
    EXPECT_FALSE(model.grabEnabled());
    EXPECT_TRUE(model.statusTracks().empty());

    model.toggle(0);
    model.selectAll();
    EXPECT_FALSE(model.rows()[0].selected);
    EXPECT_FALSE(model.rename(0, "x").accepted);
    EXPECT_FALSE(model.moveByDrop(0, std::nullopt, 0));
    EXPECT_EQ(model.statusTimeLeft(), "Total time left: 00:00:00");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TrackListMessageTest,
    ::testing::Values(
        MessageCase{"NoDrive", access_mode::kNone, false, 256, "No CD-ROM drive available"},
        MessageCase{"NoDriveAfterHelperFailed", access_mode::kNone, true, 256,
                    "Not enough low DOS memory for MSCDEX calls."},
        MessageCase{"NotReady", access_mode::kAspi, false, 0, "The CD drive is not ready."},
        MessageCase{"NotReadyAspiAfterHelperFailed", access_mode::kAspi, true, 0,
                    "The CD drive is not ready."},
        MessageCase{"NotReadyMscdexAfterHelperFailed", access_mode::kMscdex, true, 0,
                    "Not enough low DOS memory for MSCDEX calls."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrackListTest, AnswerSevenSixtyEightCountsAsATableRead) {
    source.diskInfo = 768;
    EXPECT_TRUE(model.refresh());
}

TEST_F(TrackListTest, TableBeyondTheTrackRecordsIsNotReady) {
    source.starts.assign(101, 0);
    for (std::size_t i = 0; i < source.starts.size(); ++i) {
        source.starts[i] = static_cast<std::int32_t>(i * 100);
    }
    EXPECT_FALSE(model.refresh());
    EXPECT_EQ(model.rows()[0].name, kDriveNotReadyRow);
}

TEST_F(TrackListTest, DataTrackAtTheEndIsNeverSelected) {
    source.dataTracks = {3};
    ASSERT_TRUE(model.refresh());
    EXPECT_EQ(model.rows()[2].name, "Data Track");
    EXPECT_EQ(selection(), (std::vector<bool>{true, true, false}));
    model.selectNone();
    model.selectAll();
    EXPECT_EQ(selection(), (std::vector<bool>{true, true, false}));
    model.toggle(2);
    EXPECT_FALSE(model.rows()[2].selected);
    model.toggle(0);
    model.toggle(2, true);  // a Shift range that ends on the data track turns the others on
    EXPECT_EQ(selection(), (std::vector<bool>{true, true, false}));
}

TEST_F(TrackListTest, CdplayerEntryGivesOrderNamesArtistAndQuery) {
    source.cdplayer.order = parsePlayOrder("2 0 ", 1, 3);
    source.cdplayer.titles.tracks = {{3, "Third", "Third"}, {1, "a-b", "a/b"}};
    source.cdplayer.titles.artist = "Artist";
    source.cdplayer.autoQueryDue = true;
    ASSERT_TRUE(model.refresh());
    EXPECT_EQ(rowTracks(), (std::vector<int>{3, 1, 2}));
    const std::vector<TrackRow> rows = model.rows();
    EXPECT_EQ(rows[0].name, "Third");
    EXPECT_EQ(rows[1].name, "a-b");
    EXPECT_EQ(rows[2].name, "Track  2");
    EXPECT_EQ(disc.artist, "Artist");
    EXPECT_EQ(disc.album, "");
    EXPECT_TRUE(disc.autoQueryDue);
}

TEST_F(TrackListTest, CdplayerIsNotReadWhenOffOrWithoutDiscNumber) {
    settings.StoreInCdplayer_ini = false;
    ASSERT_TRUE(model.refresh());
    EXPECT_FALSE(model.storeCdplayerEnabled());
    settings.StoreInCdplayer_ini = true;
    source.discNumber = 0;
    ASSERT_TRUE(model.refresh());
    EXPECT_FALSE(model.storeCdplayerEnabled());
    ASSERT_TRUE(model.refresh(false));
    EXPECT_EQ(source.cdplayerReads, 0);
}

TEST_F(TrackListTest, SelectAllTrackOffLeavesEveryRowUnselected) {
    settings.SelectAllTrack = false;
    ASSERT_TRUE(model.refresh());
    EXPECT_EQ(selection(), (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(model.grabEnabled());
    model.selectAll();
    EXPECT_TRUE(model.grabEnabled());
    model.selectNone();
    EXPECT_FALSE(model.grabEnabled());
    // A dropped track file selects its track by number, and the grab can start.
    model.selectTrack(2);
    EXPECT_EQ(selection(), (std::vector<bool>{false, true, false}));
    EXPECT_TRUE(model.grabEnabled());
}

TEST_F(TrackListTest, SelectionEnablesGrabEvenWhenTheEstimateIsZeroBytes) {
    settings.UseL3enc = true;
    settings.InternalCodec = true;
    settings.CodecMode = "PCM, 44,100 Hz, Stereo";
    model.setDirectEncodeActive(true);
    ASSERT_TRUE(model.refresh());
    EXPECT_EQ(model.diskSpace().sum, 0);
    EXPECT_TRUE(model.grabEnabled());
    model.selectNone();
    EXPECT_FALSE(model.grabEnabled());
}

TEST_F(TrackListTest, ShiftTogglesTheRangeFromThePreviousClickedRow) {
    source.disc({100, 100, 100, 100, 100});
    settings.SelectAllTrack = false;
    ASSERT_TRUE(model.refresh());
    model.toggle(3);
    model.toggle(1, true);
    EXPECT_EQ(selection(), (std::vector<bool>{false, true, true, true, false}));
    model.toggle(4, true);  // from row 1, which is selected: row 4 turns on, so all do
    EXPECT_EQ(selection(), (std::vector<bool>{false, true, true, true, true}));
    model.toggle(2);
    model.toggle(0, true);  // row 0 turns on, rows 0 to 2 with it
    EXPECT_EQ(selection(), (std::vector<bool>{true, true, true, true, true}));
    model.toggle(0, true);  // the same row again: only it
    EXPECT_EQ(selection(), (std::vector<bool>{false, true, true, true, true}));
}

struct RenameCase {
    const char* text;
    const char* name;
    const char* submission;
    bool message;
};

class TrackListRenameTest : public TrackListTest,
                            public ::testing::WithParamInterface<RenameCase> {};

TEST_P(TrackListRenameTest, Renames) {
    ASSERT_TRUE(model.refresh());
    const RenameResult result = model.rename(1, GetParam().text);
    EXPECT_TRUE(result.accepted);
    EXPECT_EQ(result.name, GetParam().name);
    EXPECT_EQ(result.submissionTitle, GetParam().submission);
    EXPECT_EQ(disc.tracks[2].name, GetParam().name);
    EXPECT_EQ(result.replaced, GetParam().message);
    ASSERT_EQ(ui.notices.size(), GetParam().message ? 1u : 0u);
    if (GetParam().message) {
        EXPECT_EQ(ui.notices[0].first,
                  "A file name can not contain any of the following characters:\n\t\\ / : * ? \" "
                  "< > |\nThey will be replaced with a - sign.");
        EXPECT_EQ(ui.notices[0].second, "Invalid track name");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, TrackListRenameTest,
    ::testing::Values(RenameCase{"", "------", "------", false},
                      RenameCase{"a/b", "a-b", "a/b", true},
                      RenameCase{"\"*/:<>?\\|", "---------", "\"*/:<>?\\|", true},
                      RenameCase{"Plain \xe9t\xe9", "Plain \xe9t\xe9", "Plain \xe9t\xe9", false}));

TEST_F(TrackListTest, ArtistFieldBeepsOncePerReplacedCharacterAndCutsTheTag) {
    ASSERT_TRUE(model.refresh());
    const FieldResult artist = model.artistChanged("AC/DC: Live <1991> and more and more");
    EXPECT_EQ(artist.text, "AC-DC- Live -1991- and more and more");
    EXPECT_EQ(artist.replacedCount, 4);
    EXPECT_EQ(ui.beeps, 4);
    EXPECT_EQ(artist.tagText, "AC-DC- Live -1991- and more an");
    EXPECT_EQ(disc.artist, artist.text);
    const FieldResult album = model.albumChanged("Album");
    EXPECT_EQ(album.replacedCount, 0);
    EXPECT_EQ(disc.album, "Album");
    EXPECT_EQ(ui.beeps, 4);
}

struct MoveCase {
    const char* name;
    std::size_t from;
    std::optional<std::size_t> target;
    int offset;
    std::vector<int> rows;
    std::optional<std::size_t> destination;
};

class TrackListMoveTest : public TrackListTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(TrackListMoveTest, MovesTheTrackWithItsRow) {
    source.disc({100, 200, 300, 400});
    ASSERT_TRUE(model.refresh());
    ASSERT_TRUE(model.rename(0, "First").accepted);
    model.toggle(0);
    EXPECT_EQ(model.moveByDrop(GetParam().from, GetParam().target, GetParam().offset),
              GetParam().destination);
    EXPECT_EQ(rowTracks(), GetParam().rows);
    // The record moves with its row: name and selection stay with track 1.
    const std::vector<TrackRow> rows = model.rows();
    for (const TrackRow& row : rows) {
        EXPECT_EQ(row.name == "First", row.trackNumber == 1);
        EXPECT_EQ(row.selected, row.trackNumber != 1);
        EXPECT_EQ(row.time, formatPlayTime(row.trackNumber * 100));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Drops, TrackListMoveTest,
    ::testing::Values(MoveCase{"BeforeALaterRow", 0, 2, 5, {2, 1, 3, 4}, 1},
                      MoveCase{"AfterALaterRow", 0, 2, 17, {2, 3, 1, 4}, 2},
                      MoveCase{"SixteenPixelsIsStillBefore", 0, 2, 16, {2, 1, 3, 4}, 1},
                      MoveCase{"BeforeAnEarlierRow", 3, 0, 0, {4, 1, 2, 3}, 0},
                      MoveCase{"AfterAnEarlierRow", 3, 0, 20, {1, 4, 2, 3}, 1},
                      MoveCase{"BelowTheLastRow", 0, std::nullopt, 0, {2, 3, 4, 1}, 3},
                      MoveCase{"OntoItself", 1, 1, 3, {1, 2, 3, 4}, std::nullopt},
                      MoveCase{"JustAfterItself", 1, 2, 0, {1, 2, 3, 4}, std::nullopt},
                      MoveCase{"LastBelowTheLast", 3, std::nullopt, 0, {1, 2, 3, 4}, std::nullopt},
                      MoveCase{"RowThatIsNotThere", 7, 0, 0, {1, 2, 3, 4}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrackListTest, DiscArrivalRefreshesOnlyAnIdleListWithAChangedDisc) {
    ASSERT_TRUE(model.refresh());
    const struct {
        DiscArrivalState state;
        bool unchanged;
        bool refresh;
        bool abortQuery;
    } cases[] = {
        {{}, false, true, false},
        {{}, true, false, false},
        {{.cddbQueryOpen = true}, false, true, true},
        {{.grabRunning = true}, false, false, false},
        {{.copyRunning = true}, false, false, false},
        {{.playing = true}, false, false, false},
        {{.copyingWindowVisible = true}, false, false, false},
        {{.mp3SettingsOpen = true}, false, false, false},
    };
    for (const auto& c : cases) {
        source.unchanged = c.unchanged;
        const DiscArrivalDecision decision = model.discArrived(c.state);
        EXPECT_EQ(decision.refresh, c.refresh);
        EXPECT_EQ(decision.abortCddbQueryFirst, c.abortQuery);
    }
    // A list showing the not-ready row takes the disc even when identification would call
    // it unchanged, as after a refresh that came before the drive was ready.
    source.diskInfo = 0;
    model.refresh();
    source.diskInfo = 256;
    source.unchanged = true;
    EXPECT_TRUE(model.discArrived({}).refresh);
}

TEST_F(TrackListTest, ShutdownStopsRefreshAndEstimates) {
    ASSERT_TRUE(model.refresh());
    const std::string before = model.statusTimeLeft();
    model.shutDown();
    EXPECT_EQ(disc.lastTrack, DiscRecord::kShuttingDown);
    model.selectNone();
    EXPECT_EQ(model.statusTimeLeft(), before);
    EXPECT_FALSE(model.refresh());
    EXPECT_FALSE(model.discArrived({}).refresh);
}

TEST_F(TrackListTest, ReadsTheCdPlayerDatabaseFile) {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() /
        ("track_list_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(directory);
    const CdplayerIni file((directory / "cdplayer.ini").string());
    std::ofstream(file.path(), std::ios::binary)
        << "[1234]\r\nartist=The Band\r\ntitle=Live: 1999\r\nnumtracks=3\r\norder=2 0 \r\n"
           "0=Opening\r\n2=Yes/No\r\n";
    struct FileSource : ScriptedSource {
        const CdplayerIni* file = nullptr;
        CdplayerRead readCdplayer(std::uint32_t number, bool autoQuery, int first, int last,
                                  const std::function<bool(int)>& isData,
                                  const DefaultTrackNames& defaults) override {
            return file->read(number, autoQuery, first, last, isData, defaults);
        }
    } fileSource;
    fileSource.disc({33750, 3750, 22500});
    fileSource.file = &file;
    TrackListModel fromFile(disc, settings, texts, fileSource, ui, freeSpace);
    ASSERT_TRUE(fromFile.refresh());
    EXPECT_EQ(disc.rows, (std::vector<int>{3, 1, 2}));
    const std::vector<TrackRow> rows = fromFile.rows();
    EXPECT_EQ(rows[0].name, "Yes-No");
    EXPECT_EQ(rows[1].name, "Opening");
    EXPECT_EQ(rows[2].name, "Track  2");
    EXPECT_EQ(disc.artist, "The Band");
    EXPECT_EQ(disc.album, "Live: 1999");
    EXPECT_FALSE(disc.autoQueryDue);
    std::filesystem::remove_all(directory);
}

TEST_F(TrackListTest, NewTextsRenameDefaultNamedTracksOnly) {
    ASSERT_TRUE(model.refresh());
    ASSERT_TRUE(model.rename(0, "Own").accepted);
    const DefaultTrackNames previous{"Track", "Data Track"};
    texts.loadFromData("DefaultName=Titel\r\nTracksStatus=%d Titel, Spielzeit: %s\r\n");
    model.textsChanged(previous);
    const std::vector<TrackRow> rows = model.rows();
    EXPECT_EQ(rows[0].name, "Own");
    EXPECT_EQ(rows[1].name, "Titel  2");
    EXPECT_EQ(model.statusTracks(), " 3 Titel, Spielzeit: 13:20");
}

TEST_F(TrackListTest, RebuildsTheInformationColumnFromTheResults) {
    ASSERT_TRUE(model.refresh());
    disc.tracks[2].results.copyStatus = 256;
    disc.tracks[2].results.checksum = 0xBEEF;
    disc.tracks[2].results.checksumState = 0;
    disc.tracks[3].information = "stale";
    model.rebuildInformation();
    const std::vector<TrackRow> rows = model.rows();
    EXPECT_EQ(rows[0].information, "");
    EXPECT_EQ(rows[1].information, "Copied OK ,Checksum: 0000BEEF");
    EXPECT_EQ(rows[2].information, "");
}

}  // namespace
