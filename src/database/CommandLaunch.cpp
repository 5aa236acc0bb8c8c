#include "CommandLaunch.h"

#include <cerrno>
#include <chrono>
#include <exception>

#include "CommandLineSplit.h"
#include "database/posix/ChildProcess.h"
#include "database/posix/ProgramSearch.h"
#include "files/ErrorCodes.h"
#include "files/MigrationLog.h"
#include "files/PlatformErrors.h"

namespace synvora {
namespace {

using std::chrono_literals::operator""ms;

/// Often enough for a window to feel alive, seldom enough to cost nothing.
constexpr std::chrono::milliseconds kPollInterval = 100ms;
/// Time a program gets to end after it was asked to.
constexpr std::chrono::milliseconds kStopGrace = 3000ms;

/// How the program of a line ended; raises when it cannot be found or started.
struct ProgramEnd {
    bool succeeded = false;
    bool stopped = false;
};

ProgramEnd RunToEnd(const std::string& commandLine, const CommandOptions& options) {
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) {
        ThrowPlatformError(ENOENT);
    }
    const std::string programFile = FindProgram(words.front());
    if (programFile.empty()) {
        ThrowPlatformError(ENOENT);
    }
    ChildProcess child = ChildProcess::Start(programFile, words, options.environment);
    if (!options.whileRunning) {
        return ProgramEnd{EndedWithSuccess(child.Wait()), false};
    }
    const ChildProcess::End end = child.WaitWhile(options.whileRunning, kPollInterval, kStopGrace);
    return ProgramEnd{EndedWithSuccess(end.waitStatus), end.stopped};
}

}  // namespace

void RunCommand(const std::string& i_sCommandLine) {
    RunCommand(i_sCommandLine, CommandOptions{});
}

void RunCommand(const std::string& i_sCommandLine, const std::string& i_sCommandLineForLog) {
    CommandOptions options;
    options.commandLineForLog = i_sCommandLineForLog;
    RunCommand(i_sCommandLine, options);
}

CommandEnd RunCommand(const std::string& i_sCommandLine, const CommandOptions& options) {
    ProgramEnd end;
    try {
        end = RunToEnd(i_sCommandLine, options);
    } catch (const std::exception&) {
        end = ProgramEnd{};
    }
    if (end.stopped) {
        return CommandEnd::kStopped;
    }
    if (!end.succeeded) {
        const std::string& shown =
            options.commandLineForLog.empty() ? i_sCommandLine : options.commandLineForLog;
        WriteLogAndRaise(ErrorCode::kRunCommand, "RunCommand", "Unable to launch " + shown);
    }
    return CommandEnd::kCompleted;
}

}  // namespace synvora
