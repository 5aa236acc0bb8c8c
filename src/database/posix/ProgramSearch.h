#pragma once

#include <string>

namespace synvora {

/// Where a program named on a command line is started from. A name that holds a folder ("/") is
/// used as given. A bare name is looked for in the running program's own folder first, so that
/// tools delivered beside the wizard win, and then in the folders of PATH (empty entries, which
/// would mean the current directory, are skipped). Returns "" when no executable file is found.
std::string FindProgram(const std::string& name);

}  // namespace synvora
