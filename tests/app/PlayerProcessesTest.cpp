// Several real player processes of one installation at once: starting and closing one must
// never disturb another that is playing (they share the libraries on disk).
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "tools/sample/SampleWriter.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The driven player program, built beside this test.
fs::path PlayerProgram() { return fs::read_symlink("/proc/self/exe").parent_path() / "player_process"; }

pid_t Start(const std::vector<std::string>& args)
{
    std::vector<std::string> all{PlayerProgram().string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

// How the process ended: "exited n", "killed by signal n", or "still running" at the deadline
// (it is then killed).
std::string Finish(pid_t pid, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return "still running";
        }
        std::this_thread::sleep_for(50ms);
    }
    return WIFEXITED(status) ? "exited " + std::to_string(WEXITSTATUS(status))
                             : "killed by signal " + std::to_string(WTERMSIG(status));
}

// WNOWAIT leaves a process that ended to Finish, which tells how.
bool WaitForFile(const fs::path& file, pid_t pid, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    siginfo_t ended{};
    while (!fs::exists(file) && std::chrono::steady_clock::now() < deadline &&
           waitid(P_PID, pid, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid == 0)
        std::this_thread::sleep_for(50ms);
    return fs::exists(file);
}

TEST(PlayerProcesses, StartingAndClosingASecondPlayerNeverDisturbsTheFirst)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testsupport::TempDir dir;
    // As the 16-channel demo, long enough to outlast the test.
    const sample::SampleOptions demo{.channels = 16, .seconds = 120, .reuseGop = true};
    ASSERT_EQ(sample::SampleWriter::Write(dir.File("demo-16ch.vrc"), demo), "");

    const pid_t first = Start({dir.File("demo-16ch.vrc"), dir.File("ready"), dir.File("stop")});
    ASSERT_GT(first, 0);
    if (!WaitForFile(dir / "ready", first, 120s))
        FAIL() << "the first player never played: " << Finish(first, 1s);
    for (int i = 0; i < 5; ++i) {
        const pid_t second = Start({});
        ASSERT_GT(second, 0);
        EXPECT_EQ(Finish(second, 120s), "exited 0") << "second player, start " << i + 1;
    }
    testsupport::WriteBytes(dir.File("stop"), {});
    EXPECT_EQ(Finish(first, 120s), "exited 0") << "first player";
}

} // namespace
