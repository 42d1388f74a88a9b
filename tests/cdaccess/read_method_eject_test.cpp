#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cdaccess/read_method.h"
#include "support/fake_clock.h"
#include "support/recording_read_method_backends.h"

namespace ps {
namespace {

using test::joined;

struct EjectSwitch {
    explicit EjectSwitch(int mode) {
        auto aspiDouble = std::make_unique<test::RecordingAspi>(log, &clock);
        auto analogDouble = std::make_unique<test::RecordingAnalog>(log, &clock);
        aspi = aspiDouble.get();
        analog = analogDouble.get();
        readMethod = std::make_unique<ReadMethod>(clock, table, statistics, std::move(aspiDouble),
                                                  std::move(analogDouble), false, nullptr);
        readMethod->currentAccessMode = mode;
        readMethod->mscdexDrive = 5;
        readMethod->analogDrive = 4;
    }
    // Sets how long the close command takes in whichever back-end the mode uses.
    void closeTakes(int ms) { aspi->loadDelayMs = analog->closeDelayMs = ms; }

    test::FakeClock clock;
    DiscTable table;
    ExtractionStatistics statistics;
    test::CallLog log;
    test::RecordingAspi* aspi = nullptr;
    test::RecordingAnalog* analog = nullptr;
    std::unique_ptr<ReadMethod> readMethod;
};

struct ToggleCase {
    int mode;
    bool closeFirst;
    int closeMs;
    const char* calls;
};

// A close that comes back at once found the tray closed, so the call opens it; a slower
// close shut an open tray and that is all.
TEST(EjectDisc, ClosesFirstAndOpensOnlyWhenTheTrayWasAlreadyClosed) {
    const ToggleCase cases[] = {
        {access_mode::kAspi, false, 0, "aspi.ejectDisc()"},
        {access_mode::kAspi, true, 10, "aspi.loadDisc() aspi.ejectDisc()"},
        {access_mode::kAspi, true, 50, "aspi.loadDisc() aspi.ejectDisc()"},
        {access_mode::kAspi, true, 51, "aspi.loadDisc()"},
        {access_mode::kAspi, true, 2000, "aspi.loadDisc()"},
        {access_mode::kMscdex, false, 0, "analog.openDoor(5)"},
        {access_mode::kMscdex, true, 10, "analog.closeDoor(5) analog.openDoor(5)"},
        {access_mode::kMscdex, true, 900, "analog.closeDoor(5)"},
        {access_mode::kAnalog, false, 0, "analog.openDoor(4)"},
        {access_mode::kAnalog, true, 0, "analog.closeDoor(4) analog.openDoor(4)"},
        {access_mode::kAnalog, true, 900, "analog.closeDoor(4)"},
        {access_mode::kNone, true, 0, ""},
        {access_mode::kNone, false, 0, ""},
    };
    for (const ToggleCase& c : cases) {
        EjectSwitch s(c.mode);
        s.closeTakes(c.closeMs);
        s.readMethod->EjectDisc(c.closeFirst);
        EXPECT_EQ(joined(s.log), c.calls)
            << "mode " << c.mode << " closeFirst " << c.closeFirst << " close " << c.closeMs;
    }
}

struct GuardCase {
    const char* what;
    bool firstCloseFirst;
    int firstCloseMs;
    int secondAfterMs;  // from the start of the first call
    bool secondAccepted;
};

// In ASPI mode a call within 5 s of the previous accepted one is ignored; an eject counts
// as 3 s earlier, so after it 2 s are enough.
TEST(EjectDisc, AspiIgnoresCallsTooSoonAfterTheLastOne) {
    const GuardCase cases[] = {
        {"1 s after an eject", false, 0, 1000, false},
        {"just under 2 s after an eject", false, 0, 1999, false},
        {"2 s after an eject", false, 0, 2000, true},
        {"2.5 s after an eject", false, 0, 2500, true},
        {"2.5 s after a close that found the tray open", true, 500, 2500, false},
        {"just under 5 s after a close", true, 500, 4999, false},
        {"5 s after a close", true, 500, 5000, true},
        {"2.5 s after a close that went on to eject", true, 10, 2500, true},
    };
    for (const GuardCase& c : cases) {
        EjectSwitch s(access_mode::kAspi);
        s.closeTakes(c.firstCloseMs);
        const std::int64_t start = s.clock.nowMs();
        s.readMethod->EjectDisc(c.firstCloseFirst);
        s.clock.set(start + c.secondAfterMs);
        s.log.clear();
        s.closeTakes(0);
        s.readMethod->EjectDisc(false);
        EXPECT_EQ(joined(s.log), c.secondAccepted ? "aspi.ejectDisc()" : "") << c.what;
    }
}

TEST(EjectDisc, IgnoredCallsDoNotExtendTheGuard) {
    EjectSwitch s(access_mode::kAspi);
    s.readMethod->EjectDisc(false);
    s.clock.advance(1500);
    s.readMethod->EjectDisc(false);
    s.clock.advance(500);
    s.log.clear();
    s.readMethod->EjectDisc(false);
    EXPECT_EQ(joined(s.log), "aspi.ejectDisc()");
}

TEST(EjectDisc, DoorCommandsOfTheOtherModesHaveNoGuard) {
    for (const int mode : {access_mode::kMscdex, access_mode::kAnalog}) {
        EjectSwitch s(mode);
        s.readMethod->EjectDisc(false);
        s.clock.advance(1000);
        s.readMethod->EjectDisc(false);
        EXPECT_EQ(s.log.size(), 2u) << mode;
    }
}

}  // namespace
}  // namespace ps
