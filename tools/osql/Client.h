#pragma once

#include <string>
#include <vector>

namespace synvora::osql {

/// The whole client run, from the arguments (without the program name) to the exit code: 0 when
/// the script was run (whether or not its batches succeeded), 1 for a usage error, an output or
/// input that cannot be written or read, a failed login, a lost connection, or, with /b, the
/// first failing batch. The reason for a 1 stands in the output file (also for a refused command
/// line that names one), or on standard error when there is none or it cannot be written. Without
/// /P the password comes from the environment variable OSQLPASSWORD. The caller prepares data
/// access first.
int RunClient(const std::vector<std::string>& args);

}  // namespace synvora::osql
