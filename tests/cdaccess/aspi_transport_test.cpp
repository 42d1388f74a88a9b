#include <gtest/gtest.h>

#include "cdaccess/drive_types.h"
#include "cdaccess/scsi_commands.h"
#include "support/scsi_rig.h"

namespace ps {
namespace {

using test::ScriptedAnswer;
using test::ScsiRig;

ScriptedAnswer never() {
    ScriptedAnswer reply;
    reply.never = true;
    return reply;
}

ScriptedAnswer deferred(std::uint8_t status) {
    ScriptedAnswer reply = test::answerStatus(status);
    reply.deferred = true;
    return reply;
}

TEST(AspiExecute, CommandsThatNeverAnswerEndAtTheirTimeOut) {
    struct Case {
        const char* what;
        ScsiCommand command;
        int timeoutMs;
    };
    const std::vector<Case> cases = {
        {"sub-channel", readSubChannelCommand(), 3000},
        {"play", playAudioCommand(0, 1), 3000},
        {"pause", pauseCommand(), 3000},
        {"speed", setCdSpeedCommand(176), 3000},
        {"mode sense", capabilitiesModeSenseCommand(1), 3000},
        {"READ TOC", readTocCommand(), 6000},
        {"eject", ejectCommand(), 15000},
        {"load", loadCommand(), 15000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScsiRig rig;
        rig.target.answer = [](const test::RecordedCommand&) { return never(); };
        std::array<std::uint8_t, kTocBufferLength> buffer{};
        const auto before = rig.clock.nowMs();
        EXPECT_EQ(rig.transport.execute(c.command, buffer.data()), scsi_status::kPending);
        EXPECT_EQ(rig.target.waitTimeouts, std::vector<int>{c.timeoutMs});
        EXPECT_EQ(rig.clock.nowMs() - before, c.timeoutMs);
        EXPECT_EQ(rig.target.abandoned, 1);
    }
}

TEST(AspiExecute, DoorCommandsBeepAroundAPendingWait) {
    ScsiRig rig;
    rig.target.answer = [](const test::RecordedCommand&) { return deferred(scsi_status::kDone); };
    EXPECT_EQ(rig.drive.eject(), scsi_status::kDone);
    EXPECT_EQ(rig.beeps, 2);
    EXPECT_EQ(rig.drive.load(), scsi_status::kDone);
    EXPECT_EQ(rig.beeps, 4);
    rig.drive.pause();  // not a door command
    EXPECT_EQ(rig.beeps, 4);
    EXPECT_EQ(rig.target.abandoned, 0);

    // Done at once: nothing to wait for, no beep.
    rig.target.answer = nullptr;
    EXPECT_EQ(rig.drive.eject(), scsi_status::kDone);
    EXPECT_EQ(rig.beeps, 4);
}

TEST(AspiExecute, PolledModeSelectWaitsEightSecondsPumping) {
    ScsiRig rig(drive_type::kToshibaNew);
    rig.target.answer = [](const test::RecordedCommand&) { return never(); };
    const auto before = rig.clock.nowMs();
    rig.drive.prepareReadMode(0);
    EXPECT_GE(rig.clock.nowMs() - before, 8000);
    EXPECT_LT(rig.clock.nowMs() - before, 8100);
    EXPECT_GT(rig.pumps, 100);
    EXPECT_TRUE(rig.target.waitTimeouts.empty());
    EXPECT_EQ(rig.target.abandoned, 1);
    EXPECT_FALSE(rig.drive.readModeSet());
}

TEST(AspiExecute, PolledWaitEndsOnAbortAndCompletesWhenTheDriveAnswers) {
    {
        ScsiRig rig(drive_type::kPhilips);
        rig.target.answer = [](const test::RecordedCommand&) { return never(); };
        int pumps = 0;
        rig.transport.hooks().pump = [&] {
            if (++pumps == 5) {
                rig.abort = true;
            }
        };
        const auto before = rig.clock.nowMs();
        rig.drive.prepareReadMode(0);
        EXPECT_LT(rig.clock.nowMs() - before, 20);
        // The extraction start proceeds: both selects of the family were still sent.
        EXPECT_EQ(rig.target.withOpcode(0x15).size(), 2u);
    }
    {
        ScsiRig rig(drive_type::kPhilips);
        rig.target.answer = [](const test::RecordedCommand&) {
            return deferred(scsi_status::kDone);
        };
        rig.drive.prepareReadMode(0);
        EXPECT_TRUE(rig.drive.readModeSet());
        EXPECT_EQ(rig.target.abandoned, 0);
    }
}

TEST(AspiExecute, RingRequestsAwaitedWithoutBeingAbandoned) {
    ScsiRig rig;
    AspiReadRing ring;
    rig.target.answer = [](const test::RecordedCommand&) { return never(); };
    ScsiRequest& request = ring.requests[0];
    rig.transport.prepare(request, audioReadCommand(1, 100, 26), ring.buffer(0));
    rig.target.send(request);
    EXPECT_EQ(rig.transport.awaitEvent(request, 5000), AspiTransport::WaitResult::TimedOut);
    const auto before = rig.clock.nowMs();
    EXPECT_EQ(rig.transport.awaitPolled(request, 10000), AspiTransport::WaitResult::TimedOut);
    EXPECT_GE(rig.clock.nowMs() - before, 10000);
    rig.abort = true;
    EXPECT_EQ(rig.transport.awaitPolled(request, 10000), AspiTransport::WaitResult::Aborted);
    EXPECT_EQ(rig.target.abandoned, 0);

    rig.target.answer = [](const test::RecordedCommand&) { return deferred(5); };
    rig.transport.prepare(request, audioReadCommand(1, 100, 26), ring.buffer(0));
    rig.target.send(request);
    EXPECT_EQ(rig.transport.awaitEvent(request, 5000), AspiTransport::WaitResult::Completed);
    EXPECT_EQ(request.status, 5);
}

TEST(AspiExecute, ReportAspiErrorFormatsAndRecalibrates) {
    ScsiRig rig;
    rig.transport.reportAspiError(0x82);
    EXPECT_EQ(rig.transport.lastErrorText(), "ASPI Error: 82");
    EXPECT_EQ(rig.diagnostics, std::vector<std::string>{"ASPI Error: 82"});
    ASSERT_EQ(rig.target.sent.size(), 1u);
    EXPECT_EQ(rig.target.sent[0].opcode(), 0x01);
    EXPECT_EQ(rig.target.sent[0].target, (ScsiTarget{0, 1, 0}));
    rig.transport.reportAspiError(4);
    EXPECT_EQ(rig.transport.lastErrorText(), "ASPI Error: 4");
}

}  // namespace
}  // namespace ps
