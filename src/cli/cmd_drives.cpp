#include <cstdio>
#include <string>
#include <vector>

#include "cdaccess/drive_types.h"
#include "cli/cli_program.h"
#include "cli/command.h"
#include "cli/json.h"

namespace ps::cli {
namespace {

int runDrives(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = takeFlag(args, "--json");
    if (!args.empty()) {
        std::fprintf(stderr, "drives: unexpected argument \"%s\"\n", args.front().c_str());
        return 2;
    }
    CliProgram program;
    if (!program.create()) {
        return 1;
    }
    ReadMethod& readMethod = *program.shell->readMethod;
    const int mode = program.shell->settings.accessMode;
    const std::string modeText =
        mode == access_mode::kNone ? "none" : std::string(accessModeSettingText(mode));
    AspiBackend& aspi = readMethod.aspiBackend();
    const int count = readMethod.aspiLoaded ? aspi.driveCount() : 0;

    if (json) {
        std::string out = "{\"access_mode\":" + jsonString(modeText) + ",\"drives\":[";
        for (int i = 0; i < count; ++i) {
            const AspiDriveInfo drive = aspi.driveInfo(i);
            out += i ? "," : "";
            out += "{\"letter\":" + jsonString(std::string(1, aspiDriveLetter(i))) +
                   ",\"node\":" + jsonString(drive.node) + ",\"name\":" + jsonString(drive.name) +
                   ",\"type\":" + jsonString(driveTypeText(drive.typeIndex)) +
                   ",\"family\":" + std::to_string(driveTypeFamily(drive.typeIndex)) + "}";
        }
        out += "]}";
        std::printf("%s\n", out.c_str());
        return 0;
    }
    std::printf("Access mode: %s\n", modeText.c_str());
    for (int i = 0; i < count; ++i) {
        const AspiDriveInfo drive = aspi.driveInfo(i);
        const std::string type(driveTypeText(drive.typeIndex));
        std::printf("%c:  %-12s %-28s  %-21s  family %d%s\n", aspiDriveLetter(i),
                    drive.node.c_str(), drive.name.c_str(), type.c_str(),
                    driveTypeFamily(drive.typeIndex),
                    i == aspi.selectedDrive() ? "  (selected)" : "");
    }
    return 0;
}

const RegisterCommand registerDrives{
    {"drives", "drives [--json]   list the CD drives, their letters, types and families",
     runDrives}};

}  // namespace
}  // namespace ps::cli
