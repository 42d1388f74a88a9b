#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "cdaccess/aspi_drive_set.h"
#include "cli/command.h"
#include "cli/json.h"
#include "platform/linux/sg_pass_through.h"

namespace ps::cli {
namespace {

int runToc(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = takeFlag(args, "--json");
    std::vector<std::string> letters;
    if (!takeOptionValues(args, "--drive", letters) || letters.size() > 1 || !args.empty()) {
        std::fprintf(stderr, "usage: platterscoop-cli toc [--json] [--drive LETTER]\n");
        return 2;
    }
    SteadyClock clock;
    SgPassThrough sg;
    AspiDriveSet set(clock);
    std::string error;
    if (!set.open(&sg, error)) {
        std::fprintf(stderr, "toc: %s\n", error.c_str());
        return 1;
    }
    const auto& driveLetters = set.driveLetters();
    int index = 0;
    if (!letters.empty()) {
        const std::string& text = letters.front();
        const int wanted =
            text.empty() ? -1 : std::toupper(static_cast<unsigned char>(text[0])) - 'A';
        index = -1;
        for (std::size_t i = 0; i < driveLetters.size(); ++i) {
            if (driveLetters[i] == wanted && (text.size() == 1 || text.substr(1) == ":")) {
                index = static_cast<int>(i);
            }
        }
        if (index < 0) {
            std::fprintf(stderr, "toc: there is no CD drive %s\n", text.c_str());
            return 1;
        }
    }
    if (!set.transport().selectDrive(index)) {
        std::fprintf(stderr, "toc: no CD drive found\n");
        return 1;
    }
    const char letter = static_cast<char>('A' + driveLetters[static_cast<std::size_t>(index)]);

    TocReadOptions options;
    options.cdDriveLetters = driveLetters;
    DiscTable table;
    if (set.drive().readToc(table, options) != kTocRead) {
        std::fprintf(stderr, "No disc in drive %c:\n", letter);
        return 1;
    }

    if (json) {
        std::string out = "{\"first\":" + std::to_string(table.firstTrack) +
                          ",\"last\":" + std::to_string(table.lastTrack) + ",\"tracks\":[";
        for (int t = table.firstTrack; t <= table.lastTrack; ++t) {
            const auto& track = table.tracks[static_cast<std::size_t>(t)];
            out += t > table.firstTrack ? "," : "";
            out += "{\"number\":" + std::to_string(t) +
                   ",\"start\":" + std::to_string(track.startSector) +
                   ",\"end\":" + std::to_string(track.endSector) +
                   ",\"data\":" + (track.dataTrack ? "true" : "false") + "}";
        }
        out += "],\"total\":" + std::to_string(table.totalSectors) + "}";
        std::printf("%s\n", out.c_str());
        return 0;
    }
    std::printf("Drive %c:  first track %d, last track %d\n", letter, table.firstTrack,
                table.lastTrack);
    std::printf("Track     Start       End  Data\n");
    for (int t = table.firstTrack; t <= table.lastTrack; ++t) {
        const auto& track = table.tracks[static_cast<std::size_t>(t)];
        std::printf("%5d  %8d  %8d  %s\n", t, track.startSector, track.endSector,
                    track.dataTrack ? "yes" : "no");
    }
    std::printf("Total: %d sectors\n", table.totalSectors);
    return 0;
}

const RegisterCommand registerToc{
    {"toc", "toc [--json] [--drive LETTER]   print the table of contents of a drive's disc",
     runToc}};

}  // namespace
}  // namespace ps::cli
