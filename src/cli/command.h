#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ps::cli {

// A sub-command of platterscoop-cli. `run` gets the arguments after the command name
// and returns the process exit status (0 only on success).
struct Command {
    std::string name;
    std::string usage;
    std::function<int(const std::vector<std::string>& args)> run;
};

std::map<std::string, Command>& commandRegistry();

// Each command file registers itself with a static instance of this.
struct RegisterCommand {
    explicit RegisterCommand(Command command);
};

// Small helpers shared by the commands' argument parsing.
bool takeFlag(std::vector<std::string>& args, const std::string& flag);
// Removes every "--name VALUE" (or "--name=VALUE") and returns the values in order.
// Returns false when a flag lacks its value.
bool takeOptionValues(std::vector<std::string>& args, const std::string& flag,
                      std::vector<std::string>& values);

}  // namespace ps::cli
