#include <cstdio>
#include <string>
#include <vector>

#include "cdaccess/aspi_drive_set.h"
#include "cdaccess/drive_types.h"
#include "cli/command.h"
#include "cli/json.h"
#include "platform/linux/sg_pass_through.h"

namespace ps::cli {
namespace {

int runDrives(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = takeFlag(args, "--json");
    if (!args.empty()) {
        std::fprintf(stderr, "drives: unexpected argument \"%s\"\n", args.front().c_str());
        return 2;
    }
    SteadyClock clock;
    SgPassThrough sg;
    AspiDriveSet set(clock);
    std::string error;
    if (!set.open(&sg, error)) {
        std::fprintf(stderr, "drives: %s\n", error.c_str());
        return 1;
    }
    const auto& drives = set.transport().drives();
    // Without a drive no access mode can be established.
    const char* mode = drives.empty() ? "none" : "ASPI";

    if (json) {
        std::string out = "{\"access_mode\":" + jsonString(mode) + ",\"drives\":[";
        for (std::size_t i = 0; i < drives.size(); ++i) {
            const auto& drive = drives[i];
            const char letter = static_cast<char>('A' + set.driveLetters()[i]);
            out += i ? "," : "";
            out += "{\"letter\":" + jsonString(std::string(1, letter)) +
                   ",\"node\":" + jsonString(drive.node) + ",\"name\":" + jsonString(drive.name) +
                   ",\"type\":" + jsonString(driveTypeText(drive.typeIndex)) +
                   ",\"family\":" + std::to_string(driveTypeFamily(drive.typeIndex)) + "}";
        }
        out += "]}";
        std::printf("%s\n", out.c_str());
        return 0;
    }
    std::printf("Access mode: %s\n", mode);
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const auto& drive = drives[i];
        const std::string type(driveTypeText(drive.typeIndex));
        std::printf("%c:  %-12s %-28s  %-21s  family %d\n",
                    static_cast<char>('A' + set.driveLetters()[i]), drive.node.c_str(),
                    drive.name.c_str(), type.c_str(), driveTypeFamily(drive.typeIndex));
    }
    return 0;
}

const RegisterCommand registerDrives{
    {"drives", "drives [--json]   list the CD drives, their letters, types and families",
     runDrives}};

}  // namespace
}  // namespace ps::cli
