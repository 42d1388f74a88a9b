#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cdaccess/aspi_transport.h"
#include "cdaccess/drive_types.h"
#include "support/fake_clock.h"
#include "support/recording_pass_through.h"

namespace ps {
namespace {

using test::makeInquiry;

TEST(DriveTypes, TableTextsAndFamilies) {
    const std::vector<std::pair<std::string, int>> expected = {
        {"IDE   -  ATAPI", 1},        {"SCSI -  NAKAMICHI", 3},     {"SCSI -  NEC", 4},
        {"SCSI -  PANASONIC", 5},     {"SCSI -  PHILIPS", 6},       {"SCSI -  PIONEER", 3},
        {"SCSI -  PLEXTOR", 8},       {"SCSI -  RICOH", 3},         {"SCSI -  SONY", 3},
        {"SCSI -  TOSHIBA (new)", 7}, {"SCSI -  TOSHIBA (old)", 2}, {"SCSI -  YAMAHA", 3},
    };
    ASSERT_EQ(driveTypeTable().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(driveTypeText(static_cast<int>(i)), expected[i].first);
        EXPECT_EQ(driveTypeFamily(static_cast<int>(i)), expected[i].second);
    }
    EXPECT_EQ(driveTypeIndexForText("scsi -  toshiba (OLD)"), drive_type::kToshibaOld);
    EXPECT_EQ(driveTypeIndexForText("ATAPI"), -1);
    EXPECT_EQ(driveTypeText(42), "IDE   -  ATAPI");
}

TEST(DriveTypes, InquiryDecidesTheType) {
    struct Case {
        int ansi;
        int format;
        const char* text;
        int expected;
    };
    const std::vector<Case> cases = {
        {2, 2, "HP      CD-Writer+ 9100 1.0c", drive_type::kPhilips},
        {2, 2, "TOSHIBA CD-ROM XM-5701TA3136", drive_type::kToshibaOld},
        {2, 2, "TOSHIBA CD-ROM XM-5301TA0000", drive_type::kToshibaOld},
        {2, 2, "TOSHIBA CD-ROM XM-6201TA1037", drive_type::kToshibaNew},
        {0, 2, "PLEXTOR CD-ROM PX-40TS  1.01", drive_type::kAtapi},
        {2, 1, "PLEXTOR CD-ROM PX-40TS  1.01", drive_type::kAtapi},
        {3, 2, "PLEXTOR CD-ROM PX-40TS  1.01", drive_type::kAtapi},
        {0x12, 0x22, "plextor CD-ROM PX-40TS  1.01", drive_type::kPlextor},
        {2, 2, "NONAME  CDROM           0.01", drive_type::kSony},
        {2, 2, "MATSHITACD-ROM CR-506   8S05", drive_type::kPanasonic},
        {2, 2, "NAKAMICHMJ-5.16S        1.05", drive_type::kNakamichi},
        {2, 2, "NEC     CD-ROM DRIVE:464 1.0", drive_type::kNec},
        {2, 2, "PIONEER CD-ROM DR-U10X  1.00", drive_type::kPioneer},
        {2, 2, "RICOH   MP6200S         2.10", drive_type::kRicoh},
        {2, 2, "YAMAHA  CRW4416S        1.0j", drive_type::kYamaha},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(driveTypeForInquiry(makeInquiry(5, c.ansi, c.format, c.text)), c.expected);
    }
}

struct DiscoveryRig {
    test::FakeClock clock;
    test::RecordingPassThrough target{clock};
    AspiTransport transport{target, clock};

    void add(int adapter, int id, int lun, int type, const std::string& text, int ansi = 0,
             int format = 2) {
        target.addDevice({static_cast<std::uint8_t>(adapter), static_cast<std::uint8_t>(id),
                          static_cast<std::uint8_t>(lun)},
                         {type, makeInquiry(type, ansi, format, text),
                          "/dev/sg" + std::to_string(adapter * 16 + id)});
    }
};

TEST(AspiDiscovery, ListsCdDevicesOfEveryAdapterInOrder) {
    DiscoveryRig rig;
    rig.target.adapters = 2;
    rig.add(0, 0, 0, 0, "IBM     DISK");               // a disk is not asked
    rig.add(0, 3, 0, 5, "ATAPI   CDROM   1.0");        // CD-ROM
    rig.add(0, 5, 1, 5, "LUN ONE CDROM   1.0");        // logical unit 1 is never probed
    rig.add(1, 2, 0, 4, "YAMAHA  CRW     1.0", 2, 2);  // write-once
    rig.add(1, 7, 0, 7, "OPTICAL MO      1.0");        // optical memory
    rig.add(1, 9, 0, 8, "CHANGER         1.0");        // medium changer

    ASSERT_EQ(rig.transport.discoverDrives(), 3);
    const auto& drives = rig.transport.drives();
    EXPECT_EQ(drives[0].name, "ATAPI   CDROM   1.0");
    EXPECT_EQ(drives[0].target, (ScsiTarget{0, 3, 0}));
    EXPECT_EQ(drives[0].node, "/dev/sg3");
    EXPECT_EQ(drives[1].name, "YAMAHA  CRW     1.0");
    EXPECT_EQ(drives[1].typeIndex, drive_type::kYamaha);
    EXPECT_EQ(drives[2].target, (ScsiTarget{1, 7, 0}));
    EXPECT_EQ(rig.target.withOpcode(0x12).size(), 3u);
    for (const auto& query : rig.target.typeQueries) {
        EXPECT_EQ(query.lun, 0);
    }
    EXPECT_EQ(rig.target.typeQueries.size(), 32u);
}

TEST(AspiDiscovery, StopsListingAtTenDrives) {
    DiscoveryRig rig;
    for (int id = 0; id < 11; ++id) {
        rig.add(0, id, 0, 5, "DRIVE " + std::to_string(id));
    }
    EXPECT_EQ(rig.transport.discoverDrives(), 10);
    EXPECT_EQ(rig.transport.drives().back().name, "DRIVE 9");
    EXPECT_EQ(rig.target.withOpcode(0x12).size(), 10u);
}

TEST(AspiDiscovery, InquiryFailureOrOtherPeripheralSkipsTheDevice) {
    DiscoveryRig rig;
    rig.target.addDevice({0, 1, 0}, {5, {}, "/dev/sg1"});  // INQUIRY fails
    rig.add(0, 2, 0, 5, "X");
    rig.target.addDevice({0, 2, 0}, {5, makeInquiry(0x25, 0, 2, "QUALIFIED"), ""});
    rig.add(0, 4, 0, 5, "FULL NAME OF TWENTY-EIGHT CHAR");  // cut at 28
    ASSERT_EQ(rig.transport.discoverDrives(), 1);
    EXPECT_EQ(rig.transport.drives()[0].name, "FULL NAME OF TWENTY-EIGHT CH");
}

TEST(AspiDiscovery, ADeviceThatNeverAnswersIsSkippedAfterItsTimeOut) {
    DiscoveryRig rig;
    rig.add(0, 1, 0, 5, "HANGING");
    rig.target.addDevice({0, 1, 0}, {5, makeInquiry(5, 0, 2, "HANGING"), "", true});
    rig.add(0, 2, 0, 5, "ANSWERS");
    const auto before = rig.clock.nowMs();
    ASSERT_EQ(rig.transport.discoverDrives(), 1);
    EXPECT_EQ(rig.transport.drives()[0].name, "ANSWERS");
    EXPECT_EQ(rig.clock.nowMs() - before, 3000);
    EXPECT_EQ(rig.target.abandoned, 1);
}

TEST(AspiDiscovery, NoAdapterOrNoDrivesLeavesTheListEmpty) {
    DiscoveryRig rig;
    rig.target.adapters = 0;
    std::string type = "SCSI -  SONY";
    EXPECT_EQ(rig.transport.startInterfacing("", type), 0);
    EXPECT_TRUE(rig.transport.drives().empty());
    EXPECT_EQ(rig.transport.managerText(), "Aspi not installed");
    EXPECT_EQ(rig.transport.selectedDrive(), -1);

    rig.target.adapters = 1;
    EXPECT_EQ(rig.transport.discoverDrives(), 0);
}

TEST(AspiStartInterfacing, DefaultDriveAndSavedType) {
    struct Case {
        const char* what;
        std::string defaultDrive;
        std::string savedType;
        int expectedDrive;
        std::string expectedType;  // copied back
        int expectedFamily;
    };
    const std::vector<Case> cases = {
        {"empty default picks the first", "", "ATAPI", 0, "IDE   -  ATAPI", 1},
        {"prefix picks the second, saved type shown", "PLEXTOR", "scsi -  nec", 1, "SCSI -  NEC",
         8},
        {"case matters", "plextor", "SCSI -  NEC", 0, "IDE   -  ATAPI", 1},
        {"no match, saved type ignored", "First found", "SCSI -  NEC", 0, "IDE   -  ATAPI", 1},
        {"longer than the name", "PLEXTOR CD-ROM PX-40TS  1.01 EXTRA", "SCSI -  NEC", 0,
         "IDE   -  ATAPI", 1},
        {"unknown saved type keeps the drive's", "PLEXTOR", "Nix", 1, "SCSI -  PLEXTOR", 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DiscoveryRig rig;
        rig.add(0, 0, 0, 5, "ATAPI   CD-ROM 52X      1.0");
        rig.add(0, 4, 0, 5, "PLEXTOR CD-ROM PX-40TS  1.01", 2, 2);
        std::string type = c.savedType;
        const int length = rig.transport.startInterfacing(c.defaultDrive, type);
        EXPECT_EQ(rig.transport.selectedDrive(), c.expectedDrive);
        EXPECT_EQ(rig.transport.currentTarget(),
                  rig.transport.drives()[static_cast<std::size_t>(c.expectedDrive)].target);
        EXPECT_EQ(type, c.expectedType);
        EXPECT_EQ(rig.transport.driveFamily(), c.expectedFamily);
        EXPECT_EQ(rig.transport.managerText(), "ASPI for TESTINGRECORDER                        ");
        EXPECT_EQ(length, 48);
    }
}

TEST(AspiStartInterfacing, ManagerTextEndsAtTheFirstZero) {
    DiscoveryRig rig;
    rig.add(0, 0, 0, 5, "ATAPI   CD-ROM 52X      1.0");
    rig.target.adapterInfo = {"Linux sg", "", ""};
    std::string type;
    EXPECT_EQ(rig.transport.startInterfacing("", type), 8);
    EXPECT_EQ(rig.transport.managerText(), "Linux sg");
    rig.target.adapterInfo = {"0123456789ABCDEFGHIJ", "adapter", ""};
    EXPECT_EQ(rig.transport.refreshManagerText(), "0123456789ABCDEFadapter");
}

TEST(AspiSelection, DriveAndTypeSetTargetAndFamily) {
    DiscoveryRig rig;
    rig.add(0, 0, 0, 5, "ATAPI   CD-ROM 52X      1.0");
    rig.add(1, 6, 0, 5, "TOSHIBA CD-ROM XM-5701TA3136", 2, 2);
    rig.target.adapters = 2;
    rig.transport.discoverDrives();
    EXPECT_TRUE(rig.transport.selectDrive(1));
    EXPECT_EQ(rig.transport.currentTarget(), (ScsiTarget{1, 6, 0}));
    EXPECT_EQ(rig.transport.selectedDriveType(), drive_type::kToshibaOld);
    EXPECT_EQ(rig.transport.driveFamily(), 2);
    EXPECT_FALSE(rig.transport.selectDrive(2));
    EXPECT_EQ(rig.transport.selectedDrive(), 1);
    rig.target.adapters = 1;
    rig.transport.discoverDrives();
    EXPECT_EQ(rig.transport.selectedDrive(), -1);
    rig.transport.selectDriveType(drive_type::kPhilips);
    EXPECT_EQ(rig.transport.driveFamily(), 6);
}

}  // namespace
}  // namespace ps
