#pragma once

#include <string>

#include "database/CommandLaunch.h"

namespace synvora {

/// How the program of a command line ended.
struct ProgramEnd {
    /// It ended by itself with exit code 0.
    bool succeeded = false;
    /// whileRunning stopped it.
    bool stopped = false;
};

/// Starts the program of a command line hidden, with the options' environment settings, and
/// waits for its end, calling options.whileRunning as CommandOptions says. Raises MigrationError
/// (a platform error) when the program cannot be found or started. Platform layer: on Linux the
/// line is divided as SplitCommandLine says and the program started without a shell
/// (database/posix/ProgramLaunch.cpp).
ProgramEnd LaunchAndWait(const std::string& commandLine, const CommandOptions& options);

}  // namespace synvora
