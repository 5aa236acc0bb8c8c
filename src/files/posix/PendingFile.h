#pragma once

#include <sys/types.h>

#include <string>

#include "UniqueFd.h"

namespace synvora {

/// A new file written under a hidden temporary name in its destination folder and renamed to its
/// final name by Commit. Until then the destructor removes the temporary, so a copy that stops
/// part-way never leaves a half-written file under a final name.
class PendingFile {
public:
    /// Creates the temporary in an open folder (the handle is borrowed and must outlive this
    /// object) with exactly the given permission bits, whatever the umask.
    PendingFile(int folderFd, std::string finalName, mode_t permissions);
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();

    int Fd() const noexcept { return m_fd.Get(); }
    const std::string& TemporaryName() const noexcept { return m_temporaryName; }

    void SetPermissions(mode_t permissions);

    /// Flushes the content to the disk; only for files whose loss after a crash would matter more
    /// than the time it costs.
    void Sync();

    /// Closes the file and renames it to its final name. An existing file of that name is
    /// replaced only when replace is true; otherwise the call fails with "File already exists".
    void Commit(bool replace);

private:
    void CreateTemporary(mode_t permissions);
    void RenameWithoutReplacing();

    int m_folderFd;
    std::string m_finalName;
    std::string m_temporaryName;
    UniqueFd m_fd;
    bool m_committed = false;
};

}  // namespace synvora
