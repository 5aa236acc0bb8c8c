#include "CommandLaunch.h"

#include <exception>

#include "database/ProgramLaunch.h"
#include "files/ErrorCodes.h"
#include "files/MigrationLog.h"

namespace synvora {

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
        end = LaunchAndWait(i_sCommandLine, options);
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
