#include "PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "LocalIo.h"
#include "files/PlatformErrors.h"
#include "files/TemporaryNames.h"

namespace synvora {
namespace {

constexpr int kNameAttempts = 100;

}  // namespace

PendingFile::PendingFile(int folderFd, std::string finalName, mode_t permissions)
    : m_folderFd(folderFd), m_finalName(std::move(finalName)) {
    if (m_finalName.empty()) {
        ThrowPlatformError(EISDIR);
    }
    CreateTemporary(permissions);
}

PendingFile::~PendingFile() {
    if (!m_committed && !m_temporaryName.empty()) {
        m_fd.Reset();
        ::unlinkat(m_folderFd, m_temporaryName.c_str(), 0);
    }
}

void PendingFile::CreateTemporary(mode_t permissions) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = NextTemporaryName();
        const int fd =
            ::openat(m_folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, permissions);
        if (fd >= 0) {
            m_fd.Reset(fd);
            m_temporaryName = std::move(name);
            if ((permissions & ProcessUmask()) != 0) {
                SetPermissions(permissions);
            }
            return;
        }
        if (errno != EEXIST) {
            ThrowPlatformError(errno);
        }
    }
    ThrowPlatformError(EEXIST);
}

void PendingFile::SetPermissions(mode_t permissions) {
    if (::fchmod(m_fd.Get(), permissions) != 0) {
        ThrowPlatformError(errno);
    }
}

void PendingFile::Sync() {
    if (::fsync(m_fd.Get()) != 0) {
        ThrowPlatformError(errno);
    }
}

void PendingFile::Commit(bool replace) {
    // Some file systems report write errors only when the file is closed.
    if (::close(m_fd.Release()) != 0) {
        ThrowPlatformError(errno);
    }
    if (replace) {
        if (::renameat(m_folderFd, m_temporaryName.c_str(), m_folderFd, m_finalName.c_str()) != 0) {
            ThrowPlatformError(errno);
        }
    } else {
        RenameWithoutReplacing();
    }
    m_committed = true;
}

void PendingFile::RenameWithoutReplacing() {
    // RENAME_NOREPLACE closes the gap between looking at the destination and renaming onto it.
    if (::renameat2(m_folderFd, m_temporaryName.c_str(), m_folderFd, m_finalName.c_str(), RENAME_NOREPLACE) ==
        0) {
        return;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        ThrowPlatformError(errno);
    }
    // A file system without the flag: a hard link refuses an existing name just as well.
    if (::linkat(m_folderFd, m_temporaryName.c_str(), m_folderFd, m_finalName.c_str(), 0) != 0) {
        ThrowPlatformError(errno);
    }
    ::unlinkat(m_folderFd, m_temporaryName.c_str(), 0);
}

}  // namespace synvora
