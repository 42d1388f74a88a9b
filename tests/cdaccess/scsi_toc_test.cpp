#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

#include "cdaccess/scsi_toc.h"
#include "support/scsi_rig.h"

namespace ps {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct TocTrack {
    std::int64_t start;
    bool data = false;
};

// A READ TOC answer for the given first and last track numbers and descriptors
// (the tracks, then the lead-out).
Bytes makeToc(int first, int last, const std::vector<TocTrack>& descriptors) {
    Bytes toc(804, 0);
    const std::size_t length = 2 + 8 * descriptors.size();
    toc[0] = static_cast<std::uint8_t>(length >> 8);
    toc[1] = static_cast<std::uint8_t>(length);
    toc[2] = static_cast<std::uint8_t>(first);
    toc[3] = static_cast<std::uint8_t>(last);
    for (std::size_t i = 0; i < descriptors.size() && 4 + 8 * i + 8 <= toc.size(); ++i) {
        std::uint8_t* d = toc.data() + 4 + 8 * i;
        d[1] = descriptors[i].data ? 0x14 : 0x10;
        d[2] = static_cast<std::uint8_t>(i + 1 == descriptors.size() ? 0xAA : first + i);
        const auto start = static_cast<std::uint32_t>(descriptors[i].start);
        d[4] = static_cast<std::uint8_t>(start >> 24);
        d[5] = static_cast<std::uint8_t>(start >> 16);
        d[6] = static_cast<std::uint8_t>(start >> 8);
        d[7] = static_cast<std::uint8_t>(start);
    }
    return toc;
}

TEST(ScsiToc, ParsesTracksEndsDataFlagsAndTotal) {
    DiscTable table;
    ASSERT_TRUE(parseToc(makeToc(1, 3, {{0}, {750}, {20000, true}, {30000}}), table));
    EXPECT_EQ(table.firstTrack, 1);
    EXPECT_EQ(table.lastTrack, 3);
    EXPECT_EQ(table.tracks[1].startSector, 0);
    EXPECT_EQ(table.tracks[1].endSector, 749);
    EXPECT_EQ(table.tracks[2].endSector, 19999);
    EXPECT_EQ(table.tracks[3].startSector, 20000);
    EXPECT_EQ(table.tracks[3].endSector, 29999);
    EXPECT_FALSE(table.tracks[2].dataTrack);
    EXPECT_TRUE(table.tracks[3].dataTrack);
    EXPECT_EQ(table.totalSectors, 30000);

    // A disc that starts at track 5 keeps its numbers.
    ASSERT_TRUE(parseToc(makeToc(5, 6, {{150}, {900}, {1200}}), table));
    EXPECT_EQ(table.tracks[5].endSector, 899);
    EXPECT_EQ(table.totalSectors, 1050);
}

TEST(ScsiToc, NinetyNineTracksFillTheWholeAnswer) {
    std::vector<TocTrack> tracks;
    for (int t = 0; t <= 99; ++t) {
        tracks.push_back({t * 1000});
    }
    DiscTable table;
    ASSERT_TRUE(parseToc(makeToc(1, 99, tracks), table));
    EXPECT_EQ(table.tracks[99].endSector, 98999);
    EXPECT_EQ(table.totalSectors, 99000);
}

TEST(ScsiToc, HostileTablesGiveTheEmptyTable) {
    std::vector<TocTrack> hundred;
    for (int t = 0; t <= 100; ++t) {
        hundred.push_back({t * 1000});
    }
    struct Case {
        const char* what;
        Bytes toc;
    };
    const std::vector<Case> cases = {
        {"no disc", makeToc(1, 0, {{0}})},
        {"first track 0", makeToc(0, 2, {{0}, {100}, {200}, {300}})},
        {"first after last", makeToc(4, 2, {{0}, {100}, {200}})},
        {"more than 99 tracks", makeToc(1, 100, hundred)},
        {"last 255", makeToc(1, 255, {{0}, {100}})},
        {"start below 0", makeToc(1, 2, {{-150}, {100}, {200}})},
        {"starts not increasing", makeToc(1, 3, {{0}, {500}, {400}, {900}})},
        {"two tracks at one sector", makeToc(1, 2, {{0}, {0}, {900}})},
        {"lead-out before the last track", makeToc(1, 2, {{0}, {500}, {300}})},
        {"lead-out missing", makeToc(1, 2, {{100}, {500}})},
        {"start past 2^31", makeToc(1, 1, {{0x80000000LL}, {0x80001000LL}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DiscTable table;
        table.lastTrack = 7;
        EXPECT_FALSE(parseToc(c.toc, table));
        EXPECT_TRUE(table.empty());
        EXPECT_EQ(table.firstTrack, 1);
        EXPECT_EQ(table.lastTrack, 0);
        EXPECT_EQ(table.totalSectors, 0);
    }
    DiscTable table;
    EXPECT_FALSE(parseToc(Bytes{0, 10, 1, 2, 0, 0x10, 1, 0, 0, 0, 0, 0}, table));  // cut short
    EXPECT_FALSE(parseToc(Bytes{}, table));
}

// The CD audio device of the test: per drive index the disc it shows.
class FakeCdAudio final : public DriveCdAudio {
  public:
    struct Disc {
        std::map<int, std::int32_t> starts;
        std::map<int, std::int32_t> lengths;
    };
    std::map<int, Disc> drives;
    std::vector<int> opened;
    int closes = 0;

    bool open(int driveIndex) override {
        opened.push_back(driveIndex);
        auto it = drives.find(driveIndex);
        current_ = it == drives.end() ? nullptr : &it->second;
        return current_ != nullptr;
    }
    std::optional<std::int32_t> trackStart(int track) override {
        auto it = current_->starts.find(track);
        return it == current_->starts.end() ? std::nullopt : std::optional(it->second);
    }
    std::optional<std::int32_t> trackLength(int track) override {
        auto it = current_->lengths.find(track);
        return it == current_->lengths.end() ? std::nullopt : std::optional(it->second);
    }
    void close() override {
        ++closes;
        current_ = nullptr;
    }

  private:
    Disc* current_ = nullptr;
};

struct TocRig {
    test::ScsiRig rig;
    FakeCdAudio cdAudio;
    ScsiDrive drive{rig.transport, &cdAudio};
    Bytes toc;
    std::uint8_t status = scsi_status::kDone;

    TocRig() {
        rig.target.answer = [this](const test::RecordedCommand& command) {
            test::ScriptedAnswer reply = test::answerStatus(status);
            if (command.opcode() == 0x43) {
                reply.data = toc;
            }
            return reply;
        };
    }
};

// Audio, audio, data: the second audio track's TOC end runs into the gap before the
// data session.
const std::vector<TocTrack> kEnhanced = {{0}, {15000}, {40000, true}, {50000}};

TEST(ScsiToc, EnhancedDiscCorrectionFromTheMatchingDevice) {
    TocRig r;
    r.toc = makeToc(1, 3, kEnhanced);
    // The selected ASPI drive is the second, so E: (index 4) is asked first; it shows
    // another disc, and D: (index 3), which shows this one, corrects the table.
    r.rig.target.addDevice({0, 2, 0}, {5, test::makeInquiry(5, 0, 2, "SECOND"), ""});
    r.rig.transport.discoverDrives();
    ASSERT_TRUE(r.rig.transport.selectDrive(1));
    r.cdAudio.drives[4] = {{{2, 20000}}, {{2, 100}}};
    r.cdAudio.drives[3] = {{{2, 15000}}, {{2, 13600}}};
    const std::vector<int> letters = {3, 4};
    DiscTable table;
    TocReadOptions options;
    options.cdDriveLetters = letters;
    ASSERT_EQ(r.drive.readToc(table, options), 256);
    EXPECT_EQ(r.cdAudio.opened, (std::vector<int>{4, 3}));
    EXPECT_EQ(r.cdAudio.closes, 2);
    EXPECT_EQ(table.tracks[2].endSector, 15000 + 13600 - 1);
    EXPECT_EQ(r.drive.lastReadableSector(), 28599);
    EXPECT_EQ(table.tracks[3].endSector, 49999);
    EXPECT_EQ(table.totalSectors, 50000);

    // A later read with nothing to correct clears the mark.
    r.toc = makeToc(1, 2, {{0}, {15000, true}, {50000}});
    ASSERT_EQ(r.drive.readToc(table, options), 256);
    EXPECT_EQ(r.drive.lastReadableSector(), 0);
    EXPECT_EQ(table.tracks[1].endSector, 14999);
}

TEST(ScsiToc, EnhancedDiscCorrectionOnlyWhenItApplies) {
    struct Case {
        const char* what;
        Bytes toc;
        std::int32_t expectedEnd;  // of the track before the last
    };
    const std::vector<Case> cases = {
        {"audio, data: two tracks", makeToc(1, 2, {{0}, {15000, true}, {50000}}), 14999},
        {"data last but the one before is data too",
         makeToc(1, 3, {{0}, {15000, true}, {40000, true}, {50000}}), 39999},
        {"all audio", makeToc(1, 3, {{0}, {15000}, {40000}, {50000}}), 39999},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TocRig r;
        r.toc = c.toc;
        r.cdAudio.drives[3] = {{{2, 15000}}, {{2, 100}}};
        const std::vector<int> letters = {3};
        TocReadOptions options;
        options.cdDriveLetters = letters;
        DiscTable table;
        ASSERT_EQ(r.drive.readToc(table, options), 256);
        EXPECT_EQ(table.tracks[static_cast<std::size_t>(table.lastTrack - 1)].endSector,
                  c.expectedEnd);
        EXPECT_TRUE(r.cdAudio.opened.empty());
        EXPECT_EQ(r.drive.lastReadableSector(), 0);
    }
}

TEST(ScsiToc, EnhancedDiscKeepsTheTocWhenNoDeviceAgrees) {
    struct Case {
        const char* what;
        FakeCdAudio::Disc disc;
    };
    const std::vector<Case> cases = {
        {"track 2 elsewhere", {{{2, 15001}}, {{2, 13600}}}},
        {"no length", {{{2, 15000}}, {}}},
        {"length past the TOC end", {{{2, 15000}}, {{2, 25001}}}},
        {"zero length", {{{2, 15000}}, {{2, 0}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TocRig r;
        r.toc = makeToc(1, 3, kEnhanced);
        r.cdAudio.drives[3] = c.disc;
        const std::vector<int> letters = {3, 5};
        TocReadOptions options;
        options.cdDriveLetters = letters;
        DiscTable table;
        ASSERT_EQ(r.drive.readToc(table, options), 256);
        EXPECT_EQ(table.tracks[2].endSector, 39999);
        EXPECT_EQ(r.drive.lastReadableSector(), 0);
        EXPECT_EQ(r.cdAudio.opened, (std::vector<int>{3, 5}));
    }
}

TEST(ScsiToc, FailedReadsReportNoDisc) {
    {
        TocRig r;
        r.toc = makeToc(1, 0, {{0}});
        DiscTable table;
        EXPECT_EQ(r.drive.readToc(table, {}), 0);
        EXPECT_TRUE(table.empty());
    }
    {
        TocRig r;
        r.toc = makeToc(1, 2, {{0}, {100}, {200}});
        r.status = scsi_status::kError;
        DiscTable table;
        EXPECT_EQ(r.drive.readToc(table, {}), 0);
        EXPECT_TRUE(table.empty());
    }
    {
        TocRig r;
        r.rig.target.answer = [](const test::RecordedCommand&) {
            test::ScriptedAnswer reply;
            reply.never = true;
            return reply;
        };
        DiscTable table;
        EXPECT_EQ(r.drive.readToc(table, {}), 0);
        EXPECT_EQ(r.rig.target.waitTimeouts, std::vector<int>{6000});
    }
}

TEST(ScsiToc, StartUnitFirstWhenAsked) {
    TocRig r;
    r.toc = makeToc(1, 1, {{0}, {100}});
    DiscTable table;
    TocReadOptions options;
    options.sendStartUnit = true;
    ASSERT_EQ(r.drive.readToc(table, options), 256);
    ASSERT_EQ(r.rig.target.sent.size(), 2u);
    EXPECT_EQ(r.rig.target.sent[0].block(), (Bytes{0x1B, 0, 0, 0, 0x03, 0}));
    EXPECT_EQ(r.rig.target.sent[1].opcode(), 0x43);
}

TEST(ScsiToc, DebugTwoWritesTheRawAnswer) {
    const auto dir = std::filesystem::temp_directory_path() / "platterscoop_scsi_toc_debug";
    std::filesystem::create_directories(dir);
    const auto file = dir / "debug.bin";
    TocRig r;
    r.toc = makeToc(1, 2, {{0}, {100}, {200}});
    DiscTable table;
    TocReadOptions options;
    options.debugDirectory = dir.string();
    options.debug = 1;
    r.drive.readToc(table, options);
    EXPECT_FALSE(std::filesystem::exists(file));
    options.debug = 2;
    r.drive.readToc(table, options);
    std::ifstream in(file, std::ios::binary);
    const Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, r.toc);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace ps
