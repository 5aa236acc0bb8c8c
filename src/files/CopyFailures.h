#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>

#include "MigrationError.h"

namespace synvora {

/// The failure of a folder copy, with its cause for the log: the first entry of the copied folder
/// that failed, named below that folder, and the system's reason for it.
class FolderCopyError : public MigrationError {
public:
    FolderCopyError(const MigrationError& failure, std::string cause);

    /// "The file 'sub/b.gif' was not copied: No space left on device."
    const std::string& Cause() const noexcept { return m_cause; }

private:
    std::string m_cause;
};

/// An entry of a copied folder, named by its path below that folder ("" for the folder itself).
struct CopiedEntry {
    std::string path;
    bool folder = false;

    /// The entry of that name in this folder.
    CopiedEntry Child(const std::string& name, bool isFolder) const;
};

/// Raises the failure of a file whose size or modification time at the end of its copy differs
/// from what the copy started with: what arrived may be parts of two versions of it.
[[noreturn]] void RaiseSourceChanged();

/// Raises the failure of a copy that does not fit at its destination: "the copy needs 1.50 GB, but
/// only 812 MB are free at the destination" (61 "Disk full").
[[noreturn]] void RaiseNoRoom(std::uint64_t needed, std::uint64_t free);

/// A size as people read it: "812 bytes", "4.00 KB", "1.50 GB" (steps of 1024, three digits).
std::string ReadableSize(std::uint64_t bytes);

/// True for the failure of a drive that is no longer ready (a share whose server went away): no
/// further file of it can be read, so a copy does not try the rest one by one.
bool IsDriveGone(const std::exception_ptr& failure);

/// The failures of a folder copy, which goes on past a failing entry so that it copies as much as
/// it can: the first failure is kept to be raised at the end, and a drive that is no longer ready
/// tells the copy to start nothing more. Workers of one copy note their failures from several
/// threads; the first one noted counts as the first, unless a later one is the drive's going
/// away, which then counts as the first.
class CopyFailures {
public:
    /// Runs the step of the copy that copies the entry; a failure of it is noted instead of
    /// ending the copy.
    template <typename Step>
    void Attempt(const CopiedEntry& entry, Step&& step) {
        try {
            step();
        } catch (const MigrationError& failure) {
            Note(entry, failure, std::current_exception());
        }
    }
    bool DriveGone() const noexcept { return m_driveGone; }
    /// Raises the first failure as a FolderCopyError, if there was one.
    void RaiseFirst() const;

private:
    void Note(const CopiedEntry& entry, const MigrationError& failure, std::exception_ptr raised);

    mutable std::mutex m_mutex;
    std::exception_ptr m_first;
    std::string m_firstCause;
    std::atomic<bool> m_driveGone = false;
};

}  // namespace synvora
