#include <cstdio>
#include <string>
#include <vector>

#include "audio/file_tools.h"
#include "cli/command.h"
#include "cli/json.h"

namespace {

int runCompare(const std::vector<std::string>& arguments) {
    std::vector<std::string> files = arguments;
    const bool json = ps::cli::takeFlag(files, "--json");
    if (files.size() != 2) {
        std::fprintf(stderr, "usage: platterscoop-cli compare A B [--json]\n");
        return 2;
    }
    const ps::CompareResult result = ps::CompareFiles(files[0], files[1], nullptr, {});
    if (result.status == ps::CompareStatus::NotCompared) {
        std::fprintf(stderr, "platterscoop-cli: cannot compare \"%s\" and \"%s\"\n",
                     files[0].c_str(), files[1].c_str());
        return 2;
    }
    const bool differences = result.status == ps::CompareStatus::Differences;
    if (json) {
        std::string lines;
        if (differences) {
            for (const auto& line : result.lines) {
                lines += (lines.empty() ? "" : ",") + ps::cli::jsonString(line);
            }
        }
        std::printf("{\"offset\":%lld,\"differences\":%s,\"lines\":[%s]}\n",
                    static_cast<long long>(result.offset), differences ? "true" : "false",
                    lines.c_str());
    } else {
        std::printf("%s\n", result.offsetText.c_str());
        for (const auto& line : result.lines) {
            std::printf("%s\n", line.c_str());
        }
    }
    return differences ? 1 : 0;
}

const ps::cli::RegisterCommand kCompare{
    {"compare", "compare A B [--json]         line up two rips and show the first difference",
     runCompare}};

}  // namespace
