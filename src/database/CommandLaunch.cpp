#include "CommandLaunch.h"

#include <cerrno>
#include <exception>

#include "ChildProcess.h"
#include "CommandLineSplit.h"
#include "ProgramSearch.h"
#include "files/ErrorCodes.h"
#include "files/MigrationLog.h"
#include "files/PlatformErrors.h"

namespace synvora {
namespace {

/// Starts the program of the line and answers whether it ended with exit code 0; raises when it
/// cannot be found or started.
bool RunToEnd(const std::string& commandLine) {
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) {
        ThrowPlatformError(ENOENT);
    }
    const std::string programFile = FindProgram(words.front());
    if (programFile.empty()) {
        ThrowPlatformError(ENOENT);
    }
    ChildProcess child = ChildProcess::Start(programFile, words);
    return EndedWithSuccess(child.Wait());
}

}  // namespace

void RunCommand(const std::string& i_sCommandLine) {
    RunCommand(i_sCommandLine, i_sCommandLine);
}

void RunCommand(const std::string& i_sCommandLine, const std::string& i_sCommandLineForLog) {
    bool succeeded = false;
    try {
        succeeded = RunToEnd(i_sCommandLine);
    } catch (const std::exception&) {
        succeeded = false;
    }
    if (!succeeded) {
        WriteLogAndRaise(ErrorCode::kRunCommand, "RunCommand", "Unable to launch " + i_sCommandLineForLog);
    }
}

}  // namespace synvora
