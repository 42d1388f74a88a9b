#include <cstdio>
#include <string>
#include <vector>

#include "cli/command.h"

namespace {

void printUsage(std::FILE* out) {
    std::fprintf(out, "usage: platterscoop-cli COMMAND [OPTIONS]\n\ncommands:\n");
    for (const auto& [name, command] : ps::cli::commandRegistry()) {
        std::fprintf(out, "  %s\n", command.usage.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(stdout);
        return 0;
    }
    auto& registry = ps::cli::commandRegistry();
    auto it = registry.find(name);
    if (it == registry.end()) {
        std::fprintf(stderr, "platterscoop-cli: unknown command \"%s\"\n", name.c_str());
        printUsage(stderr);
        return 2;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    return it->second.run(args);
}
