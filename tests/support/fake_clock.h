#pragma once

#include "platform/clock.h"

namespace ps::test {

// A clock that moves only when told to; sleeping advances it at once.
class FakeClock final : public Clock {
  public:
    std::int64_t nowMs() override { return now_; }
    void sleepMs(int milliseconds) override {
        if (milliseconds > 0) {
            now_ += milliseconds;
        }
    }
    void advance(std::int64_t milliseconds) { now_ += milliseconds; }
    void set(std::int64_t milliseconds) { now_ = milliseconds; }

  private:
    std::int64_t now_ = 1'000'000;
};

}  // namespace ps::test
