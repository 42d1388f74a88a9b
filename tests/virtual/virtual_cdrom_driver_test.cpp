#include <gtest/gtest.h>

#include <cstring>

#include "support/fake_clock.h"
#include "virtual/virtual_cd_audio.h"

namespace ps {
namespace {

class VirtualCdromDriverTest : public ::testing::Test {
  protected:
    void start(const std::string& faults = "") {
        VirtualFaults f;
        std::string error;
        ASSERT_TRUE(parseVirtualFaults(faults, f, error)) << error;
        drive = std::make_shared<VirtualDrive>(clock, demoDisc(), f);
        driver = std::make_unique<VirtualCdromDriver>(drive);
    }
    void SetUp() override { start(); }
    test::FakeClock clock;
    std::shared_ptr<VirtualDrive> drive;
    std::unique_ptr<VirtualCdromDriver> driver;
};

TEST_F(VirtualCdromDriverTest, TableOfContentsMatchesTheDisc) {
    CdromTocHeader header;
    ASSERT_EQ(driver->readTocHeader(header), cdrom_result::kOk);
    EXPECT_EQ(header.firstTrack, 1);
    EXPECT_EQ(header.lastTrack, demoDisc()->lastTrack());
    for (int t = header.firstTrack; t <= header.lastTrack; ++t) {
        CdromTocEntry e;
        ASSERT_EQ(driver->readTocEntry(t, e), cdrom_result::kOk);
        EXPECT_EQ(e.lba, demoDisc()->track(t)->start);
        EXPECT_FALSE(e.data);
    }
    CdromTocEntry leadOut;
    ASSERT_EQ(driver->readTocEntry(kCdromLeadOutTrack, leadOut), cdrom_result::kOk);
    EXPECT_EQ(leadOut.lba, demoDisc()->leadOut());
    CdromTocEntry none;
    EXPECT_EQ(driver->readTocEntry(header.lastTrack + 1, none), cdrom_result::kInvalid);
}

TEST_F(VirtualCdromDriverTest, ReadAudioWithAndWithoutFaults) {
    std::vector<std::uint8_t> got(75 * kImageSectorBytes);
    std::vector<std::uint8_t> want(got.size());
    ASSERT_EQ(driver->readAudio(1000, 75, got.data()), cdrom_result::kOk);
    demoDisc()->read(1000LL * kImageSectorBytes, want.size(), want.data());
    EXPECT_EQ(got, want);
    EXPECT_EQ(driver->readAudio(1000, 76, got.data()), cdrom_result::kInvalid);
    EXPECT_EQ(driver->readAudio(demoDisc()->leadOut(), 1, got.data()), cdrom_result::kInvalid);

    start("error=1010-1010/1,swap");
    EXPECT_EQ(driver->readAudio(1000, 20, got.data()), cdrom_result::kIoError);
    ASSERT_EQ(driver->readAudio(1000, 20, got.data()), cdrom_result::kOk);
    EXPECT_EQ(got[0], want[1]);
    drive->openTray();
    EXPECT_EQ(driver->readAudio(1000, 1, got.data()), cdrom_result::kNoMedium);
    CdromTocHeader header;
    EXPECT_EQ(driver->readTocHeader(header), cdrom_result::kNoMedium);
}

TEST_F(VirtualCdromDriverTest, PlayPauseResumeAndSubChannel) {
    const std::int32_t start = demoDisc()->tracks()[1].start;
    ASSERT_EQ(driver->playMsf(CdMsf::fromSector(start), CdMsf::fromSector(start + 1500)),
              cdrom_result::kOk);
    clock.advance(1000);
    CdromSubChannel s;
    ASSERT_EQ(driver->subChannel(s), cdrom_result::kOk);
    EXPECT_EQ(s.audioStatus, CdromAudioStatus::Playing);
    EXPECT_EQ(s.track, 2);
    EXPECT_EQ(s.index, 1);
    EXPECT_EQ(s.absolute, start + 75);
    EXPECT_EQ(s.relative, 75);
    ASSERT_EQ(driver->pause(), cdrom_result::kOk);
    clock.advance(1000);
    ASSERT_EQ(driver->subChannel(s), cdrom_result::kOk);
    EXPECT_EQ(s.audioStatus, CdromAudioStatus::Paused);
    EXPECT_EQ(s.absolute, start + 75);
    ASSERT_EQ(driver->resume(), cdrom_result::kOk);
    clock.advance(2000);
    ASSERT_EQ(driver->subChannel(s), cdrom_result::kOk);
    EXPECT_EQ(s.absolute, start + 225);
    ASSERT_EQ(driver->stop(), cdrom_result::kOk);
    ASSERT_EQ(driver->subChannel(s), cdrom_result::kOk);
    EXPECT_EQ(s.audioStatus, CdromAudioStatus::NoStatus);
    EXPECT_EQ(driver->resume(), cdrom_result::kInvalid);  // nothing to resume
}

}  // namespace
}  // namespace ps
