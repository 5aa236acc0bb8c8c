#include "ClientCommandLine.h"

#include "database/CommandLineSplit.h"
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

std::string LineForLog(const DatabaseFields& destination, const std::string& folder) {
    const std::string shownPassword = destination.password.empty() ? std::string() : kMaskedPassword;
    return std::string(kClientProgram) + " /n /S " + destination.server + " /U " + destination.user + " /P " +
           shownPassword + " /d " + destination.database + " /i " +
           QuotedWhenFolderHasBlank(folder, kPreparedScriptName) + " /o " +
           QuotedWhenFolderHasBlank(folder, kClientOutputName);
}

/// The client takes a word of two characters that starts like a switch ("/d", "-b") for a switch of
/// its own even where a value is due; such a value goes attached to its switch ("/U-b").
bool ReadAsSwitch(const std::string& value) {
    return value.size() == 2 && (value.front() == '/' || value.front() == '-');
}

std::string Switch(const char* name, const std::string& value) {
    return std::string(" ") + name + (ReadAsSwitch(value) ? "" : " ") + QuoteCommandLineWord(value);
}

std::string LineToRun(const DatabaseFields& destination, const std::string& folder) {
    return std::string(kClientProgram) + " /n" + Switch("/S", destination.server) +
           Switch("/U", destination.user) + Switch("/d", destination.database) +
           Switch("/i", JoinPath(folder, kPreparedScriptName)) +
           Switch("/o", JoinPath(folder, kClientOutputName));
}

}  // namespace

ClientCommandLine BuildClientCommandLine(const DatabaseFields& destination, const std::string& folder) {
    return ClientCommandLine{LineToRun(destination, folder), LineForLog(destination, folder),
                             std::string(kClientPasswordVariable) + "=" + destination.password};
}

}  // namespace synvora
