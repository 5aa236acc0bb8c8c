// Programs of a command line on Linux: the line divided as the system it was written for divides
// it, the program looked for as FindProgram says and started directly, never through a shell.

#include "database/ProgramLaunch.h"

#include <cerrno>
#include <chrono>

#include "database/CommandLineSplit.h"
#include "database/posix/ChildProcess.h"
#include "database/posix/ProgramSearch.h"
#include "files/PlatformErrors.h"

namespace synvora {
namespace {

using std::chrono_literals::operator""ms;

/// Often enough for a window to feel alive, seldom enough to cost nothing.
constexpr std::chrono::milliseconds kPollInterval = 100ms;
/// Time a program gets to end after it was asked to.
constexpr std::chrono::milliseconds kStopGrace = 3000ms;

}  // namespace

ProgramEnd LaunchAndWait(const std::string& commandLine, const CommandOptions& options) {
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

}  // namespace synvora
