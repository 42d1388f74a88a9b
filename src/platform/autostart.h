#pragma once

#include <string>

namespace ps {

// Starting the program when the user logs in.
class Autostart {
  public:
    virtual ~Autostart() = default;
    virtual bool isRegistered() = 0;
    // Registers the program file; failures are ignored, as the caller cannot mend them.
    virtual void registerProgram(const std::string& executablePath) = 0;
    virtual void unregister() = 0;
};

}  // namespace ps
