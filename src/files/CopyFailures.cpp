#include "CopyFailures.h"

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
    if (!m_first) {
        return;
    }
    try {
        std::rethrow_exception(m_first);
    } catch (const MigrationError& failure) {
        throw FolderCopyError(failure, m_firstCause);
    }
}

void CopyFailures::Note(const CopiedEntry& entry, const MigrationError& failure, std::exception_ptr raised) {
    m_driveGone = m_driveGone || failure.Number() == PlatformError::kDiskNotReady;
    if (!m_first) {
        m_first = std::move(raised);
        // A failure that already names its entry (a subfolder's copy raised it) keeps that name.
        const auto* inner = dynamic_cast<const FolderCopyError*>(&failure);
        m_firstCause = inner != nullptr ? inner->Cause() : CauseOf(entry, failure);
    }
}

}  // namespace synvora
