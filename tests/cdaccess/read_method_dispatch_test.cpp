#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cdaccess/null_backends.h"
#include "cdaccess/read_method.h"
#include "support/fake_clock.h"
#include "support/recording_read_method_backends.h"

namespace ps {
namespace {

using test::CallLog;
using test::joined;

// A switch over recording back-ends, with a helper that is loaded unless told otherwise.
struct Switch {
    explicit Switch(bool withHelper = true) {
        table.firstTrack = 2;
        table.lastTrack = 9;
        table.tracks[3].startSector = 12345;
        table.totalSectors = 99999;
        statistics = {-1234, 4321, 0xCAFEF00D, 3};
        auto aspiDouble = std::make_unique<test::RecordingAspi>(log, &clock);
        auto analogDouble = std::make_unique<test::RecordingAnalog>(log, &clock);
        aspi = aspiDouble.get();
        analog = analogDouble.get();
        readMethod = std::make_unique<ReadMethod>(
            clock, table, statistics, std::move(aspiDouble), std::move(analogDouble), false,
            [&, withHelper]() -> std::unique_ptr<HelperBackend> {
                if (!withHelper) {
                    return nullptr;
                }
                auto h = std::make_unique<test::RecordingHelper>(log);
                helper = h.get();
                return h;
            });
        readMethod->mscdexDrive = 5;
        readMethod->analogDrive = 4;
    }

    test::FakeClock clock;
    DiscTable table;
    ExtractionStatistics statistics;
    CallLog log;
    test::RecordingAspi* aspi = nullptr;
    test::RecordingAnalog* analog = nullptr;
    test::RecordingHelper* helper = nullptr;
    std::unique_ptr<ReadMethod> readMethod;
};

// What one operation gives in one mode: its result and the back-end calls it made.
struct Route {
    std::int64_t result;
    std::string calls;
};

struct Operation {
    std::string name;
    std::function<std::int64_t(ReadMethod&)> invoke;
    Route none, mscdex, aspi, analog;
};

const std::vector<Operation>& operations() {
    static const std::vector<Operation> table = {
        {"CheckMscdex",
         [](ReadMethod& r) { return r.CheckMscdex(); },
         {0, ""},
         {101, "helper.CheckMscdex()"},
         {0, ""},
         {0, ""}},
        {"CheckMscdexVersion",
         [](ReadMethod& r) { return r.CheckMscdexVersion(); },
         {0, ""},
         {102, "helper.CheckMscdexVersion()"},
         {0, ""},
         {0, ""}},
        {"StartInterfacing",
         [](ReadMethod& r) {
             std::string type = "ATAPI";
             return r.StartInterfacing(50, 2, 1, "PLEXTOR", type);
         },
         {0, ""},
         {103, "helper.StartInterfacing(50,2,1)"},
         {201, "aspi.StartInterfacing(PLEXTOR)"},
         {201, "aspi.StartInterfacing(PLEXTOR)"}},
        {"StopInterfacing",
         [](ReadMethod& r) { return r.StopInterfacing(); },
         {0, ""},
         {104, "helper.StopInterfacing()"},
         {0, ""},
         {0, ""}},
        {"EjectDisc",
         [](ReadMethod& r) {
             r.EjectDisc(false);
             return 0;
         },
         {0, ""},
         {0, "analog.openDoor(5)"},
         {0, "aspi.ejectDisc()"},
         {0, "analog.openDoor(4)"}},
        {"GetDiskInfo",
         [](ReadMethod& r) { return r.GetDiskInfo(1); },
         {0, ""},
         {105, "helper.GetDiskInfo()"},
         {256, "aspi.GetDiskInfo()"},
         {256, "analog.GetDiskInfo(4,1)"}},
        {"GetTrackInfo",
         [](ReadMethod& r) { return r.GetTrackInfo(3); },
         {0, ""},
         {100003, "helper.GetTrackInfo(3)"},
         {12345, ""},
         {12345, ""}},
        {"GetLowest",
         [](ReadMethod& r) { return r.GetLowest(); },
         {0, ""},
         {107, "helper.GetLowest()"},
         {2, ""},
         {2, ""}},
        {"GetHighest",
         [](ReadMethod& r) { return r.GetHighest(); },
         {0, ""},
         {108, "helper.GetHighest()"},
         {9, ""},
         {9, ""}},
        {"GetTotalTime",
         [](ReadMethod& r) { return r.GetTotalTime(); },
         {0, ""},
         {100009, "helper.GetTotalTime()"},
         {99999, ""},
         {99999, ""}},
        {"GetLowNorm",
         [](ReadMethod& r) { return r.GetLowNorm(); },
         {0, ""},
         {110, "helper.GetLowNorm()"},
         {-1234, ""},
         {-1234, ""}},
        {"GetHighNorm",
         [](ReadMethod& r) { return r.GetHighNorm(); },
         {0, ""},
         {111, "helper.GetHighNorm()"},
         {4321, ""},
         {4321, ""}},
        {"StopAudio",
         [](ReadMethod& r) { return r.StopAudio(); },
         {0, ""},
         {112, "helper.StopAudio()"},
         {202, "aspi.StopAudio()"},
         {0, "analog.StopAudio(4)"}},
        {"ResumeAudio",
         [](ReadMethod& r) { return r.ResumeAudio(); },
         {0, ""},
         {113, "helper.ResumeAudio()"},
         {203, "aspi.ResumeAudio()"},
         {303, "analog.ResumeAudio(4)"}},
        {"FlushBuffer",
         [](ReadMethod& r) { return r.FlushBuffer(); },
         {0, ""},
         {114, "helper.FlushBuffer()"},
         {0, ""},
         {0, ""}},
        {"IsPlaying",
         [](ReadMethod& r) { return r.IsPlaying(); },
         {0, ""},
         {115, "helper.IsPlaying()"},
         {0, ""},
         {0, ""}},
        {"PlayAudio",
         [](ReadMethod& r) { return r.PlayAudio(1000, 75); },
         {0, ""},
         {116, "helper.PlayAudio(1000,75)"},
         {204, "aspi.PlayAudio(1000,75)"},
         {304, "analog.PlayAudio(4,1000,75)"}},
        {"GetHeadLocation",
         [](ReadMethod& r) { return r.GetHeadLocation(); },
         {0, ""},
         {100017, "helper.GetHeadLocation()"},
         {205, "aspi.GetHeadLocation()"},
         {305, "analog.GetHeadLocation()"}},
        {"StartRecord",
         [](ReadMethod& r) {
             return r.StartRecord({1000, 2000, 30, 40, 1, 0, 5});
         },
         {0, ""},
         {118, "helper.StartRecord(1000,2000,30,40,1,0,5)"},
         {206, "aspi.StartRecord(1000,2000,30,40,1,0,5)"},
         {306, "analog.StartRecord(4,1000,2000,30,40,1,0,5)"}},
        // The helper's recording sequence: the helper in every mode.
        {"ContinueRecord",
         [](ReadMethod& r) { return r.ContinueRecord(); },
         {100021, "helper.ContinueRecord()"},
         {100021, "helper.ContinueRecord()"},
         {100021, "helper.ContinueRecord()"},
         {100021, "helper.ContinueRecord()"}},
        {"GetTemporaryHigh",
         [](ReadMethod& r) { return r.GetTemporaryHigh(); },
         {123, "helper.GetTemporaryHigh()"},
         {123, "helper.GetTemporaryHigh()"},
         {123, "helper.GetTemporaryHigh()"},
         {123, "helper.GetTemporaryHigh()"}},
        {"GetTemporaryLow",
         [](ReadMethod& r) { return r.GetTemporaryLow(); },
         {124, "helper.GetTemporaryLow()"},
         {124, "helper.GetTemporaryLow()"},
         {124, "helper.GetTemporaryLow()"},
         {124, "helper.GetTemporaryLow()"}},
        {"EndRecord",
         [](ReadMethod& r) {
             r.EndRecord();
             return 0;
         },
         {0, "helper.EndRecord()"},
         {0, "helper.EndRecord()"},
         {0, "helper.EndRecord()"},
         {0, "helper.EndRecord()"}},
        {"QuitRecord",
         [](ReadMethod& r) {
             r.QuitRecord();
             return 0;
         },
         {0, "helper.QuitRecord()"},
         {0, "helper.QuitRecord()"},
         {0, "helper.QuitRecord()"},
         {0, "helper.QuitRecord()"}},
        {"GetNextSec",
         [](ReadMethod& r) { return r.GetNextSec(); },
         {0, ""},
         {100022, "helper.GetNextSec()"},
         {207, "aspi.GetNextSec()"},
         {207, "aspi.GetNextSec()"}},
        {"TestChecksum",
         [](ReadMethod& r) { return r.TestChecksum(); },
         {0, ""},
         {125, "helper.TestChecksum()"},
         {3, ""},
         {3, ""}},
        {"GetCheckSum",
         [](ReadMethod& r) { return r.GetCheckSum(); },
         {0, ""},
         {100026, "helper.GetCheckSum()"},
         {0xCAFEF00D, ""},
         {0xCAFEF00D, ""}},
        {"GetDrvNumber",
         [](ReadMethod& r) { return r.GetDrvNumber(0); },
         {255, ""},
         {3, "helper.GetDrvNumber(0)"},
         {255, "aspi.discoverDrives() aspi.selectDrive(0)"},
         {255, "aspi.discoverDrives() aspi.selectDrive(0)"}},
        {"ChangeDrive",
         [](ReadMethod& r) {
             r.ChangeDrive(2);
             return 0;
         },
         {0, ""},
         {0, "helper.ChangeDrive(2)"},
         {0, "aspi.selectDrive(2)"},
         {0, "aspi.selectDrive(2)"}},
    };
    return table;
}

struct ModeColumn {
    int mode;
    Route Operation::*route;
};

// Mode 7 is no mode at all and must behave like -1.
const ModeColumn kColumns[] = {{access_mode::kNone, &Operation::none},
                               {7, &Operation::none},
                               {access_mode::kMscdex, &Operation::mscdex},
                               {access_mode::kAspi, &Operation::aspi},
                               {access_mode::kAnalog, &Operation::analog}};

TEST(ReadMethodDispatch, EveryOperationGoesWhereItsModeSends) {
    for (const Operation& op : operations()) {
        for (const ModeColumn& column : kColumns) {
            Switch s;
            s.readMethod->currentAccessMode = column.mode;
            const Route& expected = op.*column.route;
            EXPECT_EQ(op.invoke(*s.readMethod), expected.result)
                << op.name << " in mode " << column.mode;
            EXPECT_EQ(joined(s.log), expected.calls) << op.name << " in mode " << column.mode;
        }
    }
}

TEST(ReadMethodDispatch, WithoutTheHelperItsRoutesAnswerNothing) {
    for (const Operation& op : operations()) {
        for (const ModeColumn& column : kColumns) {
            Switch s(false);
            s.readMethod->currentAccessMode = column.mode;
            Route expected = op.*column.route;
            if (expected.calls.starts_with("helper.")) {
                expected = {op.name == "GetDrvNumber" ? 255 : 0, ""};
            }
            EXPECT_EQ(op.invoke(*s.readMethod), expected.result)
                << op.name << " in mode " << column.mode;
            EXPECT_EQ(joined(s.log), expected.calls) << op.name << " in mode " << column.mode;
        }
    }
}

TEST(ReadMethodDispatch, HelperWhoseStartFailedIsNoLongerCalled) {
    Switch s;
    s.readMethod->currentAccessMode = access_mode::kMscdex;
    s.readMethod->helperLoaded = false;
    EXPECT_EQ(s.readMethod->PlayAudio(1, 2), 0);
    EXPECT_EQ(s.readMethod->ContinueRecord(), 0);
    EXPECT_EQ(joined(s.log), "");
}

TEST(ReadMethodDispatch, DigitalAndAnalogAnswerFromTheTableAndStatisticsTheyFilled) {
    for (const int mode : {access_mode::kAspi, access_mode::kAnalog}) {
        Switch s;
        DiscTable reported;
        reported.firstTrack = 1;
        reported.lastTrack = 12;
        reported.tracks[12].startSector = 200000;
        reported.totalSectors = 250000;
        const ExtractionStatistics figures{-20000, 30000, 0x12345678, 2};
        s.aspi->tableToReport = s.analog->tableToReport = reported;
        s.aspi->statisticsToReport = s.analog->statisticsToReport = figures;
        s.readMethod->currentAccessMode = mode;

        ASSERT_EQ(s.readMethod->GetDiskInfo(0), 256);
        EXPECT_EQ(s.table.lastTrack, 12);
        EXPECT_EQ(s.readMethod->GetLowest(), 1);
        EXPECT_EQ(s.readMethod->GetHighest(), 12);
        EXPECT_EQ(s.readMethod->GetTrackInfo(12), 200000);
        EXPECT_EQ(s.readMethod->GetTotalTime(), 250000);
        // Track numbers outside the table's range read nothing.
        EXPECT_EQ(s.readMethod->GetTrackInfo(0), 0);
        EXPECT_EQ(s.readMethod->GetTrackInfo(100), 0);
        EXPECT_EQ(s.readMethod->GetTrackInfo(-1), 0);

        ASSERT_EQ(s.readMethod->StartRecord({}), mode == access_mode::kAspi ? 206 : 306);
        EXPECT_EQ(s.readMethod->GetLowNorm(), -20000);
        EXPECT_EQ(s.readMethod->GetHighNorm(), 30000);
        EXPECT_EQ(s.readMethod->GetCheckSum(), 0x12345678u);
        EXPECT_EQ(s.readMethod->TestChecksum(), 2);
    }
}

TEST(ReadMethodDispatch, MissingBackEndsAnswerNothing) {
    test::FakeClock clock;
    DiscTable table;
    ExtractionStatistics statistics;
    ReadMethod rm(clock, table, statistics, nullptr, nullptr, false, nullptr);
    EXPECT_FALSE(rm.aspiLoaded);
    EXPECT_FALSE(rm.helperLoaded);
    EXPECT_EQ(rm.analogBackend().soundInputPresent(), false);
    EXPECT_EQ(rm.aspiBackend().managerText(), "Aspi not installed");
    EXPECT_EQ(rm.aspiDriveCount(), 0);
    EXPECT_EQ(rm.aspiBackend().selectedDrive(), -1);
    for (const int mode : {access_mode::kMscdex, access_mode::kAspi, access_mode::kAnalog}) {
        rm.currentAccessMode = mode;
        std::string type = "ATAPI";
        EXPECT_EQ(rm.StartInterfacing(25, 1, 1, "", type), 0) << mode;
        EXPECT_EQ(type, "ATAPI");
        EXPECT_EQ(rm.GetDiskInfo(0), 0) << mode;
        EXPECT_EQ(rm.PlayAudio(0, 75), 0) << mode;
        EXPECT_EQ(rm.StartRecord({}), record_result::kNotStarted) << mode;
        EXPECT_EQ(rm.GetDrvNumber(0), 255) << mode;
        rm.EjectDisc(true);
    }
}

TEST(ReadMethodLifecycle, OnNtTheHelperIsNeverCreated) {
    test::FakeClock clock;
    DiscTable table;
    ExtractionStatistics statistics;
    int created = 0;
    ReadMethod rm(clock, table, statistics, nullptr, nullptr, true, [&] {
        ++created;
        return std::make_unique<NullHelperBackend>();
    });
    EXPECT_EQ(created, 0);
    EXPECT_TRUE(rm.platformIsNT());
    EXPECT_FALSE(rm.helperLoaded);
}

TEST(ReadMethodLifecycle, CloseStopsTheHelperAndReleasesTheBackEnds) {
    Switch s;
    s.readMethod->currentAccessMode = access_mode::kAspi;
    s.readMethod->Close();
    EXPECT_EQ(joined(s.log), "helper.StopInterfacing()");
    EXPECT_FALSE(s.readMethod->helperLoaded);
    EXPECT_FALSE(s.readMethod->aspiLoaded);
    s.log.clear();
    EXPECT_EQ(s.readMethod->PlayAudio(0, 1), 0);
    s.readMethod->Close();
    s.readMethod.reset();
    EXPECT_EQ(joined(s.log), "");
}

TEST(ReadMethodDriveList, HoldsDriveIndicesUpToItsSlotsAndEndsAt255) {
    Switch s;
    ReadMethod& rm = *s.readMethod;
    EXPECT_EQ(rm.cdDriveCount(), 0);
    EXPECT_TRUE(rm.addCdDrive(3));
    EXPECT_TRUE(rm.addCdDrive(25));
    EXPECT_FALSE(rm.addCdDrive(-1));
    EXPECT_FALSE(rm.addCdDrive(255));
    EXPECT_EQ(rm.cdDriveCount(), 2);
    EXPECT_TRUE(rm.hasCdDrive(25));
    EXPECT_FALSE(rm.hasCdDrive(255));
    for (int i = 0; i < 30; ++i) {
        rm.addCdDrive(4);
    }
    EXPECT_EQ(rm.cdDriveCount(), 27);
    rm.clearCdDrives();
    EXPECT_EQ(rm.cdDriveCount(), 0);
    EXPECT_EQ(rm.cdDriveLetters[26], 255);
}

TEST(AccessModeTexts, RequestAndSaveTexts) {
    EXPECT_EQ(requestedAccessMode("MSCDEX"), access_mode::kMscdex);
    EXPECT_EQ(requestedAccessMode("mscdex"), access_mode::kMscdex);
    EXPECT_EQ(requestedAccessMode("Analog"), access_mode::kAnalog);
    EXPECT_EQ(requestedAccessMode("ASPI"), access_mode::kAspi);
    EXPECT_EQ(requestedAccessMode("Nix"), access_mode::kAspi);
    EXPECT_EQ(requestedAccessMode("MSCDEX "), access_mode::kAspi);
    EXPECT_EQ(accessModeSettingText(access_mode::kNone), "ASPI");
    EXPECT_EQ(accessModeSettingText(access_mode::kMscdex), "MSCDEX");
    EXPECT_EQ(accessModeSettingText(access_mode::kAspi), "ASPI");
    EXPECT_EQ(accessModeSettingText(access_mode::kAnalog), "ANALOG");
}

}  // namespace
}  // namespace ps
