#include "cdaccess/read_method_selection.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/fake_clock.h"
#include "support/fake_drive_types.h"
#include "support/recording_read_method_backends.h"

namespace ps {
namespace {

using test::joined;

constexpr int kD = 3, kE = 4, kF = 5;

// What the machine offers at start-up.
struct Machine {
    bool nt = false;
    bool helper = false;
    std::int16_t helperStart = 25;
    std::int16_t helperDefaultDrive = 0;  // CheckMscdex
    std::vector<std::int16_t> helperDrives = {};
    bool aspi = false;
    int aspiDrives = 0;
    int aspiSelected = 0;
    std::vector<int> cdLetters = {};
};

struct Startup {
    explicit Startup(const Machine& m) : driveTypes(m.cdLetters) {
        auto aspiDouble = std::make_unique<test::RecordingAspi>(log);
        aspiDouble->isLoaded = m.aspi;
        aspiDouble->drives = m.aspiDrives;
        aspiDouble->selected = m.aspiSelected;
        aspi = aspiDouble.get();
        readMethod =
            std::make_unique<ReadMethod>(clock, table, statistics, std::move(aspiDouble),
                                         std::make_unique<test::RecordingAnalog>(log), m.nt,
                                         [&, m]() -> std::unique_ptr<HelperBackend> {
                                             ++helperCreations;
                                             if (!m.helper) {
                                                 return nullptr;
                                             }
                                             auto h = std::make_unique<test::RecordingHelper>(log);
                                             h->startInterfacingResult = m.helperStart;
                                             h->checkMscdexResult = m.helperDefaultDrive;
                                             h->drives = m.helperDrives;
                                             helper = h.get();
                                             return h;
                                         });
    }

    AccessSelection select(const AccessSelectionInput& input) {
        return selectAccessMode(*readMethod, input, driveTypes);
    }

    test::FakeClock clock;
    DiscTable table;
    ExtractionStatistics statistics;
    test::CallLog log;
    test::FakeDriveTypes driveTypes;
    test::RecordingAspi* aspi = nullptr;
    test::RecordingHelper* helper = nullptr;
    int helperCreations = 0;
    std::unique_ptr<ReadMethod> readMethod;
};

struct Expected {
    int mode;
    std::int16_t analogDrive;
    std::int16_t mscdexDrive;
    std::int16_t aspiDrive;
};

struct SelectionCase {
    const char* what;
    Machine machine;
    std::string accessMode;
    std::string analogKey;
    std::string mscdexKey;
    bool soundCard;
    Expected expected;
};

const Machine kHelperAndAspi{
    .helper = true, .helperDrives = {kD}, .aspi = true, .aspiDrives = 1, .cdLetters = {kD}};

const SelectionCase kCases[] = {
    {"lower-case mscdex asks for the helper",
     kHelperAndAspi,
     "mscdex",
     "Nix",
     "D:",
     false,
     {access_mode::kMscdex, -1, kD, 0}},
    {"ASPI asked for with both available",
     kHelperAndAspi,
     "ASPI",
     "Nix",
     "D:",
     false,
     {access_mode::kAspi, -1, kD, 0}},
    {"an absent key with both available asks for ASPI",
     kHelperAndAspi,
     "Nix",
     "Nix",
     "D:",
     false,
     {access_mode::kAspi, -1, kD, 0}},
    {"NT with ASPI: MSCDEX asked for, ASPI taken",
     {.nt = true,
      .helper = true,
      .helperDrives = {kD},
      .aspi = true,
      .aspiDrives = 1,
      .cdLetters = {kD}},
     "MSCDEX",
     "Nix",
     "Nix",
     false,
     {access_mode::kAspi, -1, 0, 0}},
    {"neither ASPI nor helper, a sound card and one CD letter",
     {.cdLetters = {kE}},
     "MSCDEX",
     "Nix",
     "Nix",
     true,
     {access_mode::kAnalog, kE, 0, -1}},
    {"neither ASPI nor helper, ASPI asked for",
     {.cdLetters = {kE}},
     "ASPI",
     "Nix",
     "Nix",
     true,
     {access_mode::kAnalog, kE, 0, -1}},
    {"nothing at all", {}, "ASPI", "Nix", "Nix", true, {access_mode::kNone, -1, 0, -1}},
    {"nothing at all, no sound card",
     {},
     "ANALOG",
     "D:",
     "D:",
     false,
     {access_mode::kNone, -1, 0, -1}},
    {"helper start fails: ASPI instead",
     {.helper = true,
      .helperStart = 0,
      .helperDrives = {kD},
      .aspi = true,
      .aspiDrives = 1,
      .cdLetters = {kD}},
     "MSCDEX",
     "Nix",
     "D:",
     false,
     {access_mode::kAspi, -1, kD, 0}},
    {"helper start fails and nothing else",
     {.helper = true, .helperStart = 0},
     "MSCDEX",
     "Nix",
     "Nix",
     false,
     {access_mode::kNone, -1, 0, -1}},
    {"helper without ASPI wins over an ASPI request",
     {.helper = true, .helperDrives = {kD, kE}, .cdLetters = {kD, kE}},
     "ASPI",
     "Nix",
     "E:",
     false,
     {access_mode::kMscdex, -1, kE, -1}},
    {"MSCDEX drive key not in the helper's list: the helper's default drive",
     {.helper = true, .helperDefaultDrive = kF, .helperDrives = {kF}, .cdLetters = {kF}},
     "MSCDEX",
     "Nix",
     "D:",
     false,
     {access_mode::kMscdex, -1, kF, -1}},
    {"ANALOG asked for with a sound card overrides ASPI",
     {.aspi = true, .aspiDrives = 1, .cdLetters = {kD, kE}},
     "ANALOG",
     "e:",
     "Nix",
     true,
     {access_mode::kAnalog, kE, 0, 0}},
    {"ANALOG asked for without a sound card: ASPI",
     {.aspi = true, .aspiDrives = 1, .cdLetters = {kD, kE}},
     "ANALOG",
     "E:",
     "Nix",
     false,
     {access_mode::kAspi, kE, 0, 0}},
    {"analog key naming no CD drive: the first CD drive",
     {.cdLetters = {kD, kF}},
     "ANALOG",
     "Z:",
     "Nix",
     true,
     {access_mode::kAnalog, kD, 0, -1}},
    {"ASPI without drives falls back to ANALOG",
     {.aspi = true, .cdLetters = {kD}},
     "ASPI",
     "Nix",
     "Nix",
     true,
     {access_mode::kAnalog, kD, 0, -1}},
    {"ASPI without drives falls back to ANALOG on the first CD drive even without a sound card",
     {.aspi = true, .cdLetters = {kE}},
     "ASPI",
     "Nix",
     "Nix",
     false,
     {access_mode::kAnalog, kE, 0, -1}},
    {"ASPI without drives and without CD letters",
     {.aspi = true},
     "ASPI",
     "Nix",
     "Nix",
     true,
     {access_mode::kNone, -1, 0, -1}},
    {"ASPI without drives, then the helper's drive",
     {.helper = true, .helperDrives = {kD}, .aspi = true, .cdLetters = {kD}},
     "ASPI",
     "Nix",
     "D:",
     false,
     {access_mode::kMscdex, -1, kD, -1}},
    {"helper without a drive falls back to ANALOG",
     {.helper = true, .helperDrives = {kD}, .cdLetters = {kD}},
     "MSCDEX",
     "Nix",
     "Nix",
     true,
     {access_mode::kAnalog, kD, 0, -1}},
    {"helper without a drive falls back to ASPI drives",
     {.helper = true,
      .helperDrives = {kD},
      .aspi = true,
      .aspiDrives = 2,
      .aspiSelected = 1,
      .cdLetters = {kD}},
     "MSCDEX",
     "Nix",
     "Nix",
     true,
     {access_mode::kAspi, kD, 0, 1}},
    {"helper without any drive ends with no mode",
     {.helper = true, .helperDrives = {}, .cdLetters = {}},
     "MSCDEX",
     "Nix",
     "Nix",
     true,
     {access_mode::kNone, -1, 0, -1}},
};

TEST(AccessModeSelection, ChoosesTheModeAndDrivesWithEveryFallback) {
    for (const SelectionCase& c : kCases) {
        Startup startup(c.machine);
        AccessSelectionInput input;
        input.accessMode = c.accessMode;
        input.analogCdRomDrive = c.analogKey;
        input.mscdexCdRomDrive = c.mscdexKey;
        input.soundCardPresent = c.soundCard;
        const AccessSelection got = startup.select(input);
        const ReadMethod& rm = *startup.readMethod;

        EXPECT_EQ(got.mode, c.expected.mode) << c.what;
        EXPECT_EQ(got.analogDrive, c.expected.analogDrive) << c.what;
        EXPECT_EQ(got.mscdexDrive, c.expected.mscdexDrive) << c.what;
        EXPECT_EQ(got.aspiDrive, c.expected.aspiDrive) << c.what;
        EXPECT_EQ(got.grabDisabled, c.expected.mode == access_mode::kNone) << c.what;
        EXPECT_EQ(rm.currentAccessMode, got.mode) << c.what;
        EXPECT_EQ(rm.analogDrive, got.analogDrive) << c.what;
        EXPECT_EQ(rm.mscdexDrive, got.mscdexDrive) << c.what;
        EXPECT_EQ(rm.aspiDrive, got.aspiDrive) << c.what;
        const bool helperStarts = c.machine.helper && !c.machine.nt && c.machine.helperStart > 0;
        EXPECT_EQ(rm.helperLoaded, helperStarts) << c.what;
        EXPECT_EQ(rm.helperStartupFailed, c.machine.helper && !c.machine.nt && !helperStarts)
            << c.what;
    }
}

TEST(AccessModeSelection, OnNtTheHelperIsNotCreatedAndCheckMscdexAnswersZero) {
    Startup startup({.nt = true, .helper = true, .aspi = true, .aspiDrives = 1, .cdLetters = {kD}});
    AccessSelectionInput input;
    input.accessMode = "MSCDEX";
    ASSERT_EQ(startup.select(input).mode, access_mode::kAspi);
    EXPECT_EQ(startup.helperCreations, 0);
    EXPECT_TRUE(startup.readMethod->platformIsNT());
    EXPECT_EQ(startup.readMethod->CheckMscdex(), 0);
    EXPECT_EQ(startup.readMethod->helperVersion, 1);
}

TEST(AccessModeSelection, NothingAtAllIsSavedAsAspi) {
    Startup startup({});
    const AccessSelection got = startup.select({});
    EXPECT_TRUE(got.grabDisabled);
    EXPECT_EQ(accessModeSettingText(got.mode), "ASPI");
}

TEST(AccessModeSelection, StartsTheHelperWithTheSettingsAndTakesItsVersionAndDrives) {
    Startup startup(
        {.helper = true, .helperStart = 50, .helperDrives = {kE, kF}, .cdLetters = {kD}});
    startup.helper->versionResult = 0x0A1F;
    AccessSelectionInput input;
    input.accessMode = "MSCDEX";
    input.mscdexCdRomDrive = "f:";
    input.framesWanted = 50;
    input.synchronizationOverlap = 2;
    input.continueAfterLostSynch = false;
    const AccessSelection got = startup.select(input);
    const ReadMethod& rm = *startup.readMethod;

    EXPECT_EQ(joined(startup.log),
              "helper.StartInterfacing(50,2,0) helper.CheckMscdexVersion() "
              "helper.GetDrvNumber(0) helper.GetDrvNumber(1) helper.GetDrvNumber(1) "
              "helper.ChangeDrive(5)");
    EXPECT_EQ(got.helperFrames, 50);
    EXPECT_EQ(rm.helperVersion, 0x0A1F);
    // The helper's list replaces the platform's.
    EXPECT_EQ(rm.cdDriveCount(), 2);
    EXPECT_EQ(rm.cdDriveLetters[0], kE);
    EXPECT_EQ(rm.cdDriveLetters[1], kF);
    EXPECT_EQ(rm.cdDriveLetters[2], 255);
    EXPECT_EQ(got.mscdexDrive, kF);
}

TEST(AccessModeSelection, AFailedHelperStartLeavesVersionOneAndTheHelperAlone) {
    Startup startup({.helper = true, .helperStart = 0, .cdLetters = {kD}});
    const AccessSelection got = startup.select({});
    EXPECT_EQ(joined(startup.log), "helper.StartInterfacing(25,1,1)");
    EXPECT_EQ(got.helperFrames, 0);
    EXPECT_EQ(startup.readMethod->helperVersion, 1);
    EXPECT_EQ(startup.readMethod->cdDriveLetters[0], kD);
}

TEST(AccessModeSelection, AHelperDriveListThatNeverEndsStopsAt27Drives) {
    Startup startup({.helper = true, .cdLetters = {kD}});
    startup.helper->endless = true;
    startup.select({});
    EXPECT_EQ(startup.readMethod->cdDriveCount(), 27);
}

TEST(AccessModeSelection, TheAspiSelectionGetsTheSavedDriveAndHandsBackTheDriveType) {
    Startup startup({.aspi = true, .aspiDrives = 2, .aspiSelected = 1, .cdLetters = {kD}});
    startup.aspi->typeAfterSelection = "SCSI -  PLEXTOR";
    AccessSelectionInput input;
    input.defaultDrive = "PLEXTOR CD-ROM";
    input.cdRomType = "ATAPI";
    const AccessSelection got = startup.select(input);
    EXPECT_EQ(joined(startup.log), "aspi.StartInterfacing(PLEXTOR CD-ROM)");
    EXPECT_EQ(got.cdRomType, "SCSI -  PLEXTOR");
    EXPECT_EQ(got.aspiDrive, 1);

    Startup withoutAspi({.cdLetters = {kD}});
    EXPECT_EQ(withoutAspi.select(input).cdRomType, "ATAPI");
}

TEST(DriveKeys, FirstCharacterAsADriveLetter) {
    EXPECT_EQ(driveIndexFromSetting("Nix"), std::nullopt);
    EXPECT_EQ(driveIndexFromSetting("D:"), 3);
    EXPECT_EQ(driveIndexFromSetting("e:"), 4);
    EXPECT_EQ(driveIndexFromSetting("Z"), 25);
    EXPECT_EQ(driveIndexFromSetting("a:"), 0);
    EXPECT_EQ(driveIndexFromSetting(""), -1);
    EXPECT_EQ(driveIndexFromSetting("1:"), -1);
    EXPECT_EQ(driveIndexFromSetting("@"), -1);
    EXPECT_EQ(driveIndexFromSetting("{"), -1);
}

}  // namespace
}  // namespace ps
