#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/program_shell.h"
#include "platform/clock.h"
#include "platform/drive_types.h"
#include "platform/linux/xdg_autostart.h"

namespace ps {

// CD drive letters from the CD device nodes: D is /dev/sr0, E the next, and so on.
class LinuxDriveTypes final : public DriveTypes {
  public:
    LinuxDriveTypes();
    bool isCdRom(int driveIndex) override;
    std::string deviceNode(int driveIndex) override;

  private:
    std::vector<std::string> nodes_;  // in letter order from D
};

// The Linux realisations the shell runs on, alive as long as the shell.
struct LinuxPlatform {
    explicit LinuxPlatform(std::string executablePath);
    ProgramServices services();

    SteadyClock clock;
    XdgAutostart autostart;
    LinuxDriveTypes driveTypes;
    std::string executablePath;
    std::string programDirectory;
    std::string musicDirectory;
};

}  // namespace ps
