#pragma once

#include <string>

#include "platform/autostart.h"

namespace ps::test {

class MemoryAutostart final : public Autostart {
  public:
    bool isRegistered() override { return registered_; }
    void registerProgram(const std::string& executablePath) override {
        registered_ = true;
        registeredPath = executablePath;
    }
    void unregister() override { registered_ = false; }

    std::string registeredPath;

  private:
    bool registered_ = false;
};

}  // namespace ps::test
