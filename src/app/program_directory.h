#pragma once

#include <string>

namespace ps {

// Where the program keeps its files. Read from the environment once at start-up.
struct ProgramLocationInputs {
    std::string homeOverride;   // PLATTERSCOOP_HOME
    std::string executableDir;  // directory of the running program file
    std::string xdgConfigHome;  // XDG_CONFIG_HOME
    std::string xdgMusicDir;    // XDG_MUSIC_DIR, when the environment names it
    std::string home;           // HOME
};

ProgramLocationInputs programLocationFromEnvironment(const std::string& executableDir);

// The program directory, without a trailing "/" (except for the root itself):
// PLATTERSCOOP_HOME, else the executable's directory when a platterscoop.ini lies beside
// it (a portable installation), else $XDG_CONFIG_HOME/platterscoop, else
// ~/.config/platterscoop.
std::string resolveProgramDirectory(const ProgramLocationInputs& inputs);

// The user's music directory: XDG_MUSIC_DIR, the entry of user-dirs.dirs, else ~/Music.
std::string defaultMusicDirectory(const ProgramLocationInputs& inputs);

// A file in a directory, joined so that the root directory gives one separator.
std::string pathInDirectory(const std::string& directory, const std::string& name);

// Creates the directory and its parents; true when it exists afterwards.
bool ensureDirectory(const std::string& directory);

}  // namespace ps
