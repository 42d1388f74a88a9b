#include <gtest/gtest.h>

#include <QDBusConnection>
#include <cstdlib>

#include "platform/linux/power_linux.h"
#include "platform/linux/screensaver_linux.h"

namespace ps {
namespace {

// The buses point at sockets that do not exist, so that no test ever reaches the real
// logind or screensaver (and never switches the machine off).
class NoBus : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/ps-system-bus", 1);
        setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ps-session-bus", 1);
    }
};

TEST_F(NoBus, PowerOffFallsBackWhenLogindCannotBeReached) {
    if (QDBusConnection::systemBus().isConnected()) {
        GTEST_SKIP() << "a system bus answered; not asking it to power off";
    }
    int fallbacks = 0;
    LogindPowerControl power([&] {
        ++fallbacks;
        return true;
    });
    EXPECT_TRUE(power.powerOff());
    EXPECT_EQ(fallbacks, 1);

    LogindPowerControl refused([] { return false; });
    EXPECT_FALSE(refused.powerOff());
}

TEST_F(NoBus, ScreensaverWithoutAServiceHoldsNothing) {
    if (QDBusConnection::sessionBus().isConnected()) {
        GTEST_SKIP() << "a session bus answered";
    }
    DbusScreensaver saver;
    EXPECT_FALSE(saver.inhibit("Platterscoop", "test"));
    saver.release();
}

}  // namespace
}  // namespace ps
