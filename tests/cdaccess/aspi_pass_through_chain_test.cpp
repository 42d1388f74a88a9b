#include <gtest/gtest.h>

#include "cdaccess/aspi_pass_through_chain.h"
#include "cdaccess/aspi_transport.h"
#include "support/recording_pass_through.h"

namespace ps {
namespace {

using test::makeInquiry;

TEST(AspiPassThroughChain, LaterLinksFollowEarlierAdapters) {
    test::FakeClock clock;
    test::RecordingPassThrough real(clock);
    test::RecordingPassThrough virtualDrive(clock);
    real.adapters = 2;
    real.addDevice({1, 3, 0}, {5, makeInquiry(5, 0, 2, "REAL    DRIVE   1.0"), "/dev/sg4"});
    virtualDrive.addDevice({0, 0, 0}, {5, makeInquiry(5, 0, 2, "PLATTERSVIRTUAL 1.0"), "virtual"});
    virtualDrive.adapterInfo = {"VIRTUAL", "", ""};
    virtualDrive.answer = [](const test::RecordedCommand&) {
        test::ScriptedAnswer reply = test::answerStatus(scsi_status::kError);
        reply.deferred = true;
        return reply;
    };

    AspiPassThroughChain chain;
    chain.append(&real);
    chain.append(nullptr);
    chain.append(&virtualDrive);
    EXPECT_EQ(chain.hostAdapterCount(), 3);
    EXPECT_EQ(chain.inquireHostAdapter(2).managerId, "VIRTUAL");
    EXPECT_EQ(chain.deviceType({3, 0, 0}), -1);

    AspiTransport transport(chain, clock);
    ASSERT_EQ(transport.discoverDrives(), 2);
    EXPECT_EQ(transport.drives()[0].node, "/dev/sg4");
    EXPECT_EQ(transport.drives()[1].target, (ScsiTarget{2, 0, 0}));
    EXPECT_EQ(transport.drives()[1].node, "virtual");

    // A command for the virtual drive reaches it as its own adapter 0 and its
    // deferred outcome comes back through the chain.
    transport.selectDrive(1);
    EXPECT_EQ(transport.execute(pauseCommand(), nullptr), scsi_status::kError);
    EXPECT_EQ(virtualDrive.sent.back().target, (ScsiTarget{0, 0, 0}));
    EXPECT_EQ(virtualDrive.sent.back().opcode(), 0x4B);

    // One that never answers is abandoned at the link when it times out.
    virtualDrive.answer = [](const test::RecordedCommand&) {
        test::ScriptedAnswer reply;
        reply.never = true;
        return reply;
    };
    EXPECT_EQ(transport.execute(pauseCommand(), nullptr), scsi_status::kPending);
    EXPECT_EQ(virtualDrive.abandoned, 1);

    ScsiRequest stray;
    stray.target = {7, 0, 0};
    chain.send(stray);
    EXPECT_EQ(stray.status, scsi_status::kInvalidHostAdapter);
}

}  // namespace
}  // namespace ps
