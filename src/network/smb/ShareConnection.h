#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/FileSystem.h"
#include "network/NetworkCredentials.h"
#include "network/SharePath.h"
#include "network/WhileWaitingForServers.h"
#include "network/smb/LibraryThread.h"
#include "network/smb/ServerSockets.h"

// The library's own handle types, kept out of this header.
struct _SMBCCTX;
struct _SMBCFILE;

namespace synvora {

/// What a path on the share is.
struct ShareEntry {
    bool isFolder = false;
    bool readOnly = false;
    std::uint64_t size = 0;
    FolderIdentity identity;
    FileTime modified;
};

class ShareConnection;

/// An open file on the share; closed by the destructor, which never throws. While it exists the
/// connection counts it as open and refuses to be released.
class ShareFile {
public:
    ShareFile(std::shared_ptr<ShareConnection> connection, _SMBCFILE* file);
    ShareFile(const ShareFile&) = delete;
    ShareFile& operator=(const ShareFile&) = delete;
    ~ShareFile();

    /// Up to buffer.size() bytes from the current position; 0 at the end of the file.
    std::size_t Read(std::span<char> buffer);
    void Write(std::string_view bytes);
    ShareEntry Describe();
    void SeekToEnd();
    void SeekTo(std::uint64_t offset);
    /// Closes now, so that a failure the server reports only at the close is raised.
    void Close();

private:
    std::shared_ptr<ShareConnection> m_connection;
    _SMBCFILE* m_file;
};

/// One connection to one share of one server, through a libsmbclient context of its own that
/// holds the login in memory. Every failure is raised as a platform error (PlatformErrors.h)
/// from the errno value the library sets. Used by one thread at a time: the calls into the
/// library are made on the connection's own thread (LibraryThread) while the calling thread
/// waits. Several connections may be used on several threads at once where the library allows
/// it (LibraryLocking.h).
///
/// The whole wait for one answer is bounded by the time-out: the library's own time-out holds
/// for each request, but it then tries again and closes what is open, each with a time-out of its
/// own. So a call still waiting at the time-out is cut off (ServerSockets), and once a call has
/// failed for want of an answer the connection counts as gone: every later call fails at once
/// with 71 "Disk not ready", and files on it close without asking the server.
class ShareConnection : public std::enable_shared_from_this<ShareConnection> {
public:
    /// Logs on with exactly these credentials (no Kerberos, no anonymous or guest session) and
    /// proves the share by reading its root. Waits at most `timeout` for each answer.
    static std::shared_ptr<ShareConnection> Open(const SharePath& share,
                                                 const NetworkCredentials& credentials,
                                                 std::chrono::milliseconds timeout);

    /// One more connection to the same share with the same login, for another thread: to the
    /// server's address this connection reached (no name is looked up again), proved by a look at
    /// the share's root. Nothing where the library cannot be used on several threads at once.
    std::shared_ptr<ShareConnection> OpenAnother() const;

    ShareConnection(const ShareConnection&) = delete;
    ShareConnection& operator=(const ShareConnection&) = delete;
    /// Ends a connection that was not released, files still open or not.
    ~ShareConnection();

    const SharePath& Share() const noexcept { return m_share; }
    const NetworkCredentials& Credentials() const noexcept { return m_credentials; }
    int OpenFiles() const noexcept { return m_openFiles; }

    /// Ends the connection to the server without forcing it: false, with nothing changed, while a
    /// file is open or the library still holds something of it.
    bool Release();
    /// Ends the connection at once, closing files that are still open; for the end of the program.
    void Shutdown() noexcept { m_context.reset(); }
    /// False once a call found the server no longer answering.
    bool Answering() const noexcept { return !m_gone; }

    // Paths are on the share, "/" separated, "" or "/" being its root.
    std::optional<ShareEntry> Find(const std::string& path);
    std::vector<FolderEntry> List(const std::string& path);
    void MakeFolder(const std::string& path);
    std::unique_ptr<ShareFile> OpenFile(const std::string& path, int flags);
    void Rename(const std::string& from, const std::string& to);
    void Remove(const std::string& path);
    void SetReadOnly(const std::string& path, bool readOnly);
    /// The share keeps the time to the microsecond.
    void SetModificationTime(const std::string& path, FileTime modified);

private:
    friend class ShareFile;

    /// Frees a context on the connection's thread, closing whatever it still holds; never throws.
    struct ContextDeleter {
        LibraryThread* thread;
        void operator()(_SMBCCTX* context) const noexcept;
    };

    ShareConnection(SharePath share, NetworkCredentials credentials, std::chrono::milliseconds timeout);
    /// Makes the context and proves the connection by listing the share's root (a whole listing)
    /// or by looking at it (one question).
    void CreateContext(bool listRoot);
    /// Runs a call into the library on its thread, within the time-out; a call that fails for want
    /// of an answer marks the connection as gone.
    template <typename Call>
    auto Ask(Call&& call);
    void MarkGone() noexcept;
    std::string Url(const std::string& path) const;
    /// The context, or "Disk not ready" once the connection was released.
    _SMBCCTX* Context() const;

    SharePath m_share;
    NetworkCredentials m_credentials;
    std::chrono::milliseconds m_timeout;
    ServerSockets m_sockets;
    std::atomic<bool> m_gone = false;
    std::unique_ptr<LibraryThread> m_thread = std::make_unique<LibraryThread>();  // outlives m_context
    std::unique_ptr<_SMBCCTX, ContextDeleter> m_context;
    int m_openFiles = 0;
};

}  // namespace synvora
