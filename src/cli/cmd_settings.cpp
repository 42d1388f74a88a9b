#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.h"
#include "cli/cli_program.h"
#include "cli/command.h"
#include "cli/json.h"

namespace ps::cli {

namespace {

int runSettings(std::vector<std::string> args) {
    const bool json = takeFlag(args, "--json");
    const bool save = takeFlag(args, "--save");
    std::vector<std::string> setValues;
    if (!takeOptionValues(args, "--set", setValues)) {
        std::fprintf(stderr, "platterscoop-cli: --set needs KEY=VALUE\n");
        return 2;
    }
    if (!args.empty()) {
        std::fprintf(stderr, "platterscoop-cli settings: unexpected argument \"%s\"\n",
                     args.front().c_str());
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
    const Settings& settings = program.shell->settings;
    SettingsEntries entries = savedEntries(settings);
    const SettingsEntries readOnly = readOnlyEntries(settings);
    entries.insert(entries.end(), readOnly.begin(), readOnly.end());

    if (json) {
        std::string out = "{";
        for (std::size_t i = 0; i < entries.size(); ++i) {
            out += (i == 0 ? "" : ",") + jsonString(entries[i].first) + ":" +
                   jsonString(entries[i].second);
        }
        out += "}\n";
        std::fputs(out.c_str(), stdout);
    } else {
        for (const auto& [key, value] : entries) {
            std::printf("%s=%s\n", key.c_str(), value.c_str());
        }
    }
    if (save && !saveSettings(settings, program.shell->settingsPath())) {
        std::fprintf(stderr, "platterscoop-cli: could not write %s\n",
                     program.shell->settingsPath().c_str());
        return 1;
    }
    return 0;
}

const RegisterCommand registration{
    {"settings", "settings [--json] [--set KEY=VALUE]... [--save]", runSettings}};

}  // namespace

}  // namespace ps::cli
