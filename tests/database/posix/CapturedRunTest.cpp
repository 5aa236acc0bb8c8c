#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "database/posix/CapturedRun.h"
#include "files/MigrationError.h"
#include "support/TempDir.h"

namespace synvora {
namespace {

using namespace std::chrono_literals;

CapturedRun RunShell(const std::string& script, const std::vector<std::string>& environment,
                     std::chrono::milliseconds limit = 60s) {
    return RunCapturingOutput("/bin/sh", {"sh", "-c", script}, environment, limit);
}

TEST(CapturedRunTest, BothStreamsAndTheExitCodeComeBackWithExactlyTheGivenEnvironment) {
    const CapturedRun run = RunShell(
        "echo \"out $GREETING\"; echo \"err ${HOME-no home}\" >&2; head -c 70000 /dev/zero | tr '\\0' x; "
        "exit 3",
        {"GREETING=hello", "PATH=/usr/bin:/bin"});
    EXPECT_FALSE(run.timedOut);
    ASSERT_TRUE(WIFEXITED(run.waitStatus));
    EXPECT_EQ(WEXITSTATUS(run.waitStatus), 3);
    // More than a pipe holds: read while the program runs, not only at its end.
    EXPECT_EQ(run.output, "out hello\n" + std::string(70000, 'x'));
    EXPECT_EQ(run.errors, "err no home\n") << "nothing of this process's environment is passed on";

    const CapturedRun flood = RunShell("head -c 3000000 /dev/zero; echo done >&2", {"PATH=/usr/bin:/bin"});
    EXPECT_FALSE(flood.timedOut) << "the program is never left blocked on a full pipe";
    EXPECT_EQ(flood.output.size(), kMaxCapturedBytes);
    EXPECT_EQ(flood.errors, "done\n");
}

TEST(CapturedRunTest, AProgramStillRunningAtTheLimitIsEndedAndAMissingOneRaises) {
    const CapturedRun run = RunShell("echo started; exec sleep 60", {"PATH=/usr/bin:/bin"}, 300ms);
    EXPECT_TRUE(run.timedOut);
    ASSERT_TRUE(WIFSIGNALED(run.waitStatus));
    EXPECT_EQ(WTERMSIG(run.waitStatus), SIGKILL);
    EXPECT_EQ(run.output, "started\n") << "what came before the limit is kept";

    EXPECT_THROW(RunCapturingOutput("/nonexistent/net", {"net"}, {}, 1s), MigrationError);
}

bool Ended(pid_t pid) {
    // A child that died waits as a zombie until whoever inherited it reaps it.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidField, name, state;
    return !(stat >> pidField >> name >> state) || state == "Z";
}

TEST(CapturedRunTest, TheProgramEndsWhenItsCallerIsKilled) {
    test::TempDir dir;
    const std::string pidFile = dir / "pid";
    const pid_t caller = ::fork();
    ASSERT_GE(caller, 0);
    if (caller == 0) {
        RunShell("echo $$ > '" + pidFile + "'; exec sleep 60", {"PATH=/usr/bin:/bin"});
        ::_exit(0);
    }
    pid_t program = 0;
    for (int poll = 0; poll < 1000 && program == 0; ++poll) {
        std::ifstream(pidFile) >> program;
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GT(program, 0);
    ::kill(caller, SIGKILL);
    int status = 0;
    ::waitpid(caller, &status, 0);
    bool ended = false;
    for (int poll = 0; poll < 1000 && !ended; ++poll) {
        ended = Ended(program);
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(ended) << "the program outlived the one that started it";
    if (!ended) {
        ::kill(program, SIGKILL);
    }
}

}  // namespace
}  // namespace synvora
