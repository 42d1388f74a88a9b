#include "cli/cli_program.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/program_directory.h"
#include "cli/command.h"

namespace ps::cli {

namespace {

std::string runningExecutable() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

}  // namespace

CliProgram::CliProgram() : platform(runningExecutable()) {}

bool CliProgram::create(const std::vector<std::pair<std::string, std::string>>& overrides) {
    ensureDirectory(platform.programDirectory);
    shell = std::make_unique<ProgramShell>(platform.programDirectory, platform.services());
    shell->loadTexts();
    shell->create(overrides, /*markRunning=*/false);
    const std::string& error = shell->readMethod->aspiBackend().openError();
    if (!error.empty()) {
        std::fprintf(stderr, "platterscoop-cli: %s\n", error.c_str());
        return false;
    }
    return true;
}

bool CliProgram::chooseDriveWithDisc(const char* command, const std::vector<std::string>& letters) {
    ReadMethod& readMethod = *shell->readMethod;
    if (!letters.empty()) {
        const int index = aspiDriveIndexOfLetter(letters.front());
        if (!readMethod.aspiLoaded || index < 0 || index >= readMethod.aspiBackend().driveCount()) {
            std::fprintf(stderr, "%s: there is no CD drive %s\n", command, letters.front().c_str());
            return false;
        }
        readMethod.ChangeDrive(static_cast<std::int16_t>(index));
    }
    if (readMethod.GetDiskInfo(0) != 256) {
        std::fprintf(stderr, "%s\n", kDriveNotReadyRow);
        return false;
    }
    return true;
}

char aspiDriveLetter(int index) {
    return static_cast<char>('D' + index);
}

int aspiDriveIndexOfLetter(const std::string& text) {
    if (text.empty() || (text.size() > 1 && text.substr(1) != ":")) {
        return -1;
    }
    const int letter = std::toupper(static_cast<unsigned char>(text[0]));
    return letter >= 'D' && letter <= 'Z' ? letter - 'D' : -1;
}

bool takeFilesAndOverrides(std::vector<std::string>& args, const char* usage,
                           std::vector<std::pair<std::string, std::string>>& overrides) {
    std::vector<std::string> setValues;
    if (!takeOptionValues(args, "--set", setValues) || args.empty()) {
        std::fputs(usage, stderr);
        return false;
    }
    for (const std::string& file : args) {
        if (file.rfind("--", 0) == 0) {
            std::fputs(usage, stderr);
            return false;
        }
    }
    return parseSettingOverrides(setValues, overrides);
}

bool parseSettingOverrides(const std::vector<std::string>& values,
                           std::vector<std::pair<std::string, std::string>>& overrides) {
    for (const std::string& value : values) {
        const auto equals = value.find('=');
        if (equals == std::string::npos || equals == 0) {
            std::fprintf(stderr, "platterscoop-cli: --set needs KEY=VALUE, not \"%s\"\n",
                         value.c_str());
            return false;
        }
        std::string key = value.substr(0, equals);
        if (!isSettingsKey(key)) {
            std::fprintf(stderr, "platterscoop-cli: unknown settings key \"%s\"\n", key.c_str());
            return false;
        }
        overrides.emplace_back(std::move(key), value.substr(equals + 1));
    }
    return true;
}

}  // namespace ps::cli
