#pragma once

#include <functional>
#include <string>
#include <vector>

namespace synvora {

/// Runs a command line (program and arguments in one string) hidden and waits until the program
/// ends (ProgramLaunch.h). On Linux the line is divided into words as SplitCommandLine says and
/// the program is started directly, never through a shell, so no character of it is interpreted;
/// a bare program name is looked for as FindProgram says. Standard input, output and error are
/// /dev/null. When the
/// program cannot be found or started, or ends with an exit code other than 0 or by a signal,
/// the entry "Unable to launch " + command line is written under "RunCommand" and the error
/// raised.
void RunCommand(const std::string& i_sCommandLine);

/// As above, but the log entry and the raised error's description show i_sCommandLineForLog in
/// place of the command line that is run, so that a password on the line stays out of the log.
void RunCommand(const std::string& i_sCommandLine, const std::string& i_sCommandLineForLog);

/// What RunCommand needs beyond the command line.
struct CommandOptions {
    /// Shown by the log entry and the raised error in place of the command line; the line itself
    /// when empty.
    std::string commandLineForLog;
    /// "NAME=value" settings for the program alone, on top of this process's environment. A secret
    /// handed over this way stands on no command line, which every user of the machine can read.
    std::vector<std::string> environment;
    /// Called on the calling thread while the program runs: right after the start, then about ten
    /// times a second, so that a window can stay alive. Answering false stops the program: it is
    /// asked to end and killed when it has not ended within a few seconds. Empty: a plain wait.
    std::function<bool()> whileRunning;
};

enum class CommandEnd {
    kCompleted,  // the program ended by itself with exit code 0
    kStopped,    // whileRunning stopped it; nothing is logged for that
};

/// RunCommand as above, with the options.
CommandEnd RunCommand(const std::string& i_sCommandLine, const CommandOptions& options);

}  // namespace synvora
