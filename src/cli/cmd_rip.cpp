#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cdaccess/aspi_drive_set.h"
#include "cdaccess/extraction.h"
#include "cdaccess/extraction_session.h"
#include "cli/cli_program.h"
#include "cli/command.h"
#include "cli/json.h"
#include "platform/linux/sg_pass_through.h"

namespace ps::cli {
namespace {

constexpr const char* kUsage =
    "usage: platterscoop-cli rip --track N [--method NAME] [--out FILE] [--json]"
    " [--drive LETTER] [--set KEY=VALUE]...\n";

// The drive a letter names, the one the settings' DefaultDrive names, else the first.
int chooseDrive(AspiDriveSet& set, const std::vector<std::string>& letters,
                const std::string& defaultDrive) {
    const auto& driveLetters = set.driveLetters();
    if (!letters.empty()) {
        const std::string& text = letters.front();
        const int wanted =
            text.empty() ? -1 : std::toupper(static_cast<unsigned char>(text[0])) - 'A';
        for (std::size_t i = 0; i < driveLetters.size(); ++i) {
            if (driveLetters[i] == wanted && (text.size() == 1 || text.substr(1) == ":")) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    const auto& drives = set.transport().drives();
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (!defaultDrive.empty() && drives[i].name.starts_with(defaultDrive)) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

std::int16_t silenceLimit(bool deleteSilence, int tenths) {
    return deleteSilence ? static_cast<std::int16_t>(tenths * 7.5) : std::int16_t{3000};
}

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
    program.create(overrides);
    const Settings& settings = program.shell->settings;

    int method = 0;
    if (!methods.empty()) {
        method = RipMethodOfEntry(methods.front());
        if (method == 0) {
            std::fprintf(stderr, "rip: there is no rip method \"%s\"\n", methods.front().c_str());
            return 2;
        }
    } else {
        method = RipMethodOfEntry(settings.ASPIRipMethod);
        if (method == 0) {
            method = settings.ASPISynchMethod;
        }
    }

    SteadyClock clock;
    SgPassThrough sg;
    AspiDriveSet set(clock);
    std::string error;
    if (!set.open(&sg, error)) {
        std::fprintf(stderr, "rip: %s\n", error.c_str());
        return 1;
    }
    const int index = chooseDrive(set, letters, settings.DefaultDrive);
    if (index < 0) {
        std::fprintf(stderr, "rip: there is no CD drive %s\n", letters.front().c_str());
        return 1;
    }
    if (!set.transport().selectDrive(index)) {
        std::fprintf(stderr, "rip: no CD drive found\n");
        return 1;
    }
    TocReadOptions toc;
    toc.sendStartUnit = settings.SendStartUnit;
    toc.cdDriveLetters = set.driveLetters();
    DiscTable table;
    if (set.drive().readToc(table, toc) != kTocRead) {
        std::fprintf(stderr, "rip: no disc in the drive\n");
        return 1;
    }
    if (track < table.firstTrack || track > table.lastTrack) {
        std::fprintf(stderr, "rip: the disc has no track %d\n", track);
        return 1;
    }

    const DiscTrack& entry = table.tracks[static_cast<std::size_t>(track)];
    RecordRequest request;
    request.startSector = entry.startSector;
    request.endSector = entry.endSector;
    request.leadingSilenceLimit =
        silenceLimit(settings.DeleteLeadingSilence, settings.LeadingSilence);
    request.trailingSilenceLimit =
        silenceLimit(settings.DeleteTrailingSilence, settings.TrailingSilence);
    request.options = RecordRequest::kWriteFile;
    request.checksumOff = settings.NoChecksum ? 1 : 0;
    request.skipSectors = static_cast<std::int16_t>(settings.DiscardOffset);

    ExtractionSettings extraction;
    extraction.synchMethod = method;
    extraction.continueAfterLostSynch = settings.ContinueAfterLostSynch;
    extraction.byteOrder = settings.aspiInversedByteOrderCode();
    extraction.sendStartUnit = settings.SendStartUnit;
    extraction.cdSpeed = settings.CDSpeed;
    extraction.destinationDirectory = settings.DestinationDirectory;
    extraction.outputPath =
        outs.empty() ? TempWavePath(settings.DestinationDirectory) : outs.front();
    std::error_code pathError;
    const std::filesystem::path absolute =
        std::filesystem::absolute(extraction.outputPath, pathError);
    if (!pathError) {
        extraction.outputPath = absolute.lexically_normal().string();
    }

    ExtractionSession session(set.drive(), program.shell->texts);
    ExtractionStatistics statistics;
    const int result = session.extraction().StartRecord(request, table, statistics, extraction);
    const bool done = result == record_result::kDone;
    if (result == record_result::kNotStarted) {
        std::fprintf(stderr, "rip: could not start; is %s writable?\n",
                     extraction.outputPath.c_str());
    }
    const std::string checksum = done ? session.checksumText() : std::string();
    const int lost = session.extraction().lostSynchCount();
    const double speed = session.extraction().averageSpeed();

    if (json) {
        char speedText[32];
        std::snprintf(speedText, sizeof speedText, "%.2f", speed);
        std::printf(
            "{\"result\":%d,\"checksum\":%s,\"silence_kind\":%s,\"lost_synchs\":%d,"
            "\"speed\":%s,\"file\":%s}\n",
            result, done ? jsonString(checksum).c_str() : "null",
            done ? std::to_string(session.silenceKind()).c_str() : "null", lost, speedText,
            done ? jsonString(extraction.outputPath).c_str() : "null");
    } else {
        std::printf("Result: %d\n", result);
        if (done) {
            std::printf("Checksum:%s\n", checksum.c_str());
        }
        std::printf("Lost synchronisations: %d\n", lost);
        std::printf("Read speed: %.2fx\n", speed);
        if (done) {
            std::printf("File: %s\n", extraction.outputPath.c_str());
        }
    }
    return done ? 0 : 1;
}

const RegisterCommand registerRip{
    {"rip", "rip --track N [--method NAME] [--out FILE] [--json]   rip one track to a wave file",
     runRip}};

}  // namespace
}  // namespace ps::cli
