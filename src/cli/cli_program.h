#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/program_shell.h"
#include "platform/linux/linux_platform.h"

namespace ps::cli {

// The program as the command line runs it: the Linux platform and a shell created the
// way start-up creates it, except that the command line never marks the program as
// running and never touches the autostart entry.
struct CliProgram {
    CliProgram();
    // Creates the shell with the settings plus the overrides.
    void create(const std::vector<std::pair<std::string, std::string>>& overrides = {});

    LinuxPlatform platform;
    std::unique_ptr<ProgramShell> shell;
};

// Splits "--set KEY=VALUE" values; prints a message and returns false for a value
// without "=" or a key the settings file does not know.
bool parseSettingOverrides(const std::vector<std::string>& values,
                           std::vector<std::pair<std::string, std::string>>& overrides);

}  // namespace ps::cli
