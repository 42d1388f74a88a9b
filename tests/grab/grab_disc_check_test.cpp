#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "cdaccess/read_method.h"
#include "grab/grab_disc_check.h"
#include "support/recording_read_method_backends.h"

namespace ps::test {
namespace {

// The analog drive's CD audio device with one disc identity (none: no disc).
class OneDriveDevice final : public DiscIdentityDevice {
  public:
    std::optional<std::string> identity = "4660";
    bool open(int, bool) override { return identity.has_value(); }
    void close() override {}
    std::optional<std::string> mediaIdentity() override { return identity; }
    std::optional<MsfTime> trackPosition(int) override { return MsfTime{0, 2, 0}; }
};

class NoVolumes final : public DriveVolumeView {
  public:
    std::optional<std::uint64_t> totalBytes(int) const override { return std::nullopt; }
    std::optional<std::uint32_t> volumeSerial(int) const override { return std::nullopt; }
};

TEST(IdentifierDiscCheck, TellsTheListedDiscAnotherDiscAndAnEmptyDriveApart) {
    CallLog log;
    FakeClock clock;
    DiscTable table;
    ExtractionStatistics statistics;
    ReadMethod readMethod(clock, table, statistics, nullptr, std::make_unique<RecordingAnalog>(log),
                          true, {});
    readMethod.currentAccessMode = access_mode::kAnalog;
    readMethod.analogDrive = 3;
    OneDriveDevice device;
    NoVolumes volumes;
    CdPlayerDiscIdentity identity;
    DiscIdentifier identifier(readMethod, device, volumes, identity);
    ASSERT_TRUE(identifier.identify(true, true));  // the refresh lists disc 4660
    std::uint32_t cddbId = 0x0A0B0C0D;
    IdentifierDiscCheck check(identifier, cddbId);

    EXPECT_EQ(check.checkDisc(), DiscState::Same);
    EXPECT_EQ(check.currentDiscNumber(), 4660u);
    EXPECT_EQ(check.cddbId(), 0x0A0B0C0Du);

    device.identity = "9999";
    EXPECT_EQ(check.checkDisc(), DiscState::Other);
    device.identity.reset();
    EXPECT_EQ(check.checkDisc(), DiscState::NotReady);
    EXPECT_EQ(check.currentDiscNumber(), 0u);
}

}  // namespace
}  // namespace ps::test
