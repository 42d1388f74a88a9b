#include <gtest/gtest.h>

#include <functional>

#include "platform/clock.h"
#include "platform/linux/cd_audio_device_linux.h"
#include "virtual/virtual_cd_audio.h"

namespace ps {
namespace {

// One suite for every CD audio device: the virtual one always, the Linux one on each
// CD node of this machine that holds a disc.
struct Device {
    std::string name;
    std::function<std::unique_ptr<CdAudioDevice>()> make;
    std::function<std::unique_ptr<CdAudioDevice>()> makeSecond;  // another user of the drive
};

SteadyClock& steadyClock() {
    static SteadyClock clock;
    return clock;
}

std::vector<Device> devices() {
    static auto drive = std::make_shared<VirtualDrive>(steadyClock(), demoDisc());
    std::vector<Device> out{{"Virtual",
                             [] { return std::make_unique<VirtualCdAudioDevice>(drive); },
                             [] { return std::make_unique<VirtualCdAudioDevice>(drive); }}};
    int i = 0;
    for (const std::string& node : CdAudioDeviceLinux::drives()) {
        out.push_back({"Linux" + std::to_string(i++),
                       [node] { return std::make_unique<CdAudioDeviceLinux>(node); },
                       [node] { return std::make_unique<CdAudioDeviceLinux>(node); }});
    }
    return out;
}

class CdAudioContract : public ::testing::TestWithParam<Device> {
  protected:
    void SetUp() override {
        device = GetParam().make();
        ASSERT_EQ(device->open(true), cd_audio_error::kNone);
        ASSERT_EQ(device->setTimeFormatMsf(), cd_audio_error::kNone);
        const int e = device->numberOfTracks(tracks);
        if (e == cd_audio_error::kNotReady && GetParam().name != "Virtual") {
            GTEST_SKIP() << GetParam().name << ": no disc in the drive";
        }
        ASSERT_EQ(e, cd_audio_error::kNone) << cdAudioErrorText(e);
        ASSERT_GT(tracks, 0);
    }
    void TearDown() override {
        if (device) {
            device->stop();
            device->close();
        }
    }
    std::unique_ptr<CdAudioDevice> device;
    int tracks = 0;
};

TEST_P(CdAudioContract, TracksFollowEachOther) {
    CdMsf previous;
    for (int t = 1; t <= tracks; ++t) {
        CdMsf position;
        CdMsf length;
        CdTrackType type = CdTrackType::Other;
        ASSERT_EQ(device->trackPosition(t, position), cd_audio_error::kNone);
        ASSERT_EQ(device->trackLength(t, length), cd_audio_error::kNone);
        ASSERT_EQ(device->trackType(t, type), cd_audio_error::kNone);
        EXPECT_GT(length.totalFrames(), 0);
        if (t > 1) {
            EXPECT_GT(position.totalFrames(), previous.totalFrames());
        } else {
            EXPECT_GE(position.totalFrames(), 150);
        }
        previous = position;
    }
    CdMsf none;
    EXPECT_EQ(device->trackPosition(0, none), cd_audio_error::kOutOfRange);
    EXPECT_EQ(device->trackPosition(tracks + 1, none), cd_audio_error::kOutOfRange);
}

TEST_P(CdAudioContract, MediaIdentityIsStableAndNotZero) {
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    ASSERT_EQ(device->mediaIdentity(a), cd_audio_error::kNone);
    auto again = GetParam().makeSecond();
    ASSERT_EQ(again->open(true), cd_audio_error::kNone);
    ASSERT_EQ(again->mediaIdentity(b), cd_audio_error::kNone);
    EXPECT_NE(a, 0u);
    EXPECT_EQ(a, b);
}

TEST_P(CdAudioContract, PlayMovesThePositionAndStopEndsIt) {
    CdMsf start;
    CdTrackType type = CdTrackType::Other;
    int audio = 1;
    while (audio <= tracks && device->trackType(audio, type) == 0 && type != CdTrackType::Audio) {
        ++audio;
    }
    ASSERT_LE(audio, tracks) << "no audio track";
    ASSERT_EQ(device->trackPosition(audio, start), cd_audio_error::kNone);
    const CdMsf end = CdMsf::fromFrames(start.totalFrames() + 10 * 75);
    ASSERT_EQ(device->play(start, end), cd_audio_error::kNone);
    steadyClock().sleepMs(400);
    CdMsf now;
    ASSERT_EQ(device->currentPosition(now), cd_audio_error::kNone);
    EXPECT_GT(now.totalFrames(), start.totalFrames() + 10);
    EXPECT_LT(now.totalFrames(), end.totalFrames());
    EXPECT_EQ(device->stop(), cd_audio_error::kNone);
}

TEST_P(CdAudioContract, ClosedDeviceRefusesCommands) {
    device->close();
    EXPECT_FALSE(device->isOpen());
    int n = 0;
    EXPECT_EQ(device->numberOfTracks(n), cd_audio_error::kNotOpen);
    EXPECT_EQ(device->setTimeFormatMsf(), cd_audio_error::kNotOpen);
    EXPECT_EQ(device->stop(), cd_audio_error::kNotOpen);
}

INSTANTIATE_TEST_SUITE_P(All, CdAudioContract, ::testing::ValuesIn(devices()),
                         [](const auto& info) { return info.param.name; });

TEST(CdAudioDeviceLinux, MachineWithoutCdNodesListsNoDrives) {
    if (!CdAudioDeviceLinux::drives().empty()) {
        GTEST_SKIP() << "this machine has CD nodes; the contract suite covers them";
    }
    CdAudioDeviceLinux device("/dev/sr0");
    EXPECT_EQ(device.open(true), cd_audio_error::kNoSuchDrive);
    EXPECT_FALSE(device.isOpen());
    CdAudioDeviceLinux notCd("/dev/null");
    EXPECT_EQ(notCd.open(true), cd_audio_error::kNoSuchDrive);
}

// The virtual device's own behaviour: busy drive, door, and the audio length before a
// data track.
TEST(VirtualCdAudioDevice, BusyDriveDoorAndEnhancedDisc) {
    auto drive = std::make_shared<VirtualDrive>(steadyClock(), demoDisc());
    VirtualCdAudioDevice first(drive);
    VirtualCdAudioDevice second(drive);
    ASSERT_EQ(first.open(false), cd_audio_error::kNone);
    const int busy = second.open(true);
    EXPECT_EQ(busy, cd_audio_error::kDeviceInUse);
    EXPECT_EQ(cdAudioErrorText(busy), "The CD-ROM drive is already used by another program.");
    first.close();
    ASSERT_EQ(second.open(true), cd_audio_error::kNone);
    drive->setUsedElsewhere(true);
    EXPECT_EQ(first.open(true), cd_audio_error::kDeviceInUse);
    drive->setUsedElsewhere(false);

    ASSERT_EQ(second.openDoor(), cd_audio_error::kNone);
    int n = 0;
    EXPECT_EQ(second.numberOfTracks(n), cd_audio_error::kNotReady);
    std::uint32_t id = 7;
    EXPECT_EQ(second.mediaIdentity(id), cd_audio_error::kNotReady);
    EXPECT_EQ(id, 7u);
    ASSERT_EQ(second.closeDoor(), cd_audio_error::kNone);
    EXPECT_EQ(second.numberOfTracks(n), cd_audio_error::kNone);

    auto enhanced = std::make_shared<DiscImage>();
    enhanced->addTrack(ImageTrack{1, false, 0, 0, "", ""});
    enhanced->addTrack(ImageTrack{2, false, 20000, 0, "", ""});
    enhanced->addTrack(ImageTrack{3, true, 40000, 11400, "", ""});
    enhanced->setLeadOut(50000);
    drive->insertDisc(enhanced);
    CdMsf length;
    ASSERT_EQ(second.trackLength(2, length), cd_audio_error::kNone);
    EXPECT_EQ(length.totalFrames(), 40000 - 11400 - 20000);
    CdMsf p2;
    ASSERT_EQ(second.trackPosition(2, p2), cd_audio_error::kNone);
    EXPECT_EQ(p2.sector(), 20000);
    CdTrackType type = CdTrackType::Audio;
    ASSERT_EQ(second.trackType(3, type), cd_audio_error::kNone);
    EXPECT_EQ(type, CdTrackType::Other);
    EXPECT_EQ(second.play(CdMsf::fromSector(45000), CdMsf::fromSector(46000)),
              cd_audio_error::kOutOfRange);  // a data track does not play
}

TEST(CdMediaIdentity, SumsTrackStartsAndAddsTheLengthOfShortDiscs) {
    const std::int32_t three[] = {0, 18000, 30000};
    // 00:02:00, 04:02:00, 06:42:00 as packed words.
    EXPECT_EQ(cdMediaIdentity(three, 3, 40000),
              (0u << 16 | 2u << 8) + (4u << 16 | 2u << 8) + (6u << 16 | 42u << 8));
    const std::int32_t one[] = {0};
    EXPECT_EQ(cdMediaIdentity(one, 1, 33000), (2u << 8) + 33000u);
    EXPECT_EQ(cdMediaIdentity(one, 0, 0), 0u);
}

}  // namespace
}  // namespace ps
