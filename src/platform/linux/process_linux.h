#pragma once

#include "platform/process.h"

namespace ps {

// posix_spawn with the argument vector (posix_spawnp for a bare program name), in a
// process group of its own so that kill reaches the encoder's children too; standard
// input is /dev/null. An unreaped process is reaped in the background once it ends.
class LinuxProcessLauncher final : public ProcessLauncher {
  public:
    std::unique_ptr<Process> spawn(const ProcessSpec& command, std::string& error) override;
};

}  // namespace ps
