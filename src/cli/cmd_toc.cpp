#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "cddb/disc_id.h"
#include "cli/cli_program.h"
#include "cli/command.h"
#include "cli/json.h"

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
    CliProgram program;
    if (!program.create()) {
        return 1;
    }
    ProgramShell& shell = *program.shell;
    ReadMethod& readMethod = *shell.readMethod;
    if (shell.settings.accessMode == access_mode::kNone) {
        std::fprintf(stderr, "%s\n", kNoDriveRow);
        return 1;
    }
    if (!program.chooseDriveWithDisc("toc", letters)) {
        return 1;
    }
    const DiscTable& table = shell.discTable;
    CddbDiscNumbers numbers;
    const CddbDiscLayout layout = cddbDiscLayout(readMethod);
    const std::uint32_t cddbId = computeCddbDiscId(layout, numbers);
    const std::uint32_t cdplayerNumber = shell.discIdentifier->findDiscNumber();

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
        out += "],\"total\":" + std::to_string(table.totalSectors) +
               ",\"cddb_id\":" + jsonString(cddbDiscIdProtocolText(cddbId)) +
               ",\"disc_length_seconds\":" + std::to_string(numbers.discLengthSeconds) +
               ",\"frame_offsets\":[";
        const std::vector<std::int32_t> offsets = trackFrameOffsets(layout);
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            out += (i ? "," : "") + std::to_string(offsets[i]);
        }
        out += "],\"cdplayer_number\":" +
               jsonString(cdplayerNumber == 0 ? std::string("0")
                                              : cdPlayerDiscNumberText(cdplayerNumber)) +
               "}";
        std::printf("%s\n", out.c_str());
        return 0;
    }
    const int selected = readMethod.aspiBackend().selectedDrive();
    std::printf("Drive %c:  first track %d, last track %d\n", aspiDriveLetter(selected),
                table.firstTrack, table.lastTrack);
    std::printf("Track     Start       End  Data\n");
    for (int t = table.firstTrack; t <= table.lastTrack; ++t) {
        const auto& track = table.tracks[static_cast<std::size_t>(t)];
        std::printf("%5d  %8d  %8d  %s\n", t, track.startSector, track.endSector,
                    track.dataTrack ? "yes" : "no");
    }
    std::printf("Total: %d sectors\n", table.totalSectors);
    std::printf("CDDB disc id: %s, CD player disc number: %s\n",
                cddbDiscIdProtocolText(cddbId).c_str(),
                cdplayerNumber == 0 ? "unknown" : cdPlayerDiscNumberText(cdplayerNumber).c_str());
    return 0;
}

const RegisterCommand registerToc{
    {"toc", "toc [--json] [--drive LETTER]   print the table of contents of a drive's disc",
     runToc}};

}  // namespace
}  // namespace ps::cli
