#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "support/fake_clock.h"
#include "virtual/scsi_helpers.h"
#include "virtual/virtual_pass_through.h"

namespace ps {
namespace {

using test::b0;
using test::b1;
using test::b2;
using test::b3;
using test::Command;
using test::readCd;

class VirtualDriveTest : public ::testing::Test {
  protected:
    void start(const VirtualFaults& faults = {}) {
        drive = std::make_shared<VirtualDrive>(clock, demoDisc(), faults);
        pt = std::make_unique<VirtualPassThrough>(clock);
        pt->addDrive(drive, 0);
    }
    void SetUp() override { start(); }

    std::vector<std::uint8_t> sectors(std::int32_t lba, int n, std::int64_t shiftFrames = 0) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(n) * kImageSectorBytes);
        demoDisc()->read(std::int64_t{lba} * kImageSectorBytes + shiftFrames * 4, out.size(),
                         out.data());
        return out;
    }
    static bool starts(const Command& c, const std::vector<std::uint8_t>& expected) {
        return c.request.transferred == expected.size() &&
               std::memcmp(c.data.data(), expected.data(), expected.size()) == 0;
    }

    test::FakeClock clock;
    std::shared_ptr<VirtualDrive> drive;
    std::unique_ptr<VirtualPassThrough> pt;
};

TEST_F(VirtualDriveTest, DemoDiscTableOfContentsInLbaAndMsf) {
    const auto& disc = *demoDisc();
    ASSERT_GE(disc.tracks().size(), 4u);
    ASSERT_LE(disc.tracks().size(), 6u);
    EXPECT_GE(disc.leadOut(), 120 * 75);
    EXPECT_LE(disc.leadOut(), 180 * 75);
    EXPECT_FALSE(disc.artist().empty());
    EXPECT_FALSE(disc.album().empty());
    for (const ImageTrack& t : disc.tracks()) {
        EXPECT_FALSE(t.title.empty());
    }

    Command lba({0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, DataDirection::In, 804);
    ASSERT_EQ(lba.run(*pt), scsi_status::kDone);
    const int n = static_cast<int>(disc.tracks().size());
    EXPECT_EQ(lba.data[2], 1);
    EXPECT_EQ(lba.data[3], n);
    EXPECT_EQ((lba.data[0] << 8 | lba.data[1]), 2 + 8 * (n + 1));
    for (int i = 0; i <= n; ++i) {
        const std::uint8_t* d = &lba.data[static_cast<std::size_t>(4 + 8 * i)];
        const std::int32_t start =
            i < n ? disc.tracks()[static_cast<std::size_t>(i)].start : disc.leadOut();
        EXPECT_EQ(d[2], i < n ? i + 1 : 0xAA);
        EXPECT_EQ(d[1] & 0x04, 0);
        EXPECT_EQ((d[4] << 24 | d[5] << 16 | d[6] << 8 | d[7]), start);
    }

    Command msf({0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, DataDirection::In, 804);
    ASSERT_EQ(msf.run(*pt), scsi_status::kDone);
    const Msf second = sectorToMsf(disc.tracks()[1].start);
    EXPECT_EQ(msf.data[12 + 5], second.minutes);
    EXPECT_EQ(msf.data[12 + 6], second.seconds);
    EXPECT_EQ(msf.data[12 + 7], second.frames);
    EXPECT_EQ(msf.data[4 + 5], 0);  // track 1 at 00:02:00
    EXPECT_EQ(msf.data[4 + 6], 2);
    EXPECT_EQ(msf.data[4 + 7], 0);
}

TEST_F(VirtualDriveTest, DemoDiscIsDeterministicAndMusical) {
    auto fresh = makeDemoDisc();
    const std::int32_t total = fresh->leadOut();
    std::vector<std::uint8_t> a(static_cast<std::size_t>(total) * kImageSectorBytes);
    std::vector<std::uint8_t> b(a.size());
    ASSERT_TRUE(fresh->read(0, a.size(), a.data()));
    ASSERT_TRUE(demoDisc()->read(0, b.size(), b.data()));
    EXPECT_EQ(a, b);
    // The gap before track 2 is silent; the middle of each track is not.
    const auto& t2 = fresh->tracks()[1];
    ASSERT_GT(t2.pregap, 0);
    std::vector<std::uint8_t> gap(static_cast<std::size_t>(t2.pregap) * kImageSectorBytes);
    fresh->read(std::int64_t{t2.start - t2.pregap} * kImageSectorBytes, gap.size(), gap.data());
    EXPECT_TRUE(std::all_of(gap.begin(), gap.end(), [](std::uint8_t v) { return v == 0; }));
    for (const ImageTrack& t : fresh->tracks()) {
        const std::int32_t mid = (t.start + fresh->trackEnd(t)) / 2;
        std::vector<std::uint8_t> s(kImageSectorBytes * 75);
        fresh->read(std::int64_t{mid} * kImageSectorBytes, s.size(), s.data());
        int peak = 0;
        for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
            const auto v = static_cast<std::int16_t>(s[i] | s[i + 1] << 8);
            peak = std::max(peak, std::abs(int{v}));
        }
        EXPECT_GT(peak, 3000) << "track " << t.number;
        EXPECT_LT(peak, 32767) << "track " << t.number;
    }
}

TEST_F(VirtualDriveTest, InquiryPosesAsAtapiOrScsi) {
    Command inq({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36);
    ASSERT_EQ(inq.run(*pt), scsi_status::kDone);
    EXPECT_EQ(inq.request.transferred, 36u);
    EXPECT_EQ(inq.data[0], 5);
    EXPECT_EQ(inq.data[2] & 0x07, 0);
    EXPECT_EQ(std::string(inq.data.begin() + 8, inq.data.begin() + 16), "PLATTER ");

    VirtualFaults scsi;
    scsi.scsi = true;
    scsi.vendor = "TOSHIBA";
    scsi.product = "CD-ROM XM-5701";
    scsi.revision = "3136";
    start(scsi);
    Command again({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36);
    ASSERT_EQ(again.run(*pt), scsi_status::kDone);
    EXPECT_EQ(again.data[2] & 0x07, 2);
    EXPECT_EQ(again.data[3] & 0x0F, 2);
    EXPECT_EQ(std::string(again.data.begin() + 8, again.data.end()),
              "TOSHIBA CD-ROM XM-5701  3136");
}

TEST_F(VirtualDriveTest, ReadCdReturnsTheImageSectors) {
    Command c = readCd(1000, 26);
    ASSERT_EQ(c.run(*pt), scsi_status::kDone);
    EXPECT_TRUE(starts(c, sectors(1000, 26)));
}

// Each family's read form reads the same sectors; READ(10) only after the 2352-byte
// mode select, and back to an error after the restore.
TEST_F(VirtualDriveTest, EveryFamilyReadFormReadsAudio) {
    const std::int32_t l = 5000;
    struct Form {
        const char* name;
        Command cmd;
    };
    std::vector<Form> forms;
    forms.push_back({"D8 (3, 8)", Command({0xD8, 0, b3(l), b2(l), b1(l), b0(l), 0, 0, 0, 20, 0, 0},
                                          DataDirection::In, 63504)});
    forms.push_back({"D4 10 (4)", Command({0xD4, 0, b3(l), b2(l), b1(l), b0(l), 0, 0, 20, 0},
                                          DataDirection::In, 63504)});
    forms.push_back({"D4 12 (5)", Command({0xD4, 0, b3(l), b2(l), b1(l), b0(l), 0, 0, 0, 20, 0, 0},
                                          DataDirection::In, 63504)});
    for (Form& f : forms) {
        ASSERT_EQ(f.cmd.run(*pt), scsi_status::kDone) << f.name;
        EXPECT_TRUE(starts(f.cmd, sectors(l, 20))) << f.name;
    }

    Command before({0x28, 0, b3(l), b2(l), b1(l), b0(l), 0, 0, 20, 0}, DataDirection::In, 63504);
    ASSERT_EQ(before.run(*pt), scsi_status::kError);
    EXPECT_EQ(before.senseKey(), sense_key::kIllegalRequest);
    EXPECT_EQ(before.asc(), 0x64);

    Command select({0x15, 0x10, 0, 0, 20, 0}, DataDirection::Out, 20);
    const std::uint8_t philips[20] = {0,    0,    0,    8, 0, 0, 0, 0, 0, 0,
                                      0x09, 0x30, 0x23, 6, 0, 0, 0, 0, 0, 0x80};
    std::memcpy(select.data.data(), philips, 20);
    ASSERT_EQ(select.run(*pt), scsi_status::kDone);
    Command read10({0x28, 0, b3(l), b2(l), b1(l), b0(l), 0, 0, 20, 0}, DataDirection::In, 63504);
    ASSERT_EQ(read10.run(*pt), scsi_status::kDone);
    EXPECT_TRUE(starts(read10, sectors(l, 20)));
    Command read10Long({0x28, 0, b3(l), b2(l), b1(l), b0(l), 0, 0, 20, 0, 0, 0}, DataDirection::In,
                       63504);  // family 2 sends it with length 12
    ASSERT_EQ(read10Long.run(*pt), scsi_status::kDone);

    Command restore({0x15, 0, 0, 0, 12, 0}, DataDirection::Out, 12);
    const std::uint8_t back[12] = {0, 0, 0, 8, 0x83, 0, 0, 0, 0, 0, 0x08, 0};
    std::memcpy(restore.data.data(), back, 12);
    ASSERT_EQ(restore.run(*pt), scsi_status::kDone);
    Command after({0x28, 0, b3(l), b2(l), b1(l), b0(l), 0, 0, 20, 0}, DataDirection::In, 63504);
    EXPECT_EQ(after.run(*pt), scsi_status::kError);
}

TEST_F(VirtualDriveTest, ModeSelectListsOfEveryFamilyAreAccepted) {
    const std::vector<std::vector<std::uint8_t>> lists = {
        {0, 0, 0, 8, 0x82, 0, 0, 0, 0, 0, 0x09, 0x30},                          // 2
        {0, 0, 0, 0, 0x20, 2, 1, 0},                                            // 5
        {0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30, 1, 6, 0x20, 7, 0, 0, 0, 0},  // 6
        {0, 0, 0, 8, 0x82, 0, 0, 0, 0, 0, 0x09, 0x30, 0x20, 1, 11},             // 7
        {0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x08, 0, 0x31, 2, 3, 0},                 // 8
    };
    for (const auto& list : lists) {
        Command c({0x15, 0, 0, 0, static_cast<std::uint8_t>(list.size()), 0}, DataDirection::Out,
                  list.size() == 8 ? 12 : static_cast<std::uint32_t>(list.size()));
        std::copy(list.begin(), list.end(), c.data.begin());
        c.request.eventNotify = false;
        pt->send(c.request);
        EXPECT_EQ(pt->poll(c.request), scsi_status::kDone) << list.size();
    }
    Command bad({0x15, 0, 0, 0, 12, 0}, DataDirection::Out, 12);
    const std::uint8_t odd[12] = {0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x02, 0x00};  // 512 bytes
    std::memcpy(bad.data.data(), odd, 12);
    EXPECT_EQ(bad.run(*pt), scsi_status::kError);
    EXPECT_EQ(bad.senseKey(), sense_key::kIllegalRequest);
}

TEST_F(VirtualDriveTest, SetCdSpeedShowsInTheCapabilitiesPage) {
    auto speedAfter = [&](int kbps, bool six) {
        Command set({0xBB, 0, b1(kbps), b0(kbps), 0xFF, 0xFF, 0, 0, 0, 0, 0, 0});
        EXPECT_EQ(set.run(*pt), scsi_status::kDone);
        Command sense =
            six ? Command({0x1A, 0, 0x2A, 0, 0x20, 0}, DataDirection::In, 32)
                : Command({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0x1C, 0}, DataDirection::In, 28);
        EXPECT_EQ(sense.run(*pt), scsi_status::kDone);
        const std::size_t page = six ? 12 : 8;
        EXPECT_EQ(sense.data[page], 0x2A);
        return sense.data[page + 14] << 8 | sense.data[page + 15];
    };
    EXPECT_EQ(speedAfter(16 * 176400 / 1000, false), 2822);
    EXPECT_EQ(speedAfter(176, false), 176);
    EXPECT_EQ(speedAfter(3 * 176400 / 1000, false), 353);  // no 3x: the next lower speed
    EXPECT_EQ(speedAfter(0xFFFF, true), VirtualDrive::kMaxSpeedKBps);
    // The program reads the current speed of the 10-byte form at bytes 22 and 23.
    Command sense({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0x1C, 0}, DataDirection::In, 28);
    sense.cdbLength(12);
    ASSERT_EQ(sense.run(*pt), scsi_status::kDone);
    EXPECT_EQ(sense.data[22] << 8 | sense.data[23], VirtualDrive::kMaxSpeedKBps);
    Command family2({0x1A, 0, 0, 0, 0x0C, 0}, DataDirection::In, 15);
    ASSERT_EQ(family2.run(*pt), scsi_status::kDone);
    EXPECT_EQ(family2.request.transferred, 12u);
    EXPECT_EQ(family2.data[3], 8);
}

TEST_F(VirtualDriveTest, SubChannelPositionAdvancesWhilePlaying) {
    const std::int32_t start = demoDisc()->tracks()[1].start;
    auto position = [&](std::uint8_t* status = nullptr) {
        Command q({0x42, 0, 0x40, 1, 0, 0, 0, 0, 0x10, 0}, DataDirection::In, 16);
        EXPECT_EQ(q.run(*pt), scsi_status::kDone);
        if (status) {
            *status = q.data[1];
        }
        return q.data[9] << 16 | q.data[10] << 8 | q.data[11];
    };
    Command play(
        {0xA5, 0, b3(start), b2(start), b1(start), b0(start), 0, 0, b1(750), b0(750), 0, 0});
    ASSERT_EQ(play.run(*pt), scsi_status::kDone);
    std::uint8_t status = 0;
    EXPECT_EQ(position(&status), start);
    EXPECT_EQ(status, 0x11);
    clock.advance(2000);
    EXPECT_EQ(position(), start + 150);

    Command pause({0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(pause.run(*pt), scsi_status::kDone);
    clock.advance(3000);
    EXPECT_EQ(position(&status), start + 150);
    EXPECT_EQ(status, 0x12);
    Command resume({0x4B, 0, 0, 0, 0, 0, 0, 0, 1, 0});
    ASSERT_EQ(resume.run(*pt), scsi_status::kDone);
    clock.advance(1000);
    EXPECT_EQ(position(), start + 225);
    clock.advance(60000);
    EXPECT_EQ(position(&status), start + 750);
    EXPECT_EQ(status, 0x13);
    position(&status);
    EXPECT_EQ(status, 0x15);  // completion is reported once

    // In the gap before track 3 the Q channel names track 3, index 0.
    const ImageTrack& t3 = demoDisc()->tracks()[2];
    const std::int32_t inGap = t3.start - 10;
    Command gap({0xA5, 0, b3(inGap), b2(inGap), b1(inGap), b0(inGap), 0, 0, 0, 100, 0, 0});
    ASSERT_EQ(gap.run(*pt), scsi_status::kDone);
    Command q({0x42, 0, 0x40, 1, 0, 0, 0, 0, 0x10, 0}, DataDirection::In, 16);
    ASSERT_EQ(q.run(*pt), scsi_status::kDone);
    EXPECT_EQ(q.data[6], 3);
    EXPECT_EQ(q.data[7], 0);
}

TEST_F(VirtualDriveTest, TrayAndMissingDiscAnswerNotReady) {
    Command tur({0, 0, 0, 0, 0, 0});
    EXPECT_EQ(tur.run(*pt), scsi_status::kDone);
    Command eject({0x1B, 0, 0, 0, 2, 0});
    ASSERT_EQ(eject.run(*pt), scsi_status::kDone);
    EXPECT_TRUE(drive->trayOpen());
    Command toc({0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, DataDirection::In, 804);
    ASSERT_EQ(toc.run(*pt), scsi_status::kError);
    EXPECT_EQ(toc.senseKey(), sense_key::kNotReady);
    EXPECT_EQ(toc.asc(), 0x3A);
    EXPECT_EQ(toc.ascq(), 0x02);
    Command load({0x1B, 0, 0, 0, 3, 0});
    ASSERT_EQ(load.run(*pt), scsi_status::kDone);
    Command again({0, 0, 0, 0, 0, 0});
    EXPECT_EQ(again.run(*pt), scsi_status::kDone);

    VirtualFaults nodisc;
    nodisc.noDisc = true;
    start(nodisc);
    Command read = readCd(0, 1);
    ASSERT_EQ(read.run(*pt), scsi_status::kError);
    EXPECT_EQ(read.senseKey(), sense_key::kNotReady);
    EXPECT_EQ(read.ascq(), 0x01);
    Command inq({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36);
    EXPECT_EQ(inq.run(*pt), scsi_status::kDone);  // INQUIRY needs no disc

    VirtualFaults open;
    open.trayOpen = true;
    start(open);
    Command closed({0, 0, 0, 0, 0, 0});
    EXPECT_EQ(closed.run(*pt), scsi_status::kError);
    EXPECT_EQ(closed.ascq(), 0x02);
}

TEST_F(VirtualDriveTest, DiscSwapBetweenCommands) {
    Command first({0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, DataDirection::In, 804);
    ASSERT_EQ(first.run(*pt), scsi_status::kDone);
    auto other = std::make_shared<DiscImage>();
    other->addTrack(ImageTrack{7, false, 0, 0, "", ""});
    other->setLeadOut(1000);
    drive->insertDisc(other);
    Command second({0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, DataDirection::In, 804);
    ASSERT_EQ(second.run(*pt), scsi_status::kDone);
    EXPECT_EQ(second.data[2], 7);
    EXPECT_EQ(second.data[3], 7);
    drive->removeDisc();
    Command none({0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, DataDirection::In, 804);
    EXPECT_EQ(none.run(*pt), scsi_status::kError);
}

TEST_F(VirtualDriveTest, UnknownCommandsAndBadRangesAreIllegalRequests) {
    Command unknown({0xF1, 0, 0, 0, 0, 0});
    ASSERT_EQ(unknown.run(*pt), scsi_status::kError);
    EXPECT_EQ(unknown.senseKey(), sense_key::kIllegalRequest);
    EXPECT_EQ(unknown.asc(), 0x20);
    const std::int32_t past = demoDisc()->leadOut() - 5;
    Command beyond = readCd(past, 10);
    ASSERT_EQ(beyond.run(*pt), scsi_status::kError);
    EXPECT_EQ(beyond.asc(), 0x21);
    Command sense({0x03, 0, 0, 0, 18, 0}, DataDirection::In, 18);
    ASSERT_EQ(sense.run(*pt), scsi_status::kDone);
    EXPECT_EQ(sense.data[12], 0x21);  // REQUEST SENSE returns the last command's sense
}

// --- faults ---

TEST_F(VirtualDriveTest, JitterStaysInBoundsAndRepeatsBySeed) {
    auto shifts = [&](std::uint32_t seed) {
        VirtualFaults f;
        f.jitterFrames = 5;
        f.seed = seed;
        start(f);
        std::vector<int> found;
        for (int i = 0; i < 40; ++i) {
            Command c = readCd(1200, 4);
            EXPECT_EQ(c.run(*pt), scsi_status::kDone);
            int shift = 99;
            for (int s = -5; s <= 5 && shift == 99; ++s) {
                if (starts(c, sectors(1200, 4, s))) {
                    shift = s;
                }
            }
            EXPECT_NE(shift, 99) << "read " << i << " moved outside the bounds";
            found.push_back(shift);
        }
        return found;
    };
    const std::vector<int> a = shifts(11);
    EXPECT_EQ(a, shifts(11));
    EXPECT_NE(a, shifts(12));
    const std::set<int> distinct(a.begin(), a.end());
    EXPECT_GT(distinct.size(), 5u);
    EXPECT_TRUE(distinct.count(-5) || distinct.count(5) || distinct.size() > 8);
}

TEST_F(VirtualDriveTest, SwapTurnsEverySample) {
    VirtualFaults f;
    f.swapBytes = true;
    start(f);
    Command c = readCd(3000, 2);
    ASSERT_EQ(c.run(*pt), scsi_status::kDone);
    const auto plain = sectors(3000, 2);
    for (std::size_t i = 0; i < plain.size(); i += 2) {
        ASSERT_EQ(c.data[i], plain[i + 1]);
        ASSERT_EQ(c.data[i + 1], plain[i]);
    }
}

TEST_F(VirtualDriveTest, ErrorsPersistOrPassAfterK) {
    VirtualFaults f;
    std::string error;
    ASSERT_TRUE(parseVirtualFaults("error=100-110,error=500-500/2", f, error));
    start(f);
    for (int i = 0; i < 3; ++i) {
        Command c = readCd(95, 6);  // touches 100
        ASSERT_EQ(c.run(*pt), scsi_status::kError);
        EXPECT_EQ(c.senseKey(), sense_key::kMediumError);
        EXPECT_EQ(c.asc(), 0x11);
    }
    Command clear = readCd(111, 10);
    EXPECT_EQ(clear.run(*pt), scsi_status::kDone);
    std::vector<std::uint8_t> results;
    for (int i = 0; i < 4; ++i) {
        Command c = readCd(490, 20);
        results.push_back(c.run(*pt));
    }
    EXPECT_EQ(results, (std::vector<std::uint8_t>{scsi_status::kError, scsi_status::kError,
                                                  scsi_status::kDone, scsi_status::kDone}));
}

TEST_F(VirtualDriveTest, ShortTransfersStopBeforeTheSector) {
    VirtualFaults f;
    f.shortSectors = {1010};
    start(f);
    Command c = readCd(1000, 26);
    ASSERT_EQ(c.run(*pt), scsi_status::kDone);
    EXPECT_EQ(c.request.transferred, 10u * kImageSectorBytes);
    Command atStart = readCd(1010, 5);
    ASSERT_EQ(atStart.run(*pt), scsi_status::kDone);
    EXPECT_EQ(atStart.request.transferred, 4u * kImageSectorBytes);
    Command elsewhere = readCd(2000, 5);
    ASSERT_EQ(elsewhere.run(*pt), scsi_status::kDone);
    EXPECT_EQ(elsewhere.request.transferred, 5u * kImageSectorBytes);
}

}  // namespace
}  // namespace ps
