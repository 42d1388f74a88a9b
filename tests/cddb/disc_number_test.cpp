#include "cddb/disc_number.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cdaccess/read_method.h"
#include "support/fake_clock.h"
#include "support/recording_read_method_backends.h"

namespace ps {
namespace {

MsfTime msf(std::int32_t frames) {
    return {frames / 4500, frames / 75 % 60, frames % 75};
}

// A drive as the CD audio device sees it.
struct FakeDrive {
    bool opensShareable = true;
    bool opensExclusive = true;
    std::optional<std::string> identity;
    std::map<int, std::int32_t> positions;  // track -> frames from the start of the lead-in
};

// A drive with the disc whose tracks 1 and 2 start at addresses 0 and 15000.
FakeDrive discDrive(std::string identity) {
    return {true, true, std::move(identity), {{1, 150}, {2, 15150}}};
}

class FakeCdAudioDevice final : public DiscIdentityDevice {
  public:
    std::map<int, FakeDrive> drives;
    std::vector<std::string> log;
    int openDrive = -1;

    bool open(int drive, bool shareable) override {
        log.push_back((shareable ? "share " : "alone ") + std::to_string(drive));
        const auto it = drives.find(drive);
        const bool opened = it != drives.end() &&
                            (shareable ? it->second.opensShareable : it->second.opensExclusive);
        if (opened) {
            openDrive = drive;
        }
        return opened;
    }
    void close() override {
        EXPECT_NE(openDrive, -1) << "closed without being open";
        openDrive = -1;
    }
    std::optional<std::string> mediaIdentity() override {
        return openDrive < 0 ? std::nullopt : drives[openDrive].identity;
    }
    std::optional<MsfTime> trackPosition(int track) override {
        if (openDrive < 0) {
            return std::nullopt;
        }
        const auto& positions = drives[openDrive].positions;
        const auto it = positions.find(track);
        return it == positions.end() ? std::nullopt : std::optional<MsfTime>(msf(it->second));
    }
};

class FakeVolumes final : public DriveVolumeView {
  public:
    std::map<int, std::uint64_t> bytes;
    std::map<int, std::uint32_t> serials;

    std::optional<std::uint64_t> totalBytes(int drive) const override {
        const auto it = bytes.find(drive);
        return it == bytes.end() ? std::nullopt : std::optional<std::uint64_t>(it->second);
    }
    std::optional<std::uint32_t> volumeSerial(int drive) const override {
        const auto it = serials.find(drive);
        return it == serials.end() ? std::nullopt : std::optional<std::uint32_t>(it->second);
    }
};

TEST(MediaIdentityNumber, ReadsTheLeadingDecimalNumber) {
    const struct {
        std::string text;
        std::uint32_t number;
    } cases[] = {
        {"12345", 12345},
        {"  42", 42},
        {"123abc", 123},
        {"", 0},
        {"abc", 0},
        {"-5", 0},
        {"4294967295", 4294967295u},
        {"4294967296", 0},
        {"99999999999999999999999", 0},
        {std::string(78, '0') + "12", 1},  // only 79 characters count
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mediaIdentityNumber(c.text), c.number) << c.text;
    }
}

TEST(CdPlayerDiscNumberOfDrive, OpensSharedThenAloneAndAlwaysCloses) {
    FakeCdAudioDevice device;
    device.drives[3] = discDrive("777");
    device.drives[3].opensShareable = false;
    EXPECT_EQ(cdPlayerDiscNumberOfDrive(device, 3, false, 0), 777u);
    EXPECT_EQ(device.log, (std::vector<std::string>{"share 3", "alone 3"}));
    EXPECT_EQ(device.openDrive, -1);

    device.drives[3].opensExclusive = false;
    EXPECT_EQ(cdPlayerDiscNumberOfDrive(device, 3, false, 0), 0u);
    EXPECT_EQ(cdPlayerDiscNumberOfDrive(device, 9, false, 0), 0u);  // no such drive
}

TEST(CdPlayerDiscNumberOfDrive, CheckComparesTheDistanceOfTracks1And2WithTheTable) {
    const struct {
        const char* name;
        std::map<int, std::int32_t> positions;
        bool check;
        std::int32_t tableDistance;
        std::uint32_t number;
    } cases[] = {
        {"unchecked", {{1, 150}, {2, 15150}}, false, 1234, 777},
        {"distance agrees", {{1, 150}, {2, 15150}}, true, 15000, 777},
        {"another disc", {{1, 150}, {2, 15150}}, true, 15001, 0},
        {"no track 1, unchecked", {{2, 15150}}, false, 15000, 0},
        {"no track 1, checked", {{2, 15150}}, true, 15000, 0},
        {"no track 2 counts as distance 0", {{1, 150}}, true, 0, 777},
        {"no track 2 against a real distance", {{1, 150}}, true, 15000, 0},
    };
    for (const auto& c : cases) {
        FakeCdAudioDevice device;
        device.drives[3] = {true, true, "777", c.positions};
        EXPECT_EQ(cdPlayerDiscNumberOfDrive(device, 3, c.check, c.tableDistance), c.number)
            << c.name;
        EXPECT_EQ(device.openDrive, -1) << c.name;
    }
    FakeCdAudioDevice silent;
    silent.drives[3] = {true, true, std::nullopt, {{1, 150}, {2, 15150}}};
    EXPECT_EQ(cdPlayerDiscNumberOfDrive(silent, 3, false, 0), 0u);
}

constexpr int kD = 3;
constexpr int kE = 4;
constexpr int kF = 5;
constexpr std::int32_t kDiscLength = 40000;
constexpr std::uint64_t kMatchingBytes = std::uint64_t{kDiscLength} * 2048;

// A read method with a two-track disc (tracks at 0 and 15000, 40000 frames) over
// recording back-ends, CD drives D, E and F, and E chosen in the settings.
struct Identification {
    explicit Identification(int mode, bool nt = false) {
        table.firstTrack = 1;
        table.lastTrack = 2;
        table.tracks[1] = {0, 14999, false};
        table.tracks[2] = {15000, 39999, false};
        table.totalSectors = kDiscLength;
        auto aspiDouble = std::make_unique<test::RecordingAspi>(log, &clock);
        aspi = aspiDouble.get();
        aspi->tableToReport = table;
        readMethod =
            std::make_unique<ReadMethod>(clock, table, statistics, std::move(aspiDouble),
                                         std::make_unique<test::RecordingAnalog>(log, &clock), nt,
                                         [&]() -> std::unique_ptr<HelperBackend> {
                                             return std::make_unique<test::RecordingHelper>(log);
                                         });
        readMethod->currentAccessMode = mode;
        for (const int drive : {kD, kE, kF}) {
            readMethod->addCdDrive(drive);
        }
        readMethod->analogDrive = kE;
        readMethod->mscdexDrive = kF;
        identifier = std::make_unique<DiscIdentifier>(*readMethod, device, volumes, identity);
    }

    std::uint32_t find() { return identifier->findDiscNumber(); }

    test::FakeClock clock;
    DiscTable table;
    ExtractionStatistics statistics;
    test::CallLog log;
    test::RecordingAspi* aspi = nullptr;
    std::unique_ptr<ReadMethod> readMethod;
    FakeCdAudioDevice device;
    FakeVolumes volumes;
    CdPlayerDiscIdentity identity;
    std::unique_ptr<DiscIdentifier> identifier;
};

TEST(FindDiscNumber, HelperMethodAsksItsDriveUncheckedWithoutFallback) {
    Identification id(access_mode::kMscdex);
    id.device.drives[kF] = {true, true, "555", {{1, 150}, {2, 99999}}};
    EXPECT_EQ(id.find(), 555u);

    id.device.drives.erase(kF);
    id.volumes.serials[kF] = 0xBEEF;
    EXPECT_EQ(id.find(), 0u);
}

TEST(FindDiscNumber, AnalogMethodFallsBackToTheVolumeSerial) {
    Identification id(access_mode::kAnalog);
    id.device.drives[kE] = {true, true, "444", {{1, 150}, {2, 99999}}};
    id.volumes.serials[kE] = 0xBEEF;
    EXPECT_EQ(id.find(), 444u);

    id.device.drives.erase(kE);
    EXPECT_EQ(id.find(), 0xBEEFu);
    id.volumes.serials.clear();
    EXPECT_EQ(id.find(), 0u);
}

TEST(FindDiscNumber, ScsiMethodSearchesTheCandidates) {
    const struct {
        const char* name;
        std::map<int, FakeDrive> drives;
        std::map<int, std::uint64_t> bytes;
        std::map<int, std::uint32_t> serials;
        std::uint32_t number;
    } cases[] = {
        {"chosen drive matches by size and passes the check",
         {{kD, discDrive("1")}, {kE, discDrive("2")}},
         {{kD, kMatchingBytes}, {kE, kMatchingBytes}},
         {},
         2},
        {"225 frames apart still match",
         {{kE, discDrive("2")}},
         {{kE, kMatchingBytes + 225 * 2048}},
         {},
         2},
        {"chosen drive holds another disc: the next candidate that matches by size",
         {{kD, discDrive("1")}, {kE, {true, true, "2", {{1, 150}, {2, 20150}}}}},
         {{kD, kMatchingBytes}, {kE, kMatchingBytes}},
         {},
         1},
        // D's disc passes the check but does not end track 1 where the table does.
        {"a candidate 225 frames off is asked by size",
         {{kD, {true, true, "1", {{1, 1150}, {2, 16150}}}},
          {kE, {true, true, "2", {{1, 150}, {2, 20150}}}}},
         {{kD, kMatchingBytes + 225 * 2048}},
         {},
         1},
        {"a candidate 226 frames off is not",
         {{kD, {true, true, "1", {{1, 1150}, {2, 16150}}}},
          {kE, {true, true, "2", {{1, 150}, {2, 20150}}}}},
         {{kD, kMatchingBytes + 226 * 2048}},
         {},
         2},
        {"not mounted: a candidate whose track 1 ends where the table's does",
         {{kD, {true, true, "1", {{1, 150}, {2, 15151}}}},
          {kF, discDrive("3")},
          {kE, discDrive("2")}},
         {},
         {},
         3},
        {"nothing else fits: the chosen drive unchecked",
         {{kD, {true, true, "1", {{1, 150}, {2, 20150}}}},
          {kE, {true, true, "2", {{1, 150}, {2, 20150}}}}},
         {},
         {},
         2},
        {"the chosen drive cannot be opened: its volume serial",
         {{kD, {true, true, "1", {{1, 150}, {2, 20150}}}}},
         {},
         {{kE, 0xBEEF}, {kD, 0xDEAD}},
         0xBEEF},
        {"nothing at all", {}, {}, {}, 0},
    };
    for (const auto& c : cases) {
        Identification id(access_mode::kAspi);
        id.device.drives = c.drives;
        id.volumes.bytes = c.bytes;
        id.volumes.serials = c.serials;
        EXPECT_EQ(id.find(), c.number) << c.name;
        EXPECT_EQ(id.device.openDrive, -1) << c.name;
    }
}

TEST(FindDiscNumber, OnNtEveryCandidateMatchesBySize) {
    Identification id(access_mode::kAspi, true);
    id.device.drives = {{kD, discDrive("1")}, {kE, {true, true, "2", {{1, 150}, {2, 20150}}}}};
    EXPECT_EQ(id.find(), 1u);
}

TEST(IdentifyDisc, StoresTheNumberAndLengthAndLaterComparesWithThem) {
    Identification id(access_mode::kAnalog);
    id.device.drives[kE] = discDrive("444");
    EXPECT_TRUE(id.identifier->identify(true, true));
    EXPECT_EQ(id.identity.discNumber, 444u);
    EXPECT_EQ(id.identity.discLength, kDiscLength);

    EXPECT_TRUE(id.identifier->identify(false, true));
    EXPECT_FALSE(id.identifier->identify(false, false));  // no disc ready counts as changed

    id.device.drives[kE].identity = "445";
    EXPECT_FALSE(id.identifier->identify(false, true));
    id.device.drives[kE].identity = "444";
    id.table.totalSectors = kDiscLength + 1;
    EXPECT_FALSE(id.identifier->identify(false, true));
    EXPECT_EQ(id.identity.discNumber, 444u);  // comparing never changes the record

    EXPECT_FALSE(id.identifier->identify(true, false));
    EXPECT_EQ(id.identity.discNumber, 0u);
}

TEST(IdentifyDisc, HelperMethodStoresTheLengthFromTrack1ToTheLeadOut) {
    // The recording helper reports track 1 at 100001 and the lead-out at 100009.
    Identification id(access_mode::kMscdex);
    id.device.drives[kF] = discDrive("555");
    EXPECT_TRUE(id.identifier->identify(true, true));
    EXPECT_EQ(id.identity.discNumber, 555u);
    EXPECT_EQ(id.identity.discLength, 8);
}

TEST(IdentifyDisc, UnchangedTestReadsTheDriveAgain) {
    Identification id(access_mode::kAspi);
    id.device.drives[kE] = discDrive("2");
    id.volumes.bytes[kE] = kMatchingBytes;
    ASSERT_TRUE(id.identifier->identify(true, true));
    EXPECT_TRUE(id.identifier->discUnchanged());
    EXPECT_EQ(id.log.back(), "aspi.GetDiskInfo()");

    id.aspi->tableToReport.totalSectors = kDiscLength + 1000;
    EXPECT_FALSE(id.identifier->discUnchanged());
}

}  // namespace
}  // namespace ps
