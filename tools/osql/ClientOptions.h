#pragma once

#include <optional>
#include <string>
#include <vector>

namespace synvora::osql {

/// What the command line asks the client to do.
struct ClientOptions {
    std::string server;                     // /S
    std::string user;                       // /U
    std::string password;                   // /P; empty when not given
    bool passwordGiven = false;             // /P was on the command line, even empty
    std::string database;                   // /d; empty: the login's default database
    std::optional<std::string> inputFile;   // /i; standard input when absent
    std::optional<std::string> outputFile;  // /o; standard output when absent
    bool linePrompts = true;                // the "1> 2> " prompts; /n turns them off
    bool echoInput = false;                 // /e
    bool stopOnError = false;               // /b
    int loginTimeoutSeconds = 15;           // /l or /t
    bool showUsage = false;                 // /?
};

/// Reads the client's arguments (without the program name). A switch starts with "/" or "-"; its
/// letter is case-sensitive; a value follows attached ("/Sserver") or as the next word. A value
/// switch followed directly by another switch word ("/P /d db") has an empty value, which only
/// the password may have. Raises MigrationError (kClientUsage) with a message for the user; the
/// message never repeats the password or a word that may be part of it.
ClientOptions ParseClientArguments(const std::vector<std::string>& args);

/// The output file (/o) of a command line, read by the same word rules, also when the command line
/// is refused otherwise: the reason for the refusal belongs there.
std::optional<std::string> FindOutputFile(const std::vector<std::string>& args);

/// Environment variable that holds the password when /P is not given, so that the password need not
/// stand on a command line that every user of the machine can read.
inline constexpr const char* kPasswordVariable = "OSQLPASSWORD";

/// The usage text shown for /? and after a usage error.
std::string ClientUsage();

}  // namespace synvora::osql
