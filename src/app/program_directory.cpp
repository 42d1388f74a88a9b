#include "app/program_directory.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ps {

namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string configHome(const ProgramLocationInputs& inputs) {
    if (!inputs.xdgConfigHome.empty() && inputs.xdgConfigHome.front() == '/') {
        return withoutTrailingSlash(inputs.xdgConfigHome);
    }
    return pathInDirectory(inputs.home.empty() ? "/" : inputs.home, ".config");
}

// Reads XDG_MUSIC_DIR="$HOME/Music" from user-dirs.dirs, expanding $HOME.
std::string musicDirFromUserDirs(const ProgramLocationInputs& inputs) {
    std::ifstream file(pathInDirectory(configHome(inputs), "user-dirs.dirs"));
    std::string line;
    const std::string prefix = "XDG_MUSIC_DIR=\"";
    while (std::getline(file, line)) {
        if (line.rfind(prefix, 0) != 0 || line.size() <= prefix.size() || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        if (value.rfind("$HOME", 0) == 0) {
            value = inputs.home + value.substr(5);
        }
        if (!value.empty() && value.front() == '/') {
            return withoutTrailingSlash(value);
        }
    }
    return {};
}

}  // namespace

ProgramLocationInputs programLocationFromEnvironment(const std::string& executableDir) {
    ProgramLocationInputs inputs;
    inputs.homeOverride = environmentValue("PLATTERSCOOP_HOME");
    inputs.executableDir = executableDir;
    inputs.xdgConfigHome = environmentValue("XDG_CONFIG_HOME");
    inputs.xdgMusicDir = environmentValue("XDG_MUSIC_DIR");
    inputs.home = environmentValue("HOME");
    return inputs;
}

std::string pathInDirectory(const std::string& directory, const std::string& name) {
    if (directory.empty()) {
        return name;
    }
    if (directory.back() == '/') {
        return directory + name;
    }
    return directory + "/" + name;
}

std::string resolveProgramDirectory(const ProgramLocationInputs& inputs) {
    namespace fs = std::filesystem;
    if (!inputs.homeOverride.empty()) {
        std::error_code error;
        const fs::path absolute = fs::absolute(inputs.homeOverride, error);
        return withoutTrailingSlash(error ? inputs.homeOverride
                                          : absolute.lexically_normal().string());
    }
    if (!inputs.executableDir.empty()) {
        std::error_code error;
        if (fs::is_regular_file(pathInDirectory(inputs.executableDir, "platterscoop.ini"), error)) {
            return withoutTrailingSlash(inputs.executableDir);
        }
    }
    return pathInDirectory(configHome(inputs), "platterscoop");
}

std::string defaultMusicDirectory(const ProgramLocationInputs& inputs) {
    if (!inputs.xdgMusicDir.empty() && inputs.xdgMusicDir.front() == '/') {
        return withoutTrailingSlash(inputs.xdgMusicDir);
    }
    if (std::string fromFile = musicDirFromUserDirs(inputs); !fromFile.empty()) {
        return fromFile;
    }
    return pathInDirectory(inputs.home.empty() ? "/" : inputs.home, "Music");
}

bool ensureDirectory(const std::string& directory) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    return std::filesystem::is_directory(directory, error);
}

}  // namespace ps
