#include <gtest/gtest.h>

#include "cdaccess/read_method.h"
#include "grab/copy_status.h"
#include "grab/status_report.h"
#include "tracks/track_status_text.h"

namespace ps {
namespace {

TEST(CopyStatusForResult, MapsEveryResultOfEachMode) {
    struct Case {
        int mode;
        int result;
        bool directFailed;
        int status;
    };
    const Case cases[] = {
        {access_mode::kAspi, 1, false, 256},       {access_mode::kAspi, 0, false, 257},
        {access_mode::kAspi, 0, true, 264},        {access_mode::kAspi, 10002, false, 257},
        {access_mode::kAspi, 10004, false, 257},   {access_mode::kAspi, 255, false, 258},
        {access_mode::kAspi, 10003, false, 259},   {access_mode::kAspi, 10005, false, 260},
        {access_mode::kAspi, 10000, false, 263},   {access_mode::kAspi, 4, false, 4},
        {access_mode::kAspi, 2, false, 2},         {access_mode::kAnalog, 1, false, 256},
        {access_mode::kAnalog, 10003, false, 259}, {access_mode::kAnalog, 255, false, 256},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CopyStatusForResult(c.mode, c.result, c.directFailed), c.status)
            << "mode " << c.mode << " result " << c.result;
    }
}

TEST(ClearResultsForStatus, FailedWritesKeepNoFiguresAndOnlyACopyKeepsItsChecksumState) {
    TrackCopyResults r;
    r.speed = 400;
    r.lostSynchs = 2;
    r.checksum = 0xABCD;
    r.checksumState = 3;
    r.copyStatus = copy_status::kTempNotWritable;
    ClearResultsForStatus(r);
    EXPECT_EQ(r.speed, -1);
    EXPECT_EQ(r.lostSynchs, 0);
    EXPECT_EQ(r.checksum, 0u);
    EXPECT_EQ(r.checksumState, -1);

    r = {};
    r.speed = 400;
    r.checksumState = 2;
    r.copyStatus = copy_status::kSynchLost;
    ClearResultsForStatus(r);
    EXPECT_EQ(r.speed, 400);
    EXPECT_EQ(r.checksumState, -1);
}

struct ColumnCase {
    int status;
    int checksumState;
    bool available;
    const char* expected;
};

class InformationColumnStatuses : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(InformationColumnStatuses, StatusTextThenTheChecksumOfACopiedTrack) {
    const TextTable texts;
    Settings settings;  // ShowChecksum on, every other switch off
    TrackCopyResults r;
    r.copyStatus = GetParam().status;
    r.checksum = 0xABC;
    r.checksumState = GetParam().checksumState;
    r.checksumAvailable = GetParam().available;
    EXPECT_EQ(trackInformationText(texts, settings, r), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InformationColumnStatuses,
    ::testing::Values(
        ColumnCase{0, 0, true, ""}, ColumnCase{256, 0, true, "Copied OK ,Checksum: 00000ABC"},
        ColumnCase{256, 1, true, "Copied OK ,Checksum: 00000ABCX"},
        ColumnCase{256, 2, true, "Copied OK ,Checksum: X00000ABC"},
        ColumnCase{256, 3, true, "Copied OK ,Checksum: X00000ABCX"},
        ColumnCase{256, 0, false, "Copied OK ,Checksum: N/A"},
        ColumnCase{257, 0, true, "Aborted by user"}, ColumnCase{258, 0, true, "Aspi didn't answer"},
        ColumnCase{259, 0, true, "Aspi error"}, ColumnCase{260, 0, true, "Could not open temp.wav"},
        ColumnCase{263, 0, true, "Sync lost - Aborted"},
        ColumnCase{264, 0, true, "Aborted, MP3 Encoder problems"},
        ColumnCase{4, 0, true, "Aspi error"}));

TEST(InformationColumn, EverySwitchAddsItsItemInOrder) {
    const TextTable texts;
    Settings all;
    all.ShowRipSpeed = all.ShowLostSynchs = all.ShowSpeedProblems = true;
    all.ShowOldPeak = all.ShowNewPeak = all.ShowOldAverage = all.ShowNewAverage = true;
    all.ShowOldCompactRatio = all.ShowNewCompactRatio = true;
    TrackCopyResults r;
    r.copyStatus = 256;
    r.checksum = 0x1234ABCD;
    r.checksumState = 0;
    r.speed = 425;
    r.lostSynchs = 2;
    r.speedProblems = 12;
    r.oldPeak = 7;
    r.newPeak = 98;
    r.oldAverage = 40;
    r.newAverage = -1;
    r.oldCompact = -1;
    r.newCompact = 100;
    EXPECT_EQ(trackInformationText(texts, all, r),
              "Copied OK ,Checksum: 1234ABCD, Rip speed: 4.25x, 2 Sync lost,  12 speed problems, "
              "Old peak:  7%, New peak: 98%, Old avg: 40%, New avg: N/A, Old compact: N/A, "
              "New compact: 100%");

    r = {};
    r.copyStatus = 257;
    r.speedProblems = 3;
    Settings some;
    some.ShowChecksum = false;
    some.ShowRipSpeed = some.ShowLostSynchs = some.ShowSpeedProblems = true;
    EXPECT_EQ(trackInformationText(texts, some, r),
              "Aborted by user, Rip speed: none, Sync OK, 3 speed problems");
    r.speedProblems = 0;
    some.ShowRipSpeed = some.ShowLostSynchs = false;
    EXPECT_EQ(trackInformationText(texts, some, r), "Aborted by user, no speed problems");
}

TEST(DetailedCopyStatus, CopiedTrackShowsEveryFigure) {
    const TextTable texts;
    TrackRecord track;
    track.name = "Song";
    track.results.copyStatus = 256;
    track.results.checksum = 0xFF;
    track.results.checksumState = 1;
    track.results.speed = 1200;
    track.results.lostSynchs = 1;
    track.results.speedProblems = 2;
    track.results.possibleSpeedProblems = 3;
    track.results.oldPeak = 5;
    const DetailedStatus status = DetailedCopyStatus(track, texts);
    EXPECT_EQ(status.caption, "Copy status Song");
    EXPECT_EQ(status.checksum, "Checksum: 000000FFX");
    EXPECT_EQ(status.result, "Copy Result: OK");
    EXPECT_EQ(status.ripSpeed, "Rip speed: 12.00x");
    EXPECT_EQ(status.lostSynchs, "Lost synchs: 1");
    EXPECT_EQ(status.speedProblems, "Speed problems: 2");
    EXPECT_EQ(status.possibleSpeedProblems, "Possible speed problems: 3");
    EXPECT_EQ(status.values[0], " 05%");
    EXPECT_EQ(status.lines[0], "Old peak value: 05%");
    EXPECT_EQ(status.lines[1], "New peak value: N/A");
    EXPECT_EQ(status.lines[5], "New compact ratio: N/A");
}

TEST(DetailedCopyStatus, ChecksumTextFollowsStatusAndAvailability) {
    const TextTable texts;
    TrackRecord track;
    track.results.copyStatus = 256;
    track.results.checksumState = -1;
    EXPECT_EQ(DetailedCopyStatus(track, texts).checksum, "Checksum: none");
    track.results.checksumAvailable = false;
    EXPECT_EQ(DetailedCopyStatus(track, texts).checksum, "Checksum: Disabled");
    track.results.copyStatus = 263;
    const DetailedStatus failed = DetailedCopyStatus(track, texts);
    EXPECT_EQ(failed.checksum, "");
    EXPECT_EQ(failed.result, "Copy Result: Synch lost");

    track.results = {};
    const DetailedStatus untouched = DetailedCopyStatus(track, texts);
    EXPECT_EQ(untouched.result, "Copy Result: Not copied");
    EXPECT_EQ(untouched.ripSpeed, "Rip speed:");
    EXPECT_EQ(untouched.lostSynchs, "Lost synchs:");
    EXPECT_EQ(DetailedResultText(259, texts), "Aspi error");
    EXPECT_EQ(DetailedResultText(264, texts), "Encoder failure");
    EXPECT_EQ(DetailedResultText(258, texts), "Aspi didn't answer");
}

TEST(TrackListText, HeaderWithTheDiscNumberOrUnknownAndOneLinePerRow) {
    DiscRecord disc;
    disc.artist = "Band";
    disc.album = "Live";
    disc.cdPlayerNumber = 0;
    EXPECT_EQ(TrackListText(disc, true), "Artist: Band\t CD#: UNKNOWN\r\nAlbum: Live\r\n");

    disc.cdPlayerNumber = 0x5A0B3C;
    disc.listReady = true;
    disc.tracks[1] = {0, 33749, false, "Long", true, "Copied OK", {}};
    disc.tracks[2] = {33750, 37499, false, "Short", false, "", {}};
    disc.rows = {2, 1};
    EXPECT_EQ(TrackListText(disc, false),
              "Artist: Band\tCD#: 5A0B3C\r\n"
              "Short\t00:50\t  8.41 Mb\t\r\n"
              "Long\t07:30\t75.70 Mb\tCopied OK\r\n");
}

}  // namespace
}  // namespace ps
