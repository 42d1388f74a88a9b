#include "platform/clock.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"

namespace ps {
namespace {

// Both realisations keep the one promise callers rely on: sleeping never moves time back,
// and a sleep of N ms advances the clock by at least N ms.
template <typename T>
class ClockContract : public ::testing::Test {};
using Clocks = ::testing::Types<SteadyClock, test::FakeClock>;
TYPED_TEST_SUITE(ClockContract, Clocks);

TYPED_TEST(ClockContract, SleepAdvancesByAtLeastItsLength) {
    TypeParam clock;
    const auto before = clock.nowMs();
    clock.sleepMs(15);
    EXPECT_GE(clock.nowMs() - before, 15);
    const auto later = clock.nowMs();
    clock.sleepMs(0);
    clock.sleepMs(-5);
    EXPECT_GE(clock.nowMs(), later);
}

}  // namespace
}  // namespace ps
