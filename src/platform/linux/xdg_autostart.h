#pragma once

#include <string>

#include "platform/autostart.h"

namespace ps {

// An XDG autostart entry, $XDG_CONFIG_HOME/autostart/platterscoop.desktop.
class XdgAutostart final : public Autostart {
  public:
    explicit XdgAutostart(std::string configHome);
    // The config home of the environment ($XDG_CONFIG_HOME, else ~/.config).
    static std::string configHomeFromEnvironment();

    bool isRegistered() override;
    void registerProgram(const std::string& executablePath) override;
    void unregister() override;

    const std::string& entryPath() const { return entryPath_; }

  private:
    std::string configHome_;
    std::string entryPath_;
};

}  // namespace ps
