#include <cstdio>
#include <string>
#include <vector>

#include "audio/file_tools.h"
#include "cli/command.h"
#include "cli/json.h"

namespace {

int runChecksum(const std::vector<std::string>& arguments) {
    std::vector<std::string> files = arguments;
    const bool json = ps::cli::takeFlag(files, "--json");
    if (files.empty()) {
        std::fprintf(stderr, "usage: platterscoop-cli checksum FILE... [--json]\n");
        return 2;
    }
    int status = 0;
    for (const auto& file : files) {
        const ps::FileChecksumResult result = ps::FileChecksum(file, nullptr, {});
        const std::string text = ps::FileChecksumText(result);
        const bool ok = result.status == ps::FileChecksumStatus::Done;
        if (!ok) {
            status = 1;
        }
        if (json) {
            if (ok) {
                std::printf("{\"file\":%s,\"checksum\":%s}\n", ps::cli::jsonString(file).c_str(),
                            ps::cli::jsonString(text).c_str());
            } else {
                std::printf("{\"file\":%s,\"checksum\":null,\"error\":%s}\n",
                            ps::cli::jsonString(file).c_str(), ps::cli::jsonString(text).c_str());
            }
        } else {
            // One line per file, in the order given, exactly as the window shows it.
            std::printf("%s\n", text.c_str());
        }
    }
    return status;
}

const ps::cli::RegisterCommand kChecksum{
    {"checksum", "checksum FILE... [--json]   audio checksum of wave files", runChecksum}};

}  // namespace
