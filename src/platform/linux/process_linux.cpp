#include "platform/linux/process_linux.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

extern char** environ;

namespace ps {

namespace {

class LinuxProcess final : public Process {
  public:
    explicit LinuxProcess(pid_t pid) : pid_(pid) {}

    ~LinuxProcess() override {
        std::lock_guard lock(mutex_);
        if (!reaped_) {
            // Left running on purpose; still no zombie once it ends.
            std::thread([pid = pid_] { ::waitpid(pid, nullptr, 0); }).detach();
        }
    }

    bool wait(std::chrono::milliseconds timeout) override {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (poll()) {
                return true;
            }
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                deadline - now, std::chrono::milliseconds(5)));
        }
    }

    void kill() override {
        std::lock_guard lock(mutex_);
        if (!reaped_) {
            ::kill(-pid_, SIGKILL);
            ::kill(pid_, SIGKILL);
        }
    }

    ProcessStatus status() const override {
        std::lock_guard lock(mutex_);
        return status_;
    }

  private:
    bool poll() {
        std::lock_guard lock(mutex_);
        if (reaped_) {
            return true;
        }
        int raw = 0;
        const pid_t got = ::waitpid(pid_, &raw, WNOHANG);
        if (got == 0 || (got < 0 && errno == EINTR)) {
            return false;
        }
        reaped_ = true;
        if (got < 0) {
            status_ = {ProcessStatus::State::Exited, -1};
        } else if (WIFSIGNALED(raw)) {
            status_ = {ProcessStatus::State::Signalled, WTERMSIG(raw)};
        } else {
            status_ = {ProcessStatus::State::Exited, WEXITSTATUS(raw)};
        }
        return true;
    }

    const pid_t pid_;
    mutable std::mutex mutex_;
    bool reaped_ = false;
    ProcessStatus status_;
};

}  // namespace

std::unique_ptr<Process> LinuxProcessLauncher::spawn(const ProcessSpec& command,
                                                     std::string& error) {
    error.clear();
    if (command.arguments.empty() || command.arguments[0].empty()) {
        error = "no program";
        return nullptr;
    }
    std::vector<char*> argv;
    argv.reserve(command.arguments.size() + 1);
    for (const auto& argument : command.arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // An encoder's progress display would only scribble over the program's own output.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!command.workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, command.workingDirectory.c_str());
    }
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);

    pid_t pid = 0;
    const bool searchPath = command.arguments[0].find('/') == std::string::npos;
    const int result =
        searchPath ? posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ)
                   : posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        error = std::strerror(result);
        return nullptr;
    }
    return std::make_unique<LinuxProcess>(pid);
}

}  // namespace ps
