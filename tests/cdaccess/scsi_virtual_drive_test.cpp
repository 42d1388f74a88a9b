#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "cdaccess/aspi_transport.h"
#include "cdaccess/drive_cd_audio.h"
#include "cdaccess/drive_types.h"
#include "cdaccess/scsi_drive.h"
#include "support/fake_clock.h"
#include "virtual/virtual_cd_audio.h"
#include "virtual/virtual_pass_through.h"

namespace ps {
namespace {

// The command set against the virtual drive, the target every family's commands
// must work with.
struct VirtualRig {
    test::FakeClock clock;
    VirtualPassThrough passThrough{clock};
    std::shared_ptr<VirtualDrive> drive;
    AspiTransport transport{passThrough, clock};

    explicit VirtualRig(std::shared_ptr<const DiscImage> disc = demoDisc(),
                        VirtualFaults faults = {}) {
        drive = std::make_shared<VirtualDrive>(clock, std::move(disc), faults);
        passThrough.addDrive(drive, 0);
        transport.discoverDrives();
        transport.selectDrive(0);
    }
};

TEST(ScsiVirtualDrive, DiscoveredWithItsNodeAndType) {
    {
        VirtualRig rig;
        ASSERT_EQ(rig.transport.drives().size(), 1u);
        EXPECT_EQ(rig.transport.drives()[0].node, "virtual");
        EXPECT_EQ(rig.transport.drives()[0].typeIndex, drive_type::kAtapi);
        EXPECT_FALSE(rig.transport.drives()[0].name.empty());
    }
    {
        VirtualFaults faults;
        faults.scsi = true;
        faults.vendor = "PLEXTOR";
        VirtualRig rig(demoDisc(), faults);
        ASSERT_EQ(rig.transport.drives().size(), 1u);
        EXPECT_EQ(rig.transport.drives()[0].typeIndex, drive_type::kPlextor);
        EXPECT_EQ(rig.transport.driveFamily(), drive_family::kPlextor);
    }
}

TEST(ScsiVirtualDrive, TableOfContentsOfTheDemoDisc) {
    VirtualRig rig;
    ScsiDrive drive(rig.transport);
    DiscTable table;
    ASSERT_EQ(drive.readToc(table, {}), 256);
    const auto disc = demoDisc();
    EXPECT_EQ(table.firstTrack, disc->firstTrack());
    EXPECT_EQ(table.lastTrack, disc->lastTrack());
    for (const auto& track : disc->tracks()) {
        EXPECT_EQ(table.tracks[static_cast<std::size_t>(track.number)].startSector, track.start);
        EXPECT_EQ(table.tracks[static_cast<std::size_t>(track.number)].endSector,
                  disc->trackEnd(track));
    }
    EXPECT_EQ(table.totalSectors, disc->leadOut() - disc->tracks().front().start);
}

TEST(ScsiVirtualDrive, EmptyDriveReportsNoDisc) {
    VirtualFaults faults;
    faults.noDisc = true;
    VirtualRig rig(demoDisc(), faults);
    ScsiDrive drive(rig.transport);
    DiscTable table;
    EXPECT_EQ(drive.readToc(table, {}), 0);
    EXPECT_TRUE(table.empty());
}

TEST(ScsiVirtualDrive, EnhancedDiscEndsBeforeTheGap) {
    auto disc = std::make_shared<DiscImage>();
    disc->addTrack({1, false, 0, 0, "", ""});
    disc->addTrack({2, false, 5000, 0, "", ""});
    disc->addTrack({3, true, 20000, 11400, "", ""});
    disc->setLeadOut(26000);
    VirtualRig rig(disc);
    VirtualCdAudioDevice device(rig.drive);
    DriveCdAudioDevices devices;
    devices.add(3, &device);
    ScsiDrive drive(rig.transport, &devices);

    const std::vector<int> letters = {3};
    TocReadOptions options;
    options.cdDriveLetters = letters;
    DiscTable table;
    ASSERT_EQ(drive.readToc(table, options), 256);
    EXPECT_EQ(table.tracks[2].endSector, 20000 - 11400 - 1);
    EXPECT_EQ(drive.lastReadableSector(), 20000 - 11400 - 1);
    EXPECT_FALSE(device.isOpen());
}

TEST(ScsiVirtualDrive, EveryFamilyReadsTheSameAudio) {
    const auto disc = demoDisc();
    const std::int32_t start = disc->tracks()[1].start + 100;
    std::vector<std::uint8_t> expected(26 * kRawSectorBytes);
    ASSERT_TRUE(
        disc->read(std::int64_t{start} * kRawSectorBytes, expected.size(), expected.data()));
    for (int typeIndex = 0; typeIndex < drive_type::kCount; ++typeIndex) {
        SCOPED_TRACE(driveTypeText(typeIndex));
        VirtualRig rig;
        rig.transport.selectDriveType(typeIndex);
        ScsiDrive drive(rig.transport);
        drive.prepareReadMode(0);

        AspiReadRing ring;
        ScsiRequest& request = ring.requests[0];
        rig.transport.prepare(request, audioReadCommand(rig.transport.driveFamily(), start, 26),
                              ring.buffer(0));
        rig.passThrough.send(request);
        ASSERT_EQ(rig.transport.awaitEvent(request, scsi_timeout::kRead),
                  AspiTransport::WaitResult::Completed);
        ASSERT_EQ(request.status, scsi_status::kDone);
        EXPECT_EQ(request.transferred, expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), ring.buffer(0)));
        drive.restoreReadMode();
        EXPECT_FALSE(drive.readModeSet());
    }
}

TEST(ScsiVirtualDrive, PlayPauseAndPosition) {
    VirtualRig rig;
    ScsiDrive drive(rig.transport);
    EXPECT_TRUE(drive.play(1000, 750));
    EXPECT_GE(drive.headPosition(), 1000);
    EXPECT_TRUE(drive.pause());
    EXPECT_TRUE(drive.resume());
    EXPECT_EQ(drive.eject(), scsi_status::kDone);
    DiscTable table;
    EXPECT_EQ(drive.readToc(table, {}), 0);
    TocReadOptions options;
    options.sendStartUnit = true;
    EXPECT_EQ(drive.readToc(table, options), 256);
}

TEST(ScsiVirtualDrive, SpeedProbeFindsTheDrivesSpeeds) {
    VirtualRig rig;
    ScsiDrive drive(rig.transport);
    const SpeedList list = drive.detectSupportedSpeeds(drive_type::kAtapi, false);
    ASSERT_GT(list.size(), 1u);
    EXPECT_EQ(list[0].text, "Default");
    for (std::size_t i = 1; i < list.size(); ++i) {
        EXPECT_GT(list[i].factor, list[i - 1].factor);
    }
}

}  // namespace
}  // namespace ps
