#pragma once

#include <string>

namespace ps {

// Keeps the screensaver from starting while a grab job runs.
class Screensaver {
  public:
    virtual ~Screensaver() = default;
    // Holds the screensaver off; true when the desktop took the request.
    virtual bool inhibit(const std::string& application, const std::string& reason) = 0;
    // Gives the screensaver back; does nothing when it is not held.
    virtual void release() = 0;
};

}  // namespace ps
