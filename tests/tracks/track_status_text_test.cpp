// The information column and the detailed status of a track's copy results.
#include "tracks/track_status_text.h"

#include <gtest/gtest.h>

#include "app/settings.h"
#include "i18n/text_table.h"

using namespace ps;

namespace {

Settings allItemsShown() {
    Settings settings;
    settings.ShowChecksum = settings.ShowRipSpeed = settings.ShowLostSynchs = true;
    settings.ShowSpeedProblems = settings.ShowOldPeak = settings.ShowNewPeak = true;
    settings.ShowOldAverage = settings.ShowNewAverage = true;
    settings.ShowOldCompactRatio = settings.ShowNewCompactRatio = true;
    return settings;
}

TrackCopyResults copied() {
    TrackCopyResults results;
    results.copyStatus = 256;
    results.checksum = 0x1A2B3C;
    results.checksumState = 3;
    results.speed = 412;
    results.lostSynchs = 2;
    results.speedProblems = 12;
    results.oldPeak = 87;
    results.newPeak = 98;
    results.oldAverage = 5;
    return results;
}

TEST(TrackInformationText, ListsTheShownItemsInOrder) {
    const TextTable texts;
    EXPECT_EQ(trackInformationText(texts, allItemsShown(), copied()),
              "Copied OK ,Checksum: X001A2B3CX, Rip speed: 4.12x, 2 Sync lost,  12 speed problems, "
              "Old peak: 87%, New peak: 98%, Old avg:  5%, New avg: N/A, Old compact: N/A, New "
              "compact: N/A");
    Settings fewer;  // the checksum only, as by default
    TrackCopyResults results = copied();
    results.checksumState = 1;
    EXPECT_EQ(trackInformationText(texts, fewer, results), "Copied OK ,Checksum: 001A2B3CX");
    results.checksumAvailable = false;
    EXPECT_EQ(trackInformationText(texts, fewer, results), "Copied OK ,Checksum: N/A");
}

TEST(TrackInformationText, StatusTextsAndFailures) {
    const TextTable texts;
    const Settings settings = allItemsShown();
    EXPECT_EQ(trackInformationText(texts, settings, TrackCopyResults{}), "");
    TrackCopyResults aborted;
    aborted.copyStatus = 257;
    EXPECT_EQ(trackInformationText(texts, settings, aborted),
              "Aborted by user, Rip speed: none, Sync OK, no speed problems, Old peak: N/A, New "
              "peak: N/A, Old avg: N/A, New avg: N/A, Old compact: N/A, New compact: N/A");
    const struct {
        int status;
        const char* info;
        const char* result;
    } cases[] = {{0, "", "Not copied"},
                 {256, "Copied OK", "OK"},
                 {257, "Aborted by user", "Aborted"},
                 {258, "Aspi didn't answer", "Aspi didn't answer"},
                 {259, "Aspi error", "Aspi error"},
                 {260, "Could not open temp.wav", "Could not open temp.wav"},
                 {263, "Sync lost - Aborted", "Synch lost"},
                 {264, "Aborted, MP3 Encoder problems", "Encoder failure"},
                 {4, "Aspi error", "Aspi error"}};
    for (const auto& c : cases) {
        EXPECT_EQ(copyStatusInfoText(texts, c.status), c.info) << c.status;
        EXPECT_EQ(copyStatusResultText(texts, c.status), c.result) << c.status;
    }
}

TEST(TrackStatusText, DetailedStatusLines) {
    const TextTable texts;
    const TrackStatusText status = trackStatusText(texts, "Song", copied());
    EXPECT_EQ(status.caption, "Copy status Song");
    EXPECT_EQ(status.lines,
              (std::vector<std::string>{
                  "Checksum: X001A2B3CX", "Copy Result: OK", "Rip speed: 4.12x", "Lost synchs: 2",
                  "Speed problems: 12", "Possible speed problems: 0", "Old peak value: 87%",
                  "New peak value: 98%", "Old average output: 05%", "New average output: N/A",
                  "Old compact ratio: N/A", "New compact ratio: N/A"}));

    const TrackStatusText none = trackStatusText(texts, "Other", TrackCopyResults{});
    EXPECT_EQ(none.lines[0], "Checksum: ");
    EXPECT_EQ(none.lines[1], "Copy Result: Not copied");
    EXPECT_EQ(none.lines[2], "Rip speed:");
    EXPECT_EQ(none.lines[3], "Lost synchs:");

    TrackCopyResults disabled = copied();
    disabled.checksumAvailable = false;
    disabled.speed = -100;
    EXPECT_EQ(trackStatusText(texts, "x", disabled).lines[0], "Checksum: Disabled");
    EXPECT_EQ(trackStatusText(texts, "x", disabled).lines[2], "Rip speed:");
    disabled.checksumAvailable = true;
    disabled.checksumState = -1;
    EXPECT_EQ(trackStatusText(texts, "x", disabled).lines[0], "Checksum: none");
}

}  // namespace
