#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "audio/rip_processor.h"
#include "cdaccess/extraction.h"
#include "cli/cli_program.h"
#include "cli/command.h"
#include "cli/json.h"
#include "grab/grab_range.h"

namespace ps::cli {
namespace {

constexpr const char* kUsage =
    "usage: platterscoop-cli rip --track N [--method NAME] [--out FILE] [--json]"
    " [--drive LETTER] [--set KEY=VALUE]...\n";

int runRip(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = takeFlag(args, "--json");
    std::vector<std::string> tracks, methods, outs, letters, setValues;
    if (!takeOptionValues(args, "--track", tracks) ||
        !takeOptionValues(args, "--method", methods) || !takeOptionValues(args, "--out", outs) ||
        !takeOptionValues(args, "--drive", letters) ||
        !takeOptionValues(args, "--set", setValues) || tracks.size() != 1 || methods.size() > 1 ||
        outs.size() > 1 || letters.size() > 1 || !args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    int track = 0;
    try {
        std::size_t used = 0;
        track = std::stoi(tracks.front(), &used);
        if (used != tracks.front().size()) {
            throw std::invalid_argument("track");
        }
    } catch (const std::exception&) {
        std::fprintf(stderr, "rip: \"%s\" is not a track number\n", tracks.front().c_str());
        return 2;
    }
    std::vector<std::pair<std::string, std::string>> overrides;
    if (!parseSettingOverrides(setValues, overrides)) {
        return 2;
    }

    CliProgram program;
    if (!program.create(overrides)) {
        return 1;
    }
    ProgramShell& shell = *program.shell;
    ReadMethod& readMethod = *shell.readMethod;
    Settings& settings = shell.settings;
    if (!methods.empty()) {
        const int method = RipMethodOfEntry(methods.front());
        if (method == 0) {
            std::fprintf(stderr, "rip: there is no rip method \"%s\"\n", methods.front().c_str());
            return 2;
        }
        settings.ASPISynchMethod = static_cast<std::int16_t>(method);
    }
    if (shell.access.mode != access_mode::kAspi) {
        std::fprintf(stderr, "%s\n", kNoDriveRow);
        return 1;
    }
    if (!program.chooseDriveWithDisc("rip", letters)) {
        return 1;
    }
    const DiscTable& table = shell.discTable;
    if (track < table.firstTrack || track > table.lastTrack) {
        std::fprintf(stderr, "rip: the disc has no track %d\n", track);
        return 1;
    }

    const DiscTrack& entry = table.tracks[static_cast<std::size_t>(track)];
    RecordRequest request;
    request.startSector = entry.startSector;
    request.endSector = entry.endSector;
    request.leadingSilenceLimit =
        SilenceLimit(settings.DeleteLeadingSilence, settings.LeadingSilence);
    request.trailingSilenceLimit =
        SilenceLimit(settings.DeleteTrailingSilence, settings.TrailingSilence);
    request.options = RecordRequest::kWriteFile;
    request.checksumOff = settings.NoChecksum ? 1 : 0;
    request.skipSectors = static_cast<std::int16_t>(settings.DiscardOffset);

    std::string output = outs.empty() ? TempWavePath(settings.DestinationDirectory) : outs.front();
    std::error_code pathError;
    const std::filesystem::path absolute = std::filesystem::absolute(output, pathError);
    if (!pathError) {
        output = absolute.lexically_normal().string();
    }
    shell.ripOutputPath = output;

    const int result = readMethod.StartRecord(request);
    const bool done = result == record_result::kDone;
    if (result == record_result::kNotStarted) {
        std::fprintf(stderr, "rip: could not start; is %s writable?\n", output.c_str());
    }
    const int silenceKind = readMethod.TestChecksum();
    const std::string checksum =
        RipChecksumText({readMethod.GetCheckSum(), static_cast<RipSilenceKind>(silenceKind & 3)});
    const ExtractionFigures figures = readMethod.aspiBackend().lastExtraction();
    const double speed = figures.speed / 100.0;

    if (json) {
        char speedText[32];
        std::snprintf(speedText, sizeof speedText, "%.2f", speed);
        std::printf(
            "{\"result\":%d,\"checksum\":%s,\"silence_kind\":%s,\"lost_synchs\":%d,"
            "\"speed\":%s,\"file\":%s}\n",
            result, done ? jsonString(checksum).c_str() : "null",
            done ? std::to_string(silenceKind).c_str() : "null", figures.lostSynchs, speedText,
            done ? jsonString(output).c_str() : "null");
    } else {
        std::printf("Result: %d\n", result);
        if (done) {
            std::printf("Checksum:%s\n", checksum.c_str());
        }
        std::printf("Lost synchronisations: %d\n", figures.lostSynchs);
        std::printf("Read speed: %.2fx\n", speed);
        if (done) {
            std::printf("File: %s\n", output.c_str());
        }
    }
    return done ? 0 : 1;
}

const RegisterCommand registerRip{
    {"rip", "rip --track N [--method NAME] [--out FILE] [--json]   rip one track to a wave file",
     runRip}};

}  // namespace
}  // namespace ps::cli
