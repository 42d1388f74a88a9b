#include <gtest/gtest.h>

#include <cstdlib>

#include "support/fake_clock.h"
#include "virtual/scsi_helpers.h"
#include "virtual/virtual_pass_through.h"

namespace ps {
namespace {

using test::Command;
using test::readCd;

class VirtualPassThroughTest : public ::testing::Test {
  protected:
    void start(const std::string& faults) {
        VirtualFaults f;
        std::string error;
        ASSERT_TRUE(parseVirtualFaults(faults, f, error)) << error;
        pt = std::make_unique<VirtualPassThrough>(clock);
        drive = std::make_shared<VirtualDrive>(clock, demoDisc(), f);
        pt->addDrive(drive, 0);
    }
    test::FakeClock clock;
    std::shared_ptr<VirtualDrive> drive;
    std::unique_ptr<VirtualPassThrough> pt;
};

TEST_F(VirtualPassThroughTest, SlowAnswersArriveByPollAfterTheirDelay) {
    start("slow=250");
    Command c({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36);
    c.request.eventNotify = false;
    pt->send(c.request);
    EXPECT_EQ(c.request.status, scsi_status::kPending);
    clock.advance(249);
    EXPECT_EQ(pt->poll(c.request), scsi_status::kPending);
    EXPECT_EQ(c.request.transferred, 0u);  // nothing is published before the answer
    clock.advance(1);
    EXPECT_EQ(pt->poll(c.request), scsi_status::kDone);
    EXPECT_EQ(c.request.transferred, 36u);
}

TEST_F(VirtualPassThroughTest, NeverAnsweringReadEndsAtItsOwnTimeout) {
    start("timeout=1005");
    Command c = readCd(1000, 10);
    c.request.timeoutMs = 5000;
    const std::int64_t sent = clock.nowMs();
    pt->send(c.request);
    EXPECT_FALSE(pt->wait(c.request, 1000));  // a shorter wait gives up on time
    EXPECT_EQ(clock.nowMs() - sent, 1000);
    EXPECT_TRUE(pt->wait(c.request, 60000));
    EXPECT_EQ(c.request.status, scsi_status::kTimeout);
    EXPECT_EQ(clock.nowMs() - sent, 5000);
    EXPECT_EQ(pt->inFlight(), 0);
    Command other = readCd(1100, 10);
    EXPECT_EQ(other.run(*pt), scsi_status::kDone);
}

TEST_F(VirtualPassThroughTest, AnswerLaterThanTheTimeoutIsATimeout) {
    start("slow=4000");
    Command c({0x00, 0, 0, 0, 0, 0});
    c.request.timeoutMs = 3000;
    pt->send(c.request);
    ASSERT_TRUE(pt->wait(c.request, 10000));
    EXPECT_EQ(c.request.status, scsi_status::kTimeout);
}

TEST_F(VirtualPassThroughTest, TenInFlightAndTheEleventhIsRefused) {
    start("slow=100");
    std::vector<Command> cmds;
    for (int i = 0; i < 11; ++i) {
        cmds.push_back(readCd(1000 + 26 * i, 26));
    }
    for (Command& c : cmds) {
        c.request.buffer = c.data.data();
        pt->send(c.request);
    }
    EXPECT_EQ(pt->inFlight(), 10);
    EXPECT_EQ(cmds[10].request.status, scsi_status::kAborted);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(pt->wait(cmds[i].request, 1000)) << i;
        EXPECT_EQ(cmds[i].request.status, scsi_status::kDone);
    }
    pt->abandon(cmds[10].request);
    EXPECT_EQ(pt->inFlight(), 0);
}

TEST_F(VirtualPassThroughTest, SpeedPacesReadsInRealTime) {
    start("speed=2");
    const std::int64_t t0 = clock.nowMs();
    for (int i = 0; i < 6; ++i) {
        Command c = readCd(1000 + 25 * i, 25);
        ASSERT_EQ(c.run(*pt), scsi_status::kDone);
    }
    // 150 sectors are two seconds of audio: one second at twice real time.
    EXPECT_NEAR(static_cast<double>(clock.nowMs() - t0), 1000.0, 10.0);
}

TEST_F(VirtualPassThroughTest, AbandonedRequestIsNeverTouchedAgain) {
    start("slow=500");
    Command c = readCd(1000, 5);
    pt->send(c.request);
    pt->abandon(c.request);
    c.request.status = 0x55;
    clock.advance(1000);
    EXPECT_EQ(pt->poll(c.request), 0x55);
    EXPECT_EQ(pt->inFlight(), 0);
}

TEST_F(VirtualPassThroughTest, AddressingErrorsComeBackAtOnce) {
    start("");
    Command noDevice({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36, 3);
    EXPECT_EQ(noDevice.run(*pt), scsi_status::kNoDevice);
    Command badAdapter({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36);
    badAdapter.request.target.hostAdapter = 1;
    EXPECT_EQ(badAdapter.run(*pt), scsi_status::kInvalidHostAdapter);
    Command lun1({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36);
    lun1.request.target.lun = 1;
    EXPECT_EQ(lun1.run(*pt), scsi_status::kNoDevice);
    Command badLength({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36);
    badLength.cdbLength(7);
    EXPECT_EQ(badLength.run(*pt), scsi_status::kInvalidCommand);
    EXPECT_EQ(pt->deviceType(ScsiTarget{0, 0, 0}), 5);
    EXPECT_EQ(pt->deviceType(ScsiTarget{0, 1, 0}), -1);
    EXPECT_EQ(pt->deviceNode(ScsiTarget{0, 0, 0}), "virtual");
    EXPECT_FALSE(pt->addDrive(drive, 0));
    EXPECT_FALSE(pt->addDrive(drive, 16));
}

TEST(VirtualFaultsTest, ParsesEveryOption) {
    VirtualFaults f;
    std::string error;
    ASSERT_TRUE(parseVirtualFaults(
        "seed=42, jitter=3,swap,error=10-20,error=30-40/2,speed=1.5,slow=7,timeout=99,"
        "short=55,nodisc,tray=open,vendor=PLEXTOR,product=CD-ROM PX-40TS,revision=1.0,scsi",
        f, error))
        << error;
    EXPECT_EQ(f.seed, 42u);
    EXPECT_EQ(f.jitterFrames, 3);
    EXPECT_TRUE(f.swapBytes);
    ASSERT_EQ(f.errors.size(), 2u);
    EXPECT_EQ(f.errors[0].failCount, -1);
    EXPECT_EQ(f.errors[1].first, 30);
    EXPECT_EQ(f.errors[1].last, 40);
    EXPECT_EQ(f.errors[1].failCount, 2);
    EXPECT_DOUBLE_EQ(f.speed, 1.5);
    EXPECT_EQ(f.slowMs, 7);
    EXPECT_EQ(f.timeoutSectors, std::vector<std::int32_t>{99});
    EXPECT_EQ(f.shortSectors, std::vector<std::int32_t>{55});
    EXPECT_TRUE(f.noDisc);
    EXPECT_TRUE(f.trayOpen);
    EXPECT_EQ(f.vendor, "PLEXTOR");
    EXPECT_EQ(f.product, "CD-ROM PX-40TS");
    EXPECT_TRUE(f.scsi);
}

TEST(VirtualFaultsTest, RejectsBadEntriesAndKeepsTheOldValues) {
    for (const char* bad : {"jitter", "jitter=-1", "error=20-10", "error=5-9/0", "speed=fast",
                            "tray=ajar", "bogus", "swap=1", "seed=x", "timeout=", "vendor="}) {
        VirtualFaults f;
        f.slowMs = 3;
        std::string error;
        EXPECT_FALSE(parseVirtualFaults(std::string("slow=9,") + bad, f, error)) << bad;
        EXPECT_EQ(f.slowMs, 3) << bad;
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }
}

TEST(VirtualEnvironmentTest, BuildsThePassThroughTheVariablesAskFor) {
    test::FakeClock clock;
    std::string error;
    ::unsetenv("PLATTERSCOOP_VIRTUAL_DRIVE");
    ::setenv("PLATTERSCOOP_VIRTUAL_FAULTS", "vendor=SONY,scsi", 1);
    auto pt = makeVirtualPassThroughFromEnvironment(clock, error);
    ASSERT_TRUE(pt) << error;
    Command inq({0x12, 0, 0, 0, 0x24, 0}, DataDirection::In, 36);
    ASSERT_EQ(inq.run(*pt), scsi_status::kDone);
    EXPECT_EQ(std::string(inq.data.begin() + 8, inq.data.begin() + 12), "SONY");
    EXPECT_EQ(pt->drive(0)->disc(), demoDisc());

    ::setenv("PLATTERSCOOP_VIRTUAL_FAULTS", "warp=9", 1);
    EXPECT_FALSE(makeVirtualPassThroughFromEnvironment(clock, error));
    EXPECT_NE(error.find("PLATTERSCOOP_VIRTUAL_FAULTS"), std::string::npos);
    ::unsetenv("PLATTERSCOOP_VIRTUAL_FAULTS");
    ::setenv("PLATTERSCOOP_VIRTUAL_DRIVE", "/nonexistent/disc.cue", 1);
    EXPECT_FALSE(makeVirtualPassThroughFromEnvironment(clock, error));
    EXPECT_NE(error.find("disc.cue"), std::string::npos);
    VirtualDriveEnvironment env;
    ASSERT_TRUE(readVirtualDriveEnvironment(env, error));
    EXPECT_TRUE(env.requested);
    ::unsetenv("PLATTERSCOOP_VIRTUAL_DRIVE");
}

}  // namespace
}  // namespace ps

namespace ps {
namespace {}  // namespace
}  // namespace ps
