#pragma once

#include <string>

#include "dbmigration/DatabaseJobHost.h"

namespace synvora {

/// Name of the command-line client, found beside the wizard or through PATH.
inline constexpr const char* kClientProgram = "osql.exe";
/// What the log shows in place of a password.
inline constexpr const char* kMaskedPassword = "********";
/// The client reads the password from this environment variable when no /P is given.
inline constexpr const char* kClientPasswordVariable = "OSQLPASSWORD";

/// How the client is started: the command line that is run, the same line as the log shows it,
/// and the password, which travels in the client's environment instead of on the line.
struct ClientCommandLine {
    std::string line;
    std::string lineForLog;
    /// "OSQLPASSWORD=" followed by the password.
    std::string passwordSetting;
};

/// line: "osql.exe /n /S " server " /U " user " /d " database " /i " input " /o " output, with the
/// prepared script as input and the client output file as output, both in the folder. Every value
/// is written so that the client receives it whole, whatever it holds (see QuoteCommandLineWord);
/// one the client would read as a switch of its own ("/d", "-b") is attached to its switch.
///
/// lineForLog: "osql.exe /n /S " server " /U " user " /P ******** /d " database " /i " input
/// " /o " output, the values as typed, and both file paths enclosed in double quotes exactly when
/// the folder contains a blank. An empty password stays empty there.
ClientCommandLine BuildClientCommandLine(const DatabaseFields& destination, const std::string& folder);

}  // namespace synvora
