#include "MigrationLog.h"

#include "FileSystem.h"
#include "MigrationError.h"
#include "Paths.h"
#include "TextFiles.h"

namespace synvora {
namespace {

std::string FormatEntry(std::int32_t number, const std::string& source, const std::string& message) {
    std::string entry = std::to_string(number);
    entry += ' ';
    entry += source;
    entry += kCrLf;
    entry += message;
    entry += kCrLf;
    entry += kCrLf;
    entry += kCrLf;
    return entry;
}

}  // namespace

void WriteLog(std::int32_t number, const std::string& source, const std::string& message, bool raise) {
    try {
        FileSystem& fs = TheFileSystem();
        const std::string path = JoinPath(CurrentDirectory(), kMigrationLogName);
        if (!fs.FileExists(path)) {
            CreateTextFile(fs, path);
        }
        AppendText(fs, path, FormatEntry(number, source, message));
    } catch (...) {
        // The cause of a log failure is reported nowhere; the caller's failure still travels on.
        raise = true;
    }
    if (raise) {
        throw MigrationError(number, source, message);
    }
}

void WriteLogAndRaise(std::int32_t number, const std::string& source, const std::string& message) {
    WriteLog(number, source, message, true);
    throw MigrationError(number, source, message);  // not reached: WriteLog raised already
}

}  // namespace synvora
