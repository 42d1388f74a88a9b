#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cdaccess/extraction.h"
#include "cdaccess/extraction_rig.h"

namespace ps {
namespace {

using test::Bytes;
using test::ExtractionRig;
using test::MatchOffset;
using test::TestDisc;

// Two audio tracks of 3000 sectors each.
TestDisc TwoTracks() {
    return TestDisc::make({0, 3000}, 6000);
}

struct MethodCase {
    int method;
    int jitterFrames;  // what the method's overlap absorbs
};

std::string MethodName(const testing::TestParamInfo<MethodCase>& info) {
    return "Method" + std::to_string(info.param.method) + "Jitter" +
           std::to_string(info.param.jitterFrames);
}

class EveryMethod : public testing::TestWithParam<MethodCase> {};

// Synchronised methods follow a jittering drive; burst methods copy an exact one. Either
// way the file holds the disc's audio from one fixed position on, without a seam, and
// a range of 26k + 1 sectors is read to its last sector.
TEST_P(EveryMethod, DeliversTheDiscsAudioExactly) {
    const MethodCase c = GetParam();
    VirtualFaults faults;
    faults.seed = 11;
    faults.jitterFrames = c.jitterFrames;
    for (const std::int32_t length : {26 * 20 + 1, 27, 1}) {
        ExtractionRig rig(TwoTracks(), faults);
        const std::int32_t start = 400;
        const std::int32_t end = start + length - 1;
        ASSERT_EQ(rig.rip(start, end, c.method), 1) << "length " << length;
        const Bytes audio = rig.audio();
        ASSERT_EQ(audio.size(), static_cast<std::size_t>(length) * kRawSectorBytes);
        const std::int64_t limit = std::int64_t{c.jitterFrames} * 4;
        EXPECT_LE(std::llabs(MatchOffset(rig.disc, start, audio, limit)), limit)
            << "length " << length;
        EXPECT_EQ(rig.extraction.lostSynchCount(), 0);
        EXPECT_EQ(rig.extraction.nextDelivered(), end + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Extraction, EveryMethod,
                         testing::Values(MethodCase{1, 0}, MethodCase{0, 0}, MethodCase{2, 0},
                                         MethodCase{3, 250}, MethodCase{4, 250}, MethodCase{6, 800},
                                         MethodCase{13, 2800}, MethodCase{14, 3000}),
                         MethodName);

TEST(Extraction, SwappedBytesAreDetectedAndUndone) {
    for (const int method : {1, 2, 3, 6}) {
        VirtualFaults faults;
        faults.swapBytes = true;
        ExtractionRig rig(TwoTracks(), faults);
        ASSERT_EQ(rig.rip(100, 399, method), 1);
        const Bytes audio = rig.audio();
        ASSERT_EQ(audio.size(), 300u * kRawSectorBytes);
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(), rig.disc.sector(100))) << method;
    }
}

TEST(Extraction, FixedOverlapReadsStepByTwentySixLessOneLessTwiceTheOverlap) {
    ExtractionRig rig(TwoTracks());
    ASSERT_EQ(rig.rip(500, 699, 6), 1);  // overlap 3
    const auto reads = rig.spy.readsSent();
    ASSERT_GT(reads.size(), 3u);
    for (std::size_t i = 1; i < reads.size(); ++i) {
        EXPECT_EQ(reads[i].lba - reads[i - 1].lba, 19);
        EXPECT_FALSE(reads[i].eventNotify);  // polled
    }
    EXPECT_EQ(reads.front().count, 26);
    // The last read still reaches the overlap beyond the range end.
    EXPECT_GE(reads.back().lba + reads.back().count - 1, 699);
}

TEST(Extraction, BufferedBurstKeepsTenReadsInFlight) {
    VirtualFaults faults;
    faults.speed = 8;  // reads take their time, so they pile up
    ExtractionRig rig(TwoTracks(), faults);
    int most = 0;
    rig.onPump = [&](int) { most = std::max(most, rig.virtualPass.inFlight()); };
    ASSERT_EQ(rig.rip(0, 26 * 40 - 1, 1), 1);
    EXPECT_EQ(most, 10);
    EXPECT_EQ(rig.virtualPass.inFlight(), 0);
}

TEST(Extraction, SkipCountOfThirtyDropsTheFirstBlockAndFourOfTheSecond) {
    ExtractionRig rig(TwoTracks());
    ASSERT_EQ(rig.rip(1000, 1000 + 26 * 4 - 1, 1, 30), 1);
    const Bytes audio = rig.audio();
    ASSERT_EQ(audio.size(), (26u * 4 - 30) * kRawSectorBytes);
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), rig.disc.sector(1030)));
    EXPECT_EQ(rig.extraction.dataSize(), (26u * 4 - 30) * kRawSectorBytes);
}

TEST(Extraction, RangeChecksAndUnknownMethod) {
    ExtractionRig rig(TwoTracks());
    ASSERT_EQ(rig.rip(0, 99, 1), 1);
    ASSERT_NE(rig.statistics.highestSample, 0);
    rig.spy.sent.clear();
    EXPECT_EQ(rig.rip(2800, 3400, 1), 10005);    // 400 sectors into the next track
    EXPECT_EQ(rig.statistics.highestSample, 0);  // no figures of the rip before
    EXPECT_EQ(rig.rip(400, 300, 1), 10005);
    EXPECT_EQ(rig.rip(2900, 3700, 1), 1);  // starts less than 150 sectors early
    EXPECT_EQ(rig.rip(100, 200, 15), 0);
    EXPECT_EQ(rig.spy.readsSent().size(), 31u);  // only the accepted rip read
}

TEST(Extraction, SpinUpReadRunsWithoutTheWindow) {
    ExtractionRig rig(TwoTracks());
    ASSERT_EQ(rig.rip(100, 125, 6, 0, false), 1);
    EXPECT_FALSE(rig.window.visible());
    EXPECT_FALSE(rig.tempWavExists());
    const auto reads = rig.spy.readsSent();
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_TRUE(reads[0].eventNotify);  // the unbuffered burst copy, whatever the method
}

struct ErrorCase {
    int method;
    int failCount;  // -1: every read of the area fails
    int expected;
};

// A medium error that stays ends the rip with its status after REZERO UNIT; one that
// goes away is survived where the method sends a read again.
TEST(Extraction, ReadErrors) {
    const std::vector<ErrorCase> cases = {
        {1, -1, 4}, {2, -1, 4}, {3, -1, 4}, {6, -1, 4}, {2, 3, 1}, {1, 1, 4}, {6, 1, 4},
    };
    for (const ErrorCase& c : cases) {
        VirtualFaults faults;
        faults.errors.push_back({700, 705, c.failCount});
        ExtractionRig rig(TwoTracks(), faults);
        EXPECT_EQ(rig.rip(500, 1200, c.method), c.expected) << c.method;
        if (c.expected == 1) {
            const Bytes audio = rig.audio();
            EXPECT_TRUE(std::equal(audio.begin(), audio.end(), rig.disc.sector(500)));
            EXPECT_EQ(rig.spy.count(0x01), 0);
        } else {
            EXPECT_FALSE(rig.tempWavExists()) << c.method;
            EXPECT_EQ(rig.spy.count(0x01), 1) << c.method;  // REZERO UNIT
            ASSERT_FALSE(rig.diagnostics.empty());
            EXPECT_EQ(rig.diagnostics.back(), "ASPI Error: 4");
        }
    }
}

// A read that moves fewer bytes than asked is a failed read, never audio.
TEST(Extraction, ShortTransfersAreFailedReads) {
    for (const int method : {1, 2, 3, 6}) {
        VirtualFaults faults;
        faults.shortSectors = {710};
        ExtractionRig rig(TwoTracks(), faults);
        EXPECT_EQ(rig.rip(500, 1200, method), 4) << method;
        EXPECT_FALSE(rig.tempWavExists());
    }
}

TEST(Extraction, ShortTransferCaughtByTheMarkerAlone) {
    ExtractionRig rig(TwoTracks());
    // The pass-through claims the full length but the data stops a sector early.
    rig.spy.afterRead = [](ScsiRequest& r, int index) {
        if (index == 3) {
            r.transferred = r.length;
            const std::uint32_t count = r.cdb[8];
            std::memcpy(r.buffer + (count - 1) * kRawSectorBytes + kRawSectorBytes - 6, "qorvex",
                        6);
        }
    };
    EXPECT_EQ(rig.rip(500, 1200, 3), 4);
}

TEST(Extraction, ReadsThatNeverAnswerEndWithoutHanging) {
    for (const int method : {1, 2, 3, 6}) {
        VirtualFaults faults;
        faults.timeoutSectors = {800};
        ExtractionRig rig(TwoTracks(), faults);
        const int result = rig.rip(500, 1200, method);
        EXPECT_NE(result, 1) << method;
        EXPECT_EQ(result, method == 2 ? 4 : 9) << method;
        EXPECT_FALSE(rig.tempWavExists());
        EXPECT_EQ(rig.virtualPass.inFlight(), 0);
    }
}

// Enhanced disc: tracks audio, audio, data; the true end of track 2 lies before the gap.
TEST(Extraction, ReadErrorNearTheEndOfAnEnhancedDiscEndsTheTrack) {
    for (const int method : {1, 2, 3, 6}) {
        const TestDisc disc = TestDisc::make({0, 3000, 9000}, 10000, 3, 0, 1500);
        ExtractionRig rig(disc);
        const std::int32_t end = rig.drive.lastReadableSector();
        ASSERT_EQ(end, 9000 - 1500 - 1);
        ASSERT_EQ(rig.table.tracks[2].endSector, end);
        VirtualFaults faults;
        faults.errors.push_back({end - 120, end, -1});
        rig.setFaults(faults);
        EXPECT_EQ(rig.rip(end - 2000, end, method), 1) << method;
        const Bytes audio = rig.audio();
        EXPECT_GT(audio.size(), 1000u * kRawSectorBytes);
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(), rig.disc.sector(end - 2000)));
        EXPECT_TRUE(rig.diagnostics.empty());
    }
}

TEST(Extraction, LastTrackReadsUpToTheLeadOut) {
    VirtualFaults faults;
    faults.jitterFrames = 200;
    for (const int method : {3, 4, 8}) {
        ExtractionRig rig(TwoTracks(), faults);
        ASSERT_EQ(rig.rip(5000, 5999, method), 1) << method;
        EXPECT_EQ(rig.audio().size(), 1000u * kRawSectorBytes);
    }
}

// Reads after the first one bring data that matches nothing.
void BreakSynch(ExtractionRig& rig) {
    rig.spy.afterRead = [](ScsiRequest& r, int index) {
        if (index > 0) {
            std::uint32_t state = static_cast<std::uint32_t>(index) * 2654435761u + 1;
            for (std::uint32_t k = 0; k < r.transferred; ++k) {
                state = state * 1664525u + 1013904223u;
                r.buffer[k] = static_cast<std::uint8_t>(state >> 24);
            }
        }
    };
}

TEST(Extraction, LostSynchronisationEndsTheTrackWhenNotToContinue) {
    struct Case {
        int method;
        int readsBeforeGivingUp;
    };
    // The fixed overlap gives up at the first failed match (with four more reads already
    // in flight); the adaptive copy only after six in a row, widening as it goes.
    for (const Case c : {Case{6, 6}, Case{3, 7}}) {
        ExtractionRig rig(TwoTracks());
        BreakSynch(rig);
        rig.settings.continueAfterLostSynch = false;
        const std::int64_t before = rig.clock.nowMs();
        EXPECT_EQ(rig.rip(500, 1500, c.method), 10000) << c.method;
        EXPECT_FALSE(rig.tempWavExists());
        EXPECT_EQ(rig.extraction.lostSynchCount(), 1);
        EXPECT_EQ(static_cast<int>(rig.spy.readsSent().size()), c.readsBeforeGivingUp);
        EXPECT_EQ(rig.window.synchIndicator, 15);
        EXPECT_EQ(rig.window.statusLine, "Sync status: Lost 1 time");
        EXPECT_EQ(rig.window.skipButton, "&Skip this track");
        if (c.method == 6) {
            EXPECT_GE(rig.clock.nowMs() - before, 4000);  // "Skipping..." shown
        } else {
            EXPECT_EQ(rig.extraction.overlap(), 5);  // widened after failures 1, 3 and 5
        }
    }
}

TEST(Extraction, LostSynchronisationIsCountedWhenContinuing) {
    for (const int method : {3, 6}) {
        ExtractionRig rig(TwoTracks());
        BreakSynch(rig);
        rig.settings.continueAfterLostSynch = true;
        EXPECT_EQ(rig.rip(500, 800, method), 1);
        EXPECT_GE(rig.extraction.lostSynchCount(), 2);
        EXPECT_TRUE(rig.tempWavExists());
        EXPECT_EQ(
            rig.window.statusLine,
            "Sync status: Lost " + std::to_string(rig.extraction.lostSynchCount()) + " times");
        EXPECT_EQ(rig.window.synchLine, "Synchronization = Lost!!!");
    }
}

TEST(Extraction, AdaptiveOverlapNarrowsAgainAfterMatches) {
    ExtractionRig rig(TwoTracks());
    // Two failed matches widen the overlap to 3; good reads then bring it back to 2.
    rig.spy.afterRead = [](ScsiRequest& r, int index) {
        if (index == 1 || index == 2) {
            std::memset(r.buffer, 0x55, r.transferred);
        }
    };
    ASSERT_EQ(rig.rip(500, 1500, 3), 1);
    EXPECT_EQ(rig.extraction.lostSynchCount(), 0);
    EXPECT_EQ(rig.extraction.overlap(), 2);
    const Bytes audio = rig.audio();
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), rig.disc.sector(500)));
}

struct AbortCase {
    int method;
    bool all;
    int expected;
    int shownMs;  // how long the busy text stays on the button at least
};

TEST(Extraction, AbortDeletesTheFile) {
    const std::vector<AbortCase> cases = {
        {1, false, 10002, 200},  {1, true, 10004, 200},   {2, false, 10002, 0},
        {2, true, 10004, 0},     {6, false, 10002, 4000}, {6, true, 10004, 0},
        {3, false, 10002, 1500}, {3, true, 10004, 0},
    };
    for (const AbortCase& c : cases) {
        ExtractionRig rig(TwoTracks());
        rig.onPump = [&](int n) {
            if (n == 6) {
                c.all ? rig.window.AbortAllClick() : rig.window.SkipClick();
            }
        };
        const std::int64_t before = rig.clock.nowMs();
        EXPECT_EQ(rig.rip(100, 2000, c.method), c.expected) << c.method << c.all;
        EXPECT_FALSE(rig.tempWavExists()) << c.method;
        EXPECT_GE(rig.clock.nowMs() - before, c.shownMs) << c.method;
        EXPECT_EQ(rig.window.skipButton, "&Skip this track");
        EXPECT_EQ(rig.window.abortAllButton, "&Abort all         ");
        EXPECT_EQ(rig.virtualPass.inFlight(), 0);
    }
}

TEST(Extraction, ChecksumAgreesWithTheChecksumOfTheStoredFile) {
    // Silence at both ends of the disc: the checksum counts, with both marks clear.
    const TestDisc disc = TestDisc::make({0}, 1200, 0, 40);
    for (const int method : {1, 6}) {
        ExtractionRig rig(disc);
        ASSERT_EQ(rig.rip(0, 1199, method), 1);
        const test::StoredChecksum file = test::StoredFileChecksum(rig.tempWav());
        ASSERT_TRUE(file.done);
        EXPECT_EQ(rig.statistics.checksum, file.checksum);
        EXPECT_NE(file.checksum, 0u);
        EXPECT_EQ(rig.statistics.checksumStatus, 0);
        EXPECT_TRUE(file.startsWithSilence);
        EXPECT_TRUE(file.endsWithSilence);
        EXPECT_GT(rig.statistics.highestSample, 9000);
        EXPECT_LT(rig.statistics.lowestSample, -9000);
    }
}

TEST(Extraction, WindowShowsTheRunningFigures) {
    ExtractionRig rig(TwoTracks());
    rig.onPump = [&](int) { rig.clock.advance(20); };
    ASSERT_EQ(rig.rip(0, 749, 6), 1);
    EXPECT_EQ(rig.window.percentText, "100%");
    EXPECT_EQ(rig.window.readingSector, "750");
    EXPECT_EQ(rig.window.discWrite, "1.68 Mbytes");
    EXPECT_EQ(rig.window.synchLine, "Synchronization = 0");
    EXPECT_EQ(rig.window.statusLine, "Sync status: Never lost");
    EXPECT_EQ(rig.window.speedLine.rfind("Current CD read speed: ", 0), 0u);
    EXPECT_EQ(rig.window.peak, std::to_string(rig.statistics.highestSample * 100 / 32767) + "%");
    EXPECT_GT(rig.extraction.averageSpeed(), 0.0);
}

TEST(Extraction, TempWavGoesToTheDestinationDirectoryUnlessAPathIsGiven) {
    ExtractionRig rig(TwoTracks());
    rig.settings.outputPath = rig.dir.file("out.wav");
    ASSERT_EQ(rig.rip(0, 99, 2), 1);
    EXPECT_TRUE(std::filesystem::exists(rig.dir.file("out.wav")));
    EXPECT_FALSE(rig.tempWavExists());
    EXPECT_EQ(TempWavePath("/music"), "/music/temp.wav");
    EXPECT_EQ(TempWavePath("/music/"), "/music/temp.wav");
}

TEST(Extraction, TemporaryFileNotCreatableIsNotStarted) {
    ExtractionRig rig(TwoTracks());
    rig.settings.destinationDirectory = rig.dir.file("missing/dir");
    EXPECT_EQ(rig.rip(0, 99, 1), 0);
    EXPECT_TRUE(rig.spy.readsSent().empty());
}

TEST(Extraction, DirectEncodingGetsEveryBatchAndNoFile) {
    ExtractionRig rig(TwoTracks());
    std::size_t bytes = 0;
    bool finished = false;
    DirectEncoderHooks encoder;
    encoder.start = [] { return true; };
    encoder.chunk = [&](const std::uint8_t*, std::size_t n) {
        bytes += n;
        return true;
    };
    encoder.finish = [&] { finished = true; };
    RecordRequest request;
    request.startSector = 0;
    request.endSector = 299;
    request.options = RecordRequest::kWriteFile;
    rig.settings.synchMethod = 1;
    EXPECT_EQ(rig.extraction.StartRecord(request, rig.table, rig.statistics, rig.settings, encoder),
              1);
    EXPECT_EQ(bytes, 300u * kRawSectorBytes);
    EXPECT_TRUE(finished);
    EXPECT_FALSE(rig.tempWavExists());

    encoder.chunk = [](const std::uint8_t*, std::size_t) { return false; };
    EXPECT_EQ(rig.extraction.StartRecord(request, rig.table, rig.statistics, rig.settings, encoder),
              0);
    EXPECT_EQ(rig.extraction.errorCode(), 1);
    encoder.start = [] { return false; };
    EXPECT_EQ(rig.extraction.StartRecord(request, rig.table, rig.statistics, rig.settings, encoder),
              0);
    EXPECT_EQ(rig.extraction.errorCode(), 2);
}

TEST(Extraction, RipMethodEntries) {
    EXPECT_EQ(RipMethodOfEntry("Buffered Burst Copy"), 1);
    EXPECT_EQ(RipMethodOfEntry("Dynamic synch width"), 3);
    EXPECT_EQ(RipMethodOfEntry("Fixed synch width 1"), 4);
    EXPECT_EQ(RipMethodOfEntry("Fixed synch width 10"), 13);
    EXPECT_EQ(RipMethodOfEntry("Burst Copy"), 0);
}

}  // namespace
}  // namespace ps
