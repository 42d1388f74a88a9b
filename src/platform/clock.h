#pragma once

#include <cstdint>

namespace ps {

// Milliseconds since an arbitrary start, and sleeping; the time-outs, the eject guard
// and the progress rates read it, so tests can drive time by hand.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() = 0;
    virtual void sleepMs(int milliseconds) = 0;
};

// The steady clock of the standard library.
class SteadyClock final : public Clock {
  public:
    std::int64_t nowMs() override;
    void sleepMs(int milliseconds) override;
};

}  // namespace ps
