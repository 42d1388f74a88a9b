#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "audio/normalizer.h"
#include "cli/cli_program.h"
#include "cli/command.h"
#include "cli/json.h"
#include "grab/grab_normalizer_adapter.h"

namespace ps::cli {
namespace {

constexpr const char* kUsage =
    "usage: platterscoop-cli normalize FILE... [--set KEY=VALUE]... [--test] [--json]\n";

std::string Number(double value, bool known) {
    if (!known) {
        return "null";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string Percent(double value, bool known) {
    if (!known) {
        return "N/A";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%", value);
    return text;
}

void PrintFile(const std::string& file, const NormalizeOutcome& outcome, bool analysed, bool json,
               const std::string& error) {
    const NormalizeStatistics& s = outcome.statistics;
    const bool changed = outcome.code == normalize_result::Modified;
    const bool levels = analysed && s.levelsKnown;
    if (json) {
        std::printf(
            "{\"file\":%s,\"result\":%d,\"changed\":%s,\"old_peak\":%s,\"new_peak\":%s,"
            "\"old_average\":%s,\"new_average\":%s,\"old_compact\":%s,\"new_compact\":%s",
            jsonString(file).c_str(), outcome.code, changed ? "true" : "false",
            Number(s.oldPeak, analysed).c_str(), Number(s.newPeak, analysed).c_str(),
            Number(s.oldAverage, levels).c_str(), Number(s.newAverage, levels).c_str(),
            Number(s.oldCompactRatio, levels).c_str(), Number(s.newCompactRatio, levels).c_str());
        if (!error.empty()) {
            std::printf(",\"error\":%s", jsonString(error).c_str());
        }
        std::printf("}\n");
        return;
    }
    std::printf("%s: %s\n", file.c_str(),
                !error.empty() ? "failed"
                : changed      ? "changed"
                               : "unchanged");
    if (analysed) {
        std::printf("  Old peak: %s  New peak: %s\n", Percent(s.oldPeak, true).c_str(),
                    Percent(s.newPeak, true).c_str());
        std::printf("  Old average: %s  New average: %s\n", Percent(s.oldAverage, levels).c_str(),
                    Percent(s.newAverage, levels).c_str());
        std::printf("  Old compact ratio: %s  New compact ratio: %s\n",
                    Percent(s.oldCompactRatio, levels).c_str(),
                    Percent(s.newCompactRatio, levels).c_str());
    }
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
    }
}

int runNormalize(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = takeFlag(args, "--json");
    const bool test = takeFlag(args, "--test");
    std::vector<std::pair<std::string, std::string>> overrides;
    if (!takeFilesAndOverrides(args, kUsage, overrides)) {
        return 2;
    }
    CliProgram program;
    if (!program.create(overrides)) {
        return 1;
    }
    ProgramShell& shell = *program.shell;
    Settings& settings = shell.settings;

    bool allDone = true;
    const int count = static_cast<int>(args.size());
    for (int i = 0; i < count; ++i) {
        const std::string& file = args[static_cast<std::size_t>(i)];
        NormalizeContext context;
        context.clock = &program.platform.clock;
        context.index = i + 1;
        context.count = count;
        NormalizeOutcome outcome;
        if (test) {
            // The analysis of the advanced engine, with the values it would reach.
            AnalyseRequest request;
            request.apply = false;
            outcome = AnalyseAndModify(file, ParametersFromSettings(settings), request, context);
        } else {
            outcome = NormalizeWaveFile(file, 1, settings, std::nullopt, context);
        }
        const bool ok = outcome.code >= 0;
        std::string error;
        if (!ok) {
            error = FormatNormalizeMessage(shell.texts, outcome.message).text;
            if (error.empty()) {
                error =
                    "normalize: " + file + " failed with result " + std::to_string(outcome.code);
            }
            allDone = false;
        }
        const bool analysedFile =
            ok && (outcome.statistics.levelsKnown || !outcome.outputPath.empty());
        PrintFile(file, outcome, analysedFile, json, error);
    }
    return allDone ? 0 : 1;
}

const RegisterCommand registerNormalize{
    {"normalize", "normalize FILE... [--set KEY=VALUE]... [--test] [--json]   normalize wave files",
     runNormalize}};

}  // namespace
}  // namespace ps::cli
