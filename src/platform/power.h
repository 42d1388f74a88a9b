#pragma once

namespace ps {

// Switching the computer off at the end of a grab job.
class PowerControl {
  public:
    virtual ~PowerControl() = default;
    // Asks the system to shut down; true when the request was accepted.
    virtual bool powerOff() = 0;
};

}  // namespace ps
