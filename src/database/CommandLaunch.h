#pragma once

#include <string>

namespace synvora {

/// Runs a command line (program and arguments in one string) hidden and waits until the program
/// ends. The line is divided into words as SplitCommandLine says and the program is started
/// directly, never through a shell, so no character of it is interpreted; a bare program name is
/// looked for as FindProgram says. Standard input, output and error are /dev/null. When the
/// program cannot be found or started, or ends with an exit code other than 0 or by a signal,
/// the entry "Unable to launch " + command line is written under "RunCommand" and the error
/// raised.
void RunCommand(const std::string& i_sCommandLine);

/// As above, but the log entry and the raised error's description show i_sCommandLineForLog in
/// place of the command line that is run, so that a password on the line stays out of the log.
void RunCommand(const std::string& i_sCommandLine, const std::string& i_sCommandLineForLog);

}  // namespace synvora
