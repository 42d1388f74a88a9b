#include "platform/linux/process_linux.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "audio/audio_fixtures.h"

namespace ps {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<Process> Spawn(ProcessSpec command) {
    LinuxProcessLauncher launcher;
    std::string error;
    auto process = launcher.spawn(command, error);
    EXPECT_NE(process, nullptr) << error;
    return process;
}

TEST(LinuxProcess, ExitCodeAndWorkingDirectory) {
    test::TempDir dir;
    // A bare name is looked up in PATH; the script sees its arguments unchanged.
    auto process = Spawn({{"sh", "-c", "pwd > out.txt; [ \"$1\" = 'a b' ] && exit 7", "sh", "a b"},
                          dir.path().string()});
    ASSERT_NE(process, nullptr);
    ASSERT_TRUE(process->wait(10s));
    EXPECT_EQ(process->status().state, ProcessStatus::State::Exited);
    EXPECT_EQ(process->status().code, 7);
    const test::Bytes out = test::ReadAll(dir.file("out.txt"));
    EXPECT_EQ(std::string(out.begin(), out.end()),
              std::filesystem::canonical(dir.path()).string() + "\n");
}

TEST(LinuxProcess, WaitTimesOutAndKillEndsTheWholeGroup) {
    test::TempDir dir;
    // The shell's child would outlive a kill of the shell alone and write the marker.
    auto process =
        Spawn({{"/bin/sh", "-c", "(sleep 1; touch " + dir.file("late") + ") & wait"}, ""});
    ASSERT_NE(process, nullptr);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(process->wait(50ms));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 3s);  // it returned; no hang
    EXPECT_EQ(process->status().state, ProcessStatus::State::Running);
    process->kill();
    ASSERT_TRUE(process->wait(5s));
    EXPECT_EQ(process->status().state, ProcessStatus::State::Signalled);
    std::this_thread::sleep_for(1500ms);
    EXPECT_FALSE(std::filesystem::exists(dir.file("late")));
}

TEST(LinuxProcess, FailuresToStart) {
    LinuxProcessLauncher launcher;
    std::string error;
    EXPECT_EQ(launcher.spawn({{"/nonexistent/encoder"}, ""}, error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(launcher.spawn({{"/bin/sh", "-c", "true"}, "/nonexistent/directory"}, error),
              nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(launcher.spawn({{}, ""}, error), nullptr);
}

}  // namespace
}  // namespace ps
