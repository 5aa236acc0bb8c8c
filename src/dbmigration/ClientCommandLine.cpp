#include "ClientCommandLine.h"

#include "dbmigration/JobFiles.h"
#include "files/Paths.h"

namespace synvora {
namespace {

std::string QuotedWhenFolderHasBlank(const std::string& folder, const char* name) {
    std::string path = JoinPath(folder, name);
    if (folder.find(' ') == std::string::npos) {
        return path;
    }
    return '"' + path + '"';
}

std::string CommandLineWithPassword(const DatabaseFields& destination, const std::string& password,
                                    const std::string& folder) {
    return std::string(kClientProgram) + " /n /S " + destination.server + " /U " + destination.user + " /P " +
           password + " /d " + destination.database + " /i " +
           QuotedWhenFolderHasBlank(folder, kPreparedScriptName) + " /o " +
           QuotedWhenFolderHasBlank(folder, kClientOutputName);
}

}  // namespace

ClientCommandLine BuildClientCommandLine(const DatabaseFields& destination, const std::string& folder) {
    const std::string shownPassword = destination.password.empty() ? std::string() : kMaskedPassword;
    return ClientCommandLine{CommandLineWithPassword(destination, destination.password, folder),
                             CommandLineWithPassword(destination, shownPassword, folder)};
}

}  // namespace synvora
