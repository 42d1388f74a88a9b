#include "cddb/disc_id.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "cdaccess/read_method.h"
#include "support/fake_clock.h"
#include "support/recording_read_method_backends.h"

namespace ps {
namespace {

using Starts = std::array<std::int32_t, DiscTable::kMaxTracks + 1>;

CddbDiscLayout layoutOf(const std::vector<std::int32_t>& starts, std::int32_t discLength,
                        int firstTrack = 1) {
    Starts byTrack{};
    for (std::size_t i = 0; i < starts.size(); ++i) {
        byTrack[i + 1] = starts[i];
    }
    return makeCddbDiscLayout(firstTrack, static_cast<int>(starts.size()), byTrack, discLength);
}

struct IdCase {
    const char* disc;
    CddbDiscLayout layout;
    std::uint32_t id;
    std::int32_t seconds;
};

TEST(CddbDiscId, WorkedExamples) {
    const IdCase cases[] = {
        // Two tracks at 0 and 18000, lead-out at 33000: seconds with the lead-in 2 and 242,
        // digit sums 2 + 8 = 10; 440 seconds of play; 2 tracks.
        {"two tracks", layoutOf({0, 18000}, 33000), 0x0A01B802, 442},
        // Two audio tracks and a data track behind them; the data track counts like any.
        //   track 1:     0 + 150 =   150 frames ->   2 s -> digit sum 2
        //   track 2: 20000 + 150 = 20150 frames -> 268 s -> 2 + 6 + 8 = 16
        //   track 3: 52000 + 150 = 52150 frames -> 695 s -> 6 + 9 + 5 = 20
        //   n = 38 = 0x26; play time 60000 / 75 = 800 s = 0x320; N = 3
        //   id = 0x26 << 24 | 0x320 << 8 | 3 = 0x26032003
        //   length: last frame 59999, (59999 + 1) / 75 + 2 = 802 s
        {"enhanced CD", layoutOf({0, 20000, 52000}, 60000), 0x26032003, 802},
        // First track 2: the sums still run over tracks 1..N and the time from start(1).
        // s = 2, 15, 68: sums 2 + 6 + 14 = 22; (40 + 9000) / 75 - 40 / 75 = 120 s. The
        // last track ends where the track list ends it, at start(2) + length - 1 = 9999.
        {"first track 2", layoutOf({40, 1000, 5000}, 9000, 2), 0x16007803, 135},
        // Lead-out at 74 frames is still second 2 of the disc, at 75 frames second 3.
        {"lead-out 74", layoutOf({0}, 74), 0x02000001, 2},
        {"lead-out 75", layoutOf({0}, 75), 0x02000101, 3},
        {"no disc", layoutOf({}, 0), 0, 2},
    };
    for (const IdCase& c : cases) {
        CddbDiscNumbers numbers;
        EXPECT_EQ(computeCddbDiscId(c.layout, numbers), c.id) << c.disc;
        EXPECT_EQ(numbers.discLengthSeconds, c.seconds) << c.disc;
    }
}

TEST(CddbDiscId, ChecksumIsTakenModulo255AndTrackCountSitsUnmasked) {
    // Fourteen tracks at second 99 (digit sum 18) give 252; one more track adds 3 or 4.
    std::vector<std::int32_t> starts(14, 99 * 75 - 150);
    starts.push_back(3 * 75 - 150);
    EXPECT_EQ(cddbDiscId(layoutOf(starts, 7500)) >> 24, 0u);  // n = 255
    starts.back() = 4 * 75 - 150;
    EXPECT_EQ(cddbDiscId(layoutOf(starts, 7500)), 0x0100640Fu);  // n = 256

    std::vector<std::int32_t> ninetyNine;
    for (int i = 0; i < 99; ++i) {
        ninetyNine.push_back(i * 1000);
    }
    EXPECT_EQ(cddbDiscId(layoutOf(ninetyNine, 100000)) & 0xFF, 0x63u);
}

TEST(CddbDiscId, FrameOffsetsAndTexts) {
    EXPECT_EQ(trackFrameOffsets(layoutOf({0, 18000}, 33000)),
              (std::vector<std::int32_t>{150, 18150}));
    EXPECT_TRUE(trackFrameOffsets(layoutOf({}, 0)).empty());
    EXPECT_EQ(cddbDiscIdProtocolText(0x0A01B802), "0a01b802");
    EXPECT_EQ(cddbDiscIdDisplayText(0x0A01B802), "0A01B802");
    EXPECT_EQ(cddbDiscIdDisplayText(0x2A), "0000002A");
    EXPECT_EQ(cdPlayerDiscNumberText(0x00ABC0), "ABC0");
    EXPECT_EQ(cdPlayerDiscNumberText(0xFFFFFFFF), "FFFFFFFF");
}

// The layout as the read method reports it: the SCSI table gives the length directly, the
// helper the lead-out address.
struct LayoutSwitch {
    LayoutSwitch() {
        auto aspi = std::make_unique<test::RecordingAspi>(log, &clock);
        auto analog = std::make_unique<test::RecordingAnalog>(log, &clock);
        readMethod = std::make_unique<ReadMethod>(
            clock, table, statistics, std::move(aspi), std::move(analog), false,
            [&]() -> std::unique_ptr<HelperBackend> {
                return std::make_unique<test::RecordingHelper>(log);
            });
    }
    test::FakeClock clock;
    DiscTable table;
    ExtractionStatistics statistics;
    test::CallLog log;
    std::unique_ptr<ReadMethod> readMethod;
};

TEST(CddbDiscLayoutFromReadMethod, TakesTheLengthTheWayEachMethodReportsIt) {
    LayoutSwitch s;
    s.table.firstTrack = 1;
    s.table.lastTrack = 2;
    s.table.tracks[1].startSector = 0;
    s.table.tracks[2].startSector = 18000;
    s.table.totalSectors = 33000;
    s.readMethod->currentAccessMode = access_mode::kAspi;
    const CddbDiscLayout scsi = cddbDiscLayout(*s.readMethod);
    EXPECT_EQ(scsi.discLength, 33000);
    EXPECT_EQ(scsi.lastFrame, 32999);
    EXPECT_EQ(cddbDiscId(scsi), 0x0A01B802u);

    // The recording helper starts track t at 100000 + t, puts the lead-out at 100009 and
    // claims 108 tracks, more than a disc can hold.
    s.readMethod->currentAccessMode = access_mode::kMscdex;
    const CddbDiscLayout helper = cddbDiscLayout(*s.readMethod);
    EXPECT_EQ(helper.discLength, 100009 - 100001);
    EXPECT_EQ(helper.lastTrack, 99);
    EXPECT_EQ(helper.trackStart[99], 100099);
}

}  // namespace
}  // namespace ps
