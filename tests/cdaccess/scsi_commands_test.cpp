#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "cdaccess/drive_types.h"
#include "cdaccess/scsi_commands.h"
#include "support/scsi_rig.h"

namespace ps {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ScsiRig;

struct Expected {
    const char* what;
    Bytes block;  // up to the declared length
    int lengthField;
    DataDirection direction;
    std::uint32_t dataLength;
    bool event;
    int timeoutMs;
};

void expectSent(const test::RecordedCommand& sent, const Expected& want) {
    SCOPED_TRACE(want.what);
    EXPECT_EQ(sent.block(), want.block);
    EXPECT_EQ(sent.cdbLength, want.lengthField);
    EXPECT_EQ(sent.direction, want.direction);
    EXPECT_EQ(sent.length, want.dataLength);
    EXPECT_EQ(sent.eventNotify, want.event);
    EXPECT_EQ(sent.timeoutMs, want.timeoutMs);
    for (std::size_t i = sent.cdbLength; i < sent.cdb.size(); ++i) {
        EXPECT_EQ(sent.cdb[i], 0) << "byte " << i << " behind the command";
    }
    EXPECT_EQ(sent.target, (ScsiTarget{0, 1, 0}));
}

TEST(ScsiCommands, SingleCommandsGoOutByteForByte) {
    ScsiRig rig;
    DiscTable table;
    rig.drive.readToc(table, {});
    rig.drive.headPosition();
    rig.drive.play(0x00012345, 0x0000ABCD);
    rig.drive.play(10, -5);
    rig.drive.pause();
    rig.drive.resume();
    rig.drive.eject();
    rig.drive.load();
    rig.transport.reportAspiError(4);
    int current = 0, maximum = 0;
    rig.drive.readCapabilitySpeeds(current, maximum);
    rig.transport.selectDriveType(drive_type::kPlextor);
    rig.drive.readCapabilitySpeeds(current, maximum);

    using D = DataDirection;
    const std::vector<Expected> expected = {
        {"READ TOC", {0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, 10, D::In, 804, true, 6000},
        {"READ SUB-CHANNEL", {0x42, 0, 0x40, 0x01, 0, 0, 0, 0, 0x10, 0}, 10, D::In, 16, true, 3000},
        {"PLAY AUDIO(12)",
         {0xA5, 0, 0x00, 0x01, 0x23, 0x45, 0x00, 0x00, 0xAB, 0xCD, 0, 0},
         12,
         D::None,
         0,
         true,
         3000},
        {"PLAY AUDIO(12), negative count",
         {0xA5, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0},
         12,
         D::None,
         0,
         true,
         3000},
        {"PAUSE", {0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 10, D::None, 16, true, 3000},
        {"RESUME", {0x4B, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 10, D::None, 16, true, 3000},
        {"eject", {0x1B, 0, 0, 0, 0x02, 0}, 6, D::None, 0, true, 15000},
        {"load", {0x1B, 0, 0, 0, 0x03, 0}, 6, D::None, 0, true, 15000},
        {"REZERO UNIT", {0x01, 0, 0, 0, 0, 0}, 6, D::None, 0, true, 3000},
        {"MODE SENSE(10) capabilities",
         {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0x1C, 0, 0, 0},
         12,
         D::In,
         28,
         true,
         3000},
        {"MODE SENSE(6) capabilities",
         {0x1A, 0, 0x2A, 0, 0x20, 0, 0, 0, 0, 0, 0, 0},
         12,
         D::In,
         32,
         true,
         3000},
    };
    ASSERT_EQ(rig.target.sent.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        expectSent(rig.target.sent[i], expected[i]);
    }
}

TEST(ScsiCommands, InquiryAndSpeedBlocks) {
    ScsiRig rig;
    rig.transport.discoverDrives();
    rig.drive.applySpeed(allAtapiSpeeds(), 16);  // 16x: 2822, 2823, 2824 kB/s
    using D = DataDirection;
    const std::vector<Expected> expected = {
        {"INQUIRY", {0x12, 0, 0, 0, 0x24, 0}, 6, D::In, 36, true, 3000},
        {"SET CD SPEED",
         {0xBB, 0, 0x0B, 0x06, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0},
         12,
         D::None,
         0,
         true,
         3000},
        {"SET CD SPEED + 1",
         {0xBB, 0, 0x0B, 0x07, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0},
         12,
         D::None,
         0,
         true,
         3000},
        {"SET CD SPEED + 2",
         {0xBB, 0, 0x0B, 0x08, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0},
         12,
         D::None,
         0,
         true,
         3000},
    };
    ASSERT_EQ(rig.target.sent.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        expectSent(rig.target.sent[i], expected[i]);
    }
}

TEST(ScsiCommands, AudioReadOfEveryFamily) {
    struct Case {
        int family;
        Bytes block;
        int lengthField;
    };
    // Sector 0x00012345, 26 sectors (0x1A).
    const std::vector<Case> cases = {
        {1, {0xBE, 0x04, 0x00, 0x01, 0x23, 0x45, 0, 0, 0x1A, 0xF0}, 10},
        {2, {0x28, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 0x1A, 0, 0, 0}, 12},
        {3, {0xD8, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 0, 0x1A, 0, 0}, 12},
        {4, {0xD4, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 0x1A, 0}, 10},
        {5, {0xD4, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 0, 0x1A, 0, 0}, 12},
        {6, {0x28, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 0x1A, 0}, 10},
        {7, {0x28, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 0x1A, 0}, 10},
        {8, {0xD8, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 0, 0x1A, 0, 0}, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.family);
        ScsiRig rig;
        AspiReadRing ring;
        ScsiRequest& request = ring.requests[3];
        rig.transport.prepare(request, audioReadCommand(c.family, 0x00012345, 26), ring.buffer(3));
        rig.target.send(request);
        ASSERT_EQ(rig.target.sent.size(), 1u);
        const auto& sent = rig.target.sent[0];
        EXPECT_EQ(sent.block(), c.block);
        EXPECT_EQ(sent.cdbLength, c.lengthField);
        EXPECT_EQ(sent.direction, DataDirection::In);
        EXPECT_EQ(sent.length, 63504u);
        EXPECT_EQ(sent.timeoutMs, 5000);
        for (std::size_t i = 0; i < 16; ++i) {
            if (i >= c.block.size()) {
                EXPECT_EQ(sent.cdb[i], 0);
            }
        }
    }
    // Counts stay within one 27-sector buffer.
    EXPECT_EQ(audioReadCommand(1, 0, 40).cdb[8], kSectorsPerRead);
    EXPECT_EQ(audioReadCommand(3, 0, -3).cdb[9], 0);
}

struct ModeSelectCase {
    const char* what;
    int typeIndex;
    int speedIndex;
    std::vector<Bytes> blocks;      // MODE SELECT command bytes, in order
    std::vector<Bytes> parameters;  // what each carried
};

TEST(ScsiCommands, ReadModeSelectsPerFamilyAndSpeed) {
    const Bytes header8 = {0x00, 0x00, 0x00, 0x08};
    auto cat = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const auto& p : parts) {
            out.insert(out.end(), p.begin(), p.end());
        }
        return out;
    };
    const Bytes audioBlock = {0, 0, 0, 0, 0, 0x00, 0x09, 0x30};
    const Bytes toshibaBlock = {0x82, 0, 0, 0, 0, 0x00, 0x09, 0x30};
    const std::vector<ModeSelectCase> cases = {
        {"ATAPI", drive_type::kAtapi, 2, {}, {}},
        {"SONY", drive_type::kSony, 1, {}, {}},
        {"NEC", drive_type::kNec, 1, {}, {}},
        {"PLEXTOR default", drive_type::kPlextor, 0, {}, {}},
        {"TOSHIBA (old)",
         drive_type::kToshibaOld,
         0,
         {{0x15, 0x00, 0, 0, 12, 0}},
         {cat({header8, toshibaBlock})}},
        {"PANASONIC default",
         drive_type::kPanasonic,
         0,
         {{0x15, 0x10, 0, 0, 8, 0}},
         {{0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x09, 0x30}}},
        {"PANASONIC speed 1",
         drive_type::kPanasonic,
         1,
         {{0x15, 0x10, 0, 0, 8, 0}},
         {{0, 0, 0, 0, 0x20, 0x02, 0x01, 0x00, 0x65, 0x2C, 0x41, 0x00}}},
        {"PANASONIC speed 2",
         drive_type::kPanasonic,
         2,
         {{0x15, 0x10, 0, 0, 8, 0}},
         {{0, 0, 0, 0, 0x20, 0x02, 0x18, 0x00, 0x65, 0x2C, 0x41, 0x00}}},
        {"PANASONIC speed 3",
         drive_type::kPanasonic,
         3,
         {{0x15, 0x10, 0, 0, 8, 0}},
         {{0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x09, 0x30}}},
        {"PHILIPS speed 3",
         drive_type::kPhilips,
         3,
         {{0x15, 0x10, 0, 0, 20, 0}, {0x15, 0x10, 0, 0, 20, 0}},
         {cat({header8, audioBlock, {0x23, 0x06, 0, 0, 6, 0, 0, 0x80}}),
          cat({header8, audioBlock, {0x01, 0x06, 0x20, 0x07, 0, 0, 0, 0}})}},
        {"PHILIPS speed 5",
         drive_type::kPhilips,
         5,
         {{0x15, 0x10, 0, 0, 20, 0}, {0x15, 0x10, 0, 0, 20, 0}},
         {cat({header8, audioBlock, {0x23, 0x06, 0, 0, 0, 0, 0, 0x80}}),
          cat({header8, audioBlock, {0x01, 0x06, 0x20, 0x07, 0, 0, 0, 0}})}},
        {"TOSHIBA (new) speed 1",
         drive_type::kToshibaNew,
         1,
         {{0x15, 0x10, 0, 0, 15, 0}},
         {cat({header8, toshibaBlock, {0x20, 0x01, 0x10}})}},
        {"TOSHIBA (new) default",
         drive_type::kToshibaNew,
         0,
         {{0x15, 0x10, 0, 0, 15, 0}},
         {cat({header8, toshibaBlock, {0x20, 0x01, 0x11}})}},
        {"PLEXTOR speed 4",
         drive_type::kPlextor,
         4,
         {{0x15, 0x00, 0, 0, 16, 0}},
         {cat({header8, {0, 0, 0, 0, 0, 0x00, 0x08, 0x00}, {0x31, 0x02, 3, 0x00}})}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScsiRig rig(c.typeIndex);
        rig.drive.prepareReadMode(c.speedIndex);
        const auto selects = rig.target.withOpcode(0x15);
        ASSERT_EQ(selects.size(), c.blocks.size());
        for (std::size_t i = 0; i < selects.size(); ++i) {
            EXPECT_EQ(selects[i].block(), c.blocks[i]);
            EXPECT_EQ(selects[i].cdbLength, 6);
            EXPECT_EQ(selects[i].direction, DataDirection::Out);
            EXPECT_FALSE(selects[i].eventNotify);
            EXPECT_EQ(selects[i].dataOut, c.parameters[i]);
        }
        EXPECT_EQ(rig.drive.readModeSet(), !c.blocks.empty());
    }
}

TEST(ScsiCommands, ToshibaOldSensesBeforeItsSelect) {
    ScsiRig rig(drive_type::kToshibaOld);
    rig.drive.prepareReadMode(0);
    ASSERT_EQ(rig.target.sent.size(), 2u);
    EXPECT_EQ(rig.target.sent[0].block(), (Bytes{0x1A, 0, 0, 0, 0x0C, 0}));
    EXPECT_EQ(rig.target.sent[0].length, 15u);
    EXPECT_EQ(rig.target.sent[0].direction, DataDirection::In);
    EXPECT_FALSE(rig.target.sent[0].eventNotify);
    EXPECT_EQ(rig.target.sent[1].opcode(), 0x15);
}

TEST(ScsiCommands, RestoreOnlyAfterTheReadModeWasSet) {
    {
        ScsiRig rig(drive_type::kAtapi);
        rig.drive.prepareReadMode(0);
        rig.drive.restoreReadMode();
        EXPECT_TRUE(rig.target.sent.empty());
    }
    {
        ScsiRig rig(drive_type::kPanasonic);
        rig.drive.prepareReadMode(0);
        rig.target.sent.clear();
        rig.drive.restoreReadMode();
        ASSERT_EQ(rig.target.sent.size(), 1u);
        EXPECT_EQ(rig.target.sent[0].block(), (Bytes{0x15, 0x10, 0, 0, 12, 0}));
        EXPECT_EQ(rig.target.sent[0].dataOut,
                  (Bytes{0, 0, 0, 8, 0x00, 0, 0, 0, 0, 0x00, 0x08, 0x00}));
        rig.drive.restoreReadMode();
        EXPECT_EQ(rig.target.sent.size(), 1u);
    }
    {
        ScsiRig rig(drive_type::kPlextor);
        rig.drive.prepareReadMode(2);
        rig.target.sent.clear();
        rig.drive.restoreReadMode();
        ASSERT_EQ(rig.target.sent.size(), 1u);
        EXPECT_EQ(rig.target.sent[0].block(), (Bytes{0x15, 0x00, 0, 0, 12, 0}));
        EXPECT_EQ(rig.target.sent[0].dataOut,
                  (Bytes{0, 0, 0, 8, 0x83, 0, 0, 0, 0, 0x00, 0x08, 0x00}));
    }
    {
        // A rejected select leaves nothing to restore.
        ScsiRig rig(drive_type::kToshibaNew);
        rig.target.answer = [](const test::RecordedCommand&) {
            return test::answerStatus(scsi_status::kError);
        };
        rig.drive.prepareReadMode(0);
        EXPECT_FALSE(rig.drive.readModeSet());
    }
}

TEST(ScsiCommands, PlayControlResults) {
    ScsiRig rig;
    std::uint8_t status = scsi_status::kDone;
    rig.target.answer = [&status](const test::RecordedCommand& command) {
        test::ScriptedAnswer reply = test::answerStatus(status);
        if (command.opcode() == 0x42) {
            reply.data = Bytes(16, 0);
            reply.data[8] = 0x7F;  // outside the 24 bits that count
            reply.data[9] = 0x01;
            reply.data[10] = 0x02;
            reply.data[11] = 0x03;
        }
        return reply;
    };
    EXPECT_TRUE(rig.drive.play(0, 100));
    EXPECT_TRUE(rig.drive.pause());
    EXPECT_TRUE(rig.drive.resume());
    EXPECT_EQ(rig.drive.headPosition(), 0x010203);
    status = scsi_status::kError;
    EXPECT_FALSE(rig.drive.play(0, 100));
    EXPECT_FALSE(rig.drive.pause());
    EXPECT_FALSE(rig.drive.resume());
    EXPECT_EQ(rig.drive.headPosition(), 0);
    EXPECT_EQ(rig.drive.eject(), scsi_status::kError);
}

}  // namespace
}  // namespace ps
