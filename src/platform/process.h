#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace ps {

// A program to start: the arguments go to it exactly as they are, one by one; no shell
// ever sees them.
struct ProcessSpec {
    std::vector<std::string> arguments;  // arguments[0] is the program
    std::string workingDirectory;        // empty: the caller's
};

struct ProcessStatus {
    enum class State { Running, Exited, Signalled };
    State state = State::Running;
    int code = 0;  // the exit code, or the signal that ended it
};

// A started process. Destroying the object does not end the process.
class Process {
  public:
    virtual ~Process() = default;
    // Waits at most `timeout` for the process to end; true when it has ended.
    virtual bool wait(std::chrono::milliseconds timeout) = 0;
    // Ends the process and everything it started, at once.
    virtual void kill() = 0;
    virtual ProcessStatus status() const = 0;
};

class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;
    // Starts the program; null with `error` set (a text for the user) when it cannot.
    virtual std::unique_ptr<Process> spawn(const ProcessSpec& command, std::string& error) = 0;
};

}  // namespace ps
