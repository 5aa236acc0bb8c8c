#include "CopyFailures.h"

#include <cstdio>
#include <iterator>
#include <utility>

#include "ErrorCodes.h"
#include "PlatformErrors.h"

namespace synvora {
namespace {

std::string CauseOf(const CopiedEntry& entry, const MigrationError& failure) {
    const std::string what = entry.path.empty() ? std::string("The folder's content")
                             : entry.folder     ? "The folder '" + entry.path + "'"
                                                : "The file '" + entry.path + "'";
    return what + " was not copied: " + failure.Reason() + ".";
}

}  // namespace

FolderCopyError::FolderCopyError(const MigrationError& failure, std::string cause)
    : MigrationError(failure.Number(), failure.Source(), failure.Description(), failure.Reason()),
      m_cause(std::move(cause)) {}

CopiedEntry CopiedEntry::Child(const std::string& name, bool isFolder) const {
    return {path.empty() ? name : path + "/" + name, isFolder};
}

void RaiseSourceChanged() {
    ThrowPlatformErrorNumber(PlatformError::kPathFileAccessError, "the file changed while it was copied");
}

void RaiseNoRoom(std::uint64_t needed, std::uint64_t free) {
    std::string neededText = ReadableSize(needed);
    std::string freeText = ReadableSize(free);
    if (neededText == freeText) {  // too close to tell apart in three digits
        neededText = std::to_string(needed) + " bytes";
        freeText = std::to_string(free) + " bytes";
    }
    ThrowPlatformErrorNumber(PlatformError::kDiskFull, "the copy needs " + neededText + ", but only " +
                                                           freeText + " are free at the destination");
}

std::string ReadableSize(std::uint64_t bytes) {
    constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1024) {
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    }
    double size = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    // 1023.5 KB would print as "1024 KB": the next unit reads better.
    while (size >= 999.5 && unit + 1 < std::size(kUnits)) {
        size /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text,
                  size < 9.995   ? "%.2f %s"
                  : size < 99.95 ? "%.1f %s"
                                 : "%.0f %s",
                  size, kUnits[unit]);
    return text;
}

bool IsDriveGone(const std::exception_ptr& failure) {
    if (!failure) {
        return false;
    }
    try {
        std::rethrow_exception(failure);
    } catch (const MigrationError& error) {
        return error.Number() == PlatformError::kDiskNotReady;
    } catch (...) {
        return false;
    }
}

void CopyFailures::RaiseFirst() const {
    std::exception_ptr first;
    std::string cause;
    {
        const std::lock_guard lock(m_mutex);
        first = m_first;
        cause = m_firstCause;
    }
    if (!first) {
        return;
    }
    try {
        std::rethrow_exception(first);
    } catch (const MigrationError& failure) {
        throw FolderCopyError(failure, cause);
    }
}

void CopyFailures::Note(const CopiedEntry& entry, const MigrationError& failure, std::exception_ptr raised) {
    const bool driveGone = failure.Number() == PlatformError::kDiskNotReady;
    const std::lock_guard lock(m_mutex);
    // The drive going away is what ends the copy, so it is the failure told, also when a file on
    // another worker failed a moment earlier (often of the same cause, seen another way).
    if (!m_first || (driveGone && !m_driveGone)) {
        m_first = std::move(raised);
        // A failure that already names its entry (a subfolder's copy raised it) keeps that name.
        const auto* inner = dynamic_cast<const FolderCopyError*>(&failure);
        m_firstCause = inner != nullptr ? inner->Cause() : CauseOf(entry, failure);
    }
    if (driveGone) {
        m_driveGone = true;
    }
}

}  // namespace synvora
