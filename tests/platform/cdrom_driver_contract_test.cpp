#include <gtest/gtest.h>

#include <functional>

#include "platform/clock.h"
#include "platform/linux/cd_audio_device_linux.h"
#include "virtual/virtual_cd_audio.h"

namespace ps {
namespace {

// The CD-ROM driver face: the virtual drive always, each CD node of this machine that
// holds a disc.
struct Driver {
    std::string name;
    std::function<std::unique_ptr<CdromDriver>()> make;
};

std::vector<Driver> drivers() {
    static SteadyClock clock;
    static auto drive = std::make_shared<VirtualDrive>(clock, demoDisc());
    std::vector<Driver> out{
        {"Virtual", [] { return std::make_unique<VirtualCdromDriver>(drive); }}};
    int i = 0;
    for (const std::string& node : CdAudioDeviceLinux::drives()) {
        out.push_back({"Linux" + std::to_string(i++),
                       [node] { return std::make_unique<CdromDriverLinux>(node); }});
    }
    return out;
}

class CdromDriverContract : public ::testing::TestWithParam<Driver> {
  protected:
    void SetUp() override {
        driver = GetParam().make();
        const int e = driver->readTocHeader(header);
        if (e == cdrom_result::kNoMedium && GetParam().name != "Virtual") {
            GTEST_SKIP() << GetParam().name << ": no disc in the drive";
        }
        ASSERT_EQ(e, cdrom_result::kOk);
    }
    std::unique_ptr<CdromDriver> driver;
    CdromTocHeader header;
};

TEST_P(CdromDriverContract, TocEntriesRiseToTheLeadOut) {
    ASSERT_GE(header.lastTrack, header.firstTrack);
    std::int32_t previous = -1;
    for (int t = header.firstTrack; t <= header.lastTrack; ++t) {
        CdromTocEntry e;
        ASSERT_EQ(driver->readTocEntry(t, e), cdrom_result::kOk);
        EXPECT_GT(e.lba, previous);
        previous = e.lba;
    }
    CdromTocEntry leadOut;
    ASSERT_EQ(driver->readTocEntry(kCdromLeadOutTrack, leadOut), cdrom_result::kOk);
    EXPECT_GT(leadOut.lba, previous);
}

TEST_P(CdromDriverContract, ReadsAudioFramesOfTheFirstAudioTrack) {
    for (int t = header.firstTrack; t <= header.lastTrack; ++t) {
        CdromTocEntry e;
        ASSERT_EQ(driver->readTocEntry(t, e), cdrom_result::kOk);
        if (!e.data) {
            std::vector<std::uint8_t> buffer(10 * 2352);
            EXPECT_EQ(driver->readAudio(e.lba, 10, buffer.data()), cdrom_result::kOk);
            EXPECT_EQ(driver->readAudio(e.lba, 0, buffer.data()), cdrom_result::kInvalid);
            return;
        }
    }
    GTEST_SKIP() << "no audio track on the disc";
}

INSTANTIATE_TEST_SUITE_P(All, CdromDriverContract, ::testing::ValuesIn(drivers()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace ps
