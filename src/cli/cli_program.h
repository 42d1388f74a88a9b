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
    // Creates the shell with the settings plus the overrides. False, with the reason on
    // standard error, when the drives could not be opened (a bad virtual drive image or
    // fault list).
    bool create(const std::vector<std::pair<std::string, std::string>>& overrides = {});

    // Changes to the drive of the first of `letters` (none: the current drive) and checks
    // that it holds a disc. False, with the reason on standard error (prefixed with
    // `command`), when there is no such drive or no disc.
    bool chooseDriveWithDisc(const char* command, const std::vector<std::string>& letters);

    LinuxPlatform platform;
    std::unique_ptr<ProgramShell> shell;
};

// The letter of an ASPI drive list entry (D for the first) and back; -1 for a text that
// names no letter from D on ("E" and "E:" name the second drive).
char aspiDriveLetter(int index);
int aspiDriveIndexOfLetter(const std::string& text);

// For commands that take files and settings: removes every "--set KEY=VALUE" from `args`
// into `overrides` and leaves the file names. Prints `usage` (or the reason) and returns
// false when no file is left, an option is unknown or an override is malformed.
bool takeFilesAndOverrides(std::vector<std::string>& args, const char* usage,
                           std::vector<std::pair<std::string, std::string>>& overrides);

// Splits "--set KEY=VALUE" values; prints a message and returns false for a value
// without "=" or a key the settings file does not know.
bool parseSettingOverrides(const std::vector<std::string>& values,
                           std::vector<std::pair<std::string, std::string>>& overrides);

}  // namespace ps::cli
