#include "cli/command.h"

namespace ps::cli {

std::map<std::string, Command>& commandRegistry() {
    static std::map<std::string, Command> registry;
    return registry;
}

RegisterCommand::RegisterCommand(Command command) {
    auto name = command.name;
    commandRegistry().emplace(std::move(name), std::move(command));
}

bool takeFlag(std::vector<std::string>& args, const std::string& flag) {
    bool found = false;
    for (auto it = args.begin(); it != args.end();) {
        if (*it == flag) {
            it = args.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found;
}

bool takeOptionValues(std::vector<std::string>& args, const std::string& flag,
                      std::vector<std::string>& values) {
    const std::string withEquals = flag + "=";
    for (auto it = args.begin(); it != args.end();) {
        if (*it == flag) {
            if (std::next(it) == args.end()) {
                return false;
            }
            values.push_back(*std::next(it));
            it = args.erase(it, std::next(it, 2));
        } else if (it->rfind(withEquals, 0) == 0) {
            values.push_back(it->substr(withEquals.size()));
            it = args.erase(it);
        } else {
            ++it;
        }
    }
    return true;
}

}  // namespace ps::cli
