#pragma once

#include <string>

#include "dbmigration/DatabaseJobHost.h"

namespace synvora {

/// Name of the command-line client, found beside the wizard or through PATH.
inline constexpr const char* kClientProgram = "osql.exe";
/// What the log shows in place of a password.
inline constexpr const char* kMaskedPassword = "********";

/// The client's command line twice: the one that is run, and the same with the password masked
/// for the log.
struct ClientCommandLine {
    std::string line;
    std::string lineForLog;
};

/// "osql.exe /n /S " server " /U " user " /P " password " /d " database " /i " input " /o " output,
/// with the prepared script as input and the client output file as output, both in the folder.
/// When the folder contains a blank both file paths are enclosed in double quotes, otherwise they
/// stand bare; server, user, password and database are never quoted, so a blank in them splits
/// the word. In lineForLog the password is "********"; an empty password stays empty there.
ClientCommandLine BuildClientCommandLine(const DatabaseFields& destination, const std::string& folder);

}  // namespace synvora
