#pragma once

#include <sys/wait.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <string>

namespace ps::test {

struct CliRun {
    int status = -1;
    std::string output;  // standard output, and standard error when asked for
};

// A program directory of its own for a command-line run, removed afterwards.
class CliHome {
  public:
    CliHome() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("ps-cli-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~CliHome() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Runs platterscoop-cli with the given environment assignments and arguments.
inline CliRun runCli(const CliHome& home, const std::string& environment,
                     const std::string& arguments, bool withErrors = true) {
    const std::string command = "env PLATTERSCOOP_HOME='" + home.path().string() + "' " +
                                environment + " " + PS_CLI_PATH + " " + arguments +
                                (withErrors ? " 2>&1" : " 2>/dev/null");
    CliRun run;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        run.output.append(chunk, n);
    }
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

}  // namespace ps::test
