#include "ShareConnection.h"

#include <fcntl.h>
#include <libsmbclient.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "files/PlatformErrors.h"
#include "files/posix/UniqueFd.h"
#include "network/smb/LibraryLocking.h"
#include "network/smb/LibraryThread.h"

namespace synvora {
namespace {

constexpr std::uint16_t kFolderAttribute = 0x10;
constexpr std::uint16_t kReadOnlyAttribute = 0x01;

// Settings of the library that its context calls cannot make. Signing required: a server that
// lets a wrong login in as its guest account (or anonymously) gives a session that cannot sign,
// and such a session must never pass as the login that was typed. The DOS character set is one
// the library converts by itself: for any other it keeps one converter of the system's, with
// state of its own, for the whole process, and logons on two threads at once (each converts the
// names in its first login message) garbled each other's lengths (one asked for hundreds of
// megabytes). The protocol's names travel in UTF-16; the DOS set only serves that message's
// empty names.
constexpr std::string_view kClientSettings =
    "[global]\n"
    "client signing = required\n"
    "dos charset = ASCII\n"
    "log level = 0\n";

[[noreturn]] void RaiseLastError() {
    ThrowPlatformError(errno != 0 ? errno : EIO);
}

// The library reads its configuration from files only; this one never touches the disk.
void ApplyClientSettings(SMBCCTX* context) {
    UniqueFd settings(::memfd_create("synvora-smb-client", MFD_CLOEXEC));
    if (!settings.Valid() || ::write(settings.Get(), kClientSettings.data(), kClientSettings.size()) !=
                                 static_cast<ssize_t>(kClientSettings.size())) {
        RaiseLastError();
    }
    const std::string path = "/proc/self/fd/" + std::to_string(settings.Get());
    if (smbc_setConfiguration(context, path.c_str()) != 0) {
        ThrowPlatformError(EINVAL);
    }
}

// Library messages would land on the program's standard output.
void DiscardLibraryMessage(void*, int, const char*) {}

// Copies a credential into the library's buffer. One that does not fit is left empty rather
// than cut, so that the login fails instead of trying a shortened password.
void Supply(char* buffer, int length, std::string_view value) {
    if (length <= 0) {
        return;
    }
    const auto room = static_cast<std::size_t>(length);
    const std::size_t copied = value.size() < room ? value.size() : 0;
    std::memcpy(buffer, value.data(), copied);
    buffer[copied] = '\0';
}

ShareEntry EntryOf(const struct stat& info) {
    ShareEntry entry;
    entry.isFolder = S_ISDIR(info.st_mode);
    // The library shows the read-only attribute as a missing owner write bit.
    entry.readOnly = (info.st_mode & S_IWUSR) == 0;
    entry.size = static_cast<std::uint64_t>(info.st_size);
    entry.modified = {static_cast<std::int64_t>(info.st_mtim.tv_sec),
                      static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
    if (entry.isFolder) {
        entry.identity = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    }
    return entry;
}

/// An open folder listing, closed on every path.
class FolderHandle {
public:
    FolderHandle(SMBCCTX* context, const std::string& url)
        : m_context(context), m_folder(smbc_getFunctionOpendir(context)(context, url.c_str())) {
        if (m_folder == nullptr) {
            RaiseLastError();
        }
    }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    ~FolderHandle() { smbc_getFunctionClosedir(m_context)(m_context, m_folder); }

    const libsmb_file_info* Next(struct stat& info) {
        return smbc_getFunctionReaddirPlus2(m_context)(m_context, m_folder, &info);
    }

private:
    SMBCCTX* m_context;
    SMBCFILE* m_folder;
};

void SupplyCredentials(SMBCCTX* context, const char*, const char*, char* workgroup, int workgroupLength,
                       char* user, int userLength, char* password, int passwordLength) {
    const auto* connection = static_cast<const ShareConnection*>(smbc_getOptionUserData(context));
    std::string_view name = connection->Credentials().user;
    if (const auto slash = name.find('\\'); slash != std::string_view::npos) {
        Supply(workgroup, workgroupLength, name.substr(0, slash));
        name.remove_prefix(slash + 1);
    }
    Supply(user, userLength, name);
    Supply(password, passwordLength, connection->Credentials().password);
}

std::vector<FolderEntry> ListFolder(SMBCCTX* context, const std::string& url) {
    FolderHandle folder(context, url);
    std::vector<FolderEntry> entries;
    struct stat info {};
    while (const libsmb_file_info* entry = folder.Next(info)) {
        const std::string_view name = entry->name;
        if (name == "." || name == "..") {
            continue;
        }
        // The listing carries each file's size and time: no round trip per file to learn them.
        if ((entry->attrs & kFolderAttribute) != 0) {
            entries.push_back(FolderEntry::Folder(std::string(name), EntryOf(info).identity));
        } else {
            const FileTime modified{static_cast<std::int64_t>(entry->mtime_ts.tv_sec),
                                    static_cast<std::int64_t>(entry->mtime_ts.tv_nsec)};
            entries.push_back(FolderEntry::File(std::string(name), entry->size, modified,
                                                (entry->attrs & kReadOnlyAttribute) != 0));
        }
    }
    return entries;
}

// What the thread that waits for a server does meanwhile (WhileWaitingForServers).
std::function<void()>& WhileWaiting() {
    thread_local std::function<void()> whileWaiting;
    return whileWaiting;
}

// The contexts that live now. The library loads its settings when its first context starts (and,
// without its thread hooks, at every start), so they are laid over it then; with the hooks a
// context made while others live must not reload them under their feet.
int g_liveContexts = 0;

// A call that ends the library's use of a context waits for nothing: the end of the program.
constexpr std::chrono::hours kNoLimit{24};

}  // namespace

WhileWaitingForServers::WhileWaitingForServers(std::function<void()> whileWaiting)
    : m_previous(std::exchange(WhileWaiting(), std::move(whileWaiting))) {}

WhileWaitingForServers::~WhileWaitingForServers() {
    WhileWaiting() = std::move(m_previous);
}

void ShareConnection::ContextDeleter::operator()(SMBCCTX* context) const noexcept {
    thread->Run(
        [context] {
            // Messages to the server: outside the lock, so that connections end side by side.
            smbc_getFunctionPurgeCachedServers(context)(context);
            const std::lock_guard lifecycle(ContextLifecycleMutex());
            smbc_free_context(context, 1);
            --g_liveContexts;
        },
        {kNoLimit, nullptr, nullptr});
}

ShareConnection::ShareConnection(SharePath share, NetworkCredentials credentials,
                                 std::chrono::milliseconds timeout)
    : m_share(std::move(share)), m_credentials(std::move(credentials)), m_timeout(timeout) {}

template <typename Call>
auto ShareConnection::Ask(Call&& call) {
    const LibraryThread::Wait wait{m_timeout, WhileWaiting(), [this] { MarkGone(); }};
    try {
        return m_thread->Run(std::forward<Call>(call), wait);
    } catch (const MigrationError& failure) {
        // The library's time-out, or the cut: what follows would wait again for nothing.
        if (failure.Number() == PlatformError::kDiskNotReady) {
            MarkGone();
        }
        throw;
    }
}

void ShareConnection::MarkGone() noexcept {
    m_gone = true;
    m_sockets.CutOff();
}

ShareConnection::~ShareConnection() = default;

std::shared_ptr<ShareConnection> ShareConnection::Open(const SharePath& share,
                                                       const NetworkCredentials& credentials,
                                                       std::chrono::milliseconds timeout) {
    // Without a user name the library would log on anonymously.
    if (credentials.user.empty() || credentials.user.back() == '\\') {
        ThrowPlatformError(EACCES);
    }
    std::shared_ptr<ShareConnection> connection(new ShareConnection(share, credentials, timeout));
    connection->CreateContext(true);
    return connection;
}

std::shared_ptr<ShareConnection> ShareConnection::OpenAnother() const {
    if (!InstallLibraryLocking()) {
        return nullptr;
    }
    // Looking the name up again would touch the library's name cache, which is not for several
    // threads; the address also makes sure that it is the same server.
    SharePath share = m_share;
    if (auto address = m_sockets.PeerAddress(m_share.server.port)) {
        share.server = std::move(*address);
    }
    std::shared_ptr<ShareConnection> connection(new ShareConnection(share, m_credentials, m_timeout));
    connection->m_sockets = m_sockets;  // the same server: a cut-off reaches its sockets from the start
    connection->CreateContext(false);
    return connection;
}

void ShareConnection::CreateContext(bool listRoot) {
    const bool severalThreads = InstallLibraryLocking();
    m_context = Ask([this, listRoot, severalThreads] {
        const std::set<ino_t> before = ServerSockets::Current();
        std::unique_lock lifecycle(ContextLifecycleMutex());
        std::unique_ptr<SMBCCTX, ContextDeleter> context(smbc_new_context(), ContextDeleter{m_thread.get()});
        if (!context) {
            RaiseLastError();
        }
        ++g_liveContexts;  // from here on the deleter counts it off
        SMBCCTX* raw = context.get();
        smbc_setDebug(raw, 0);
        smbc_setLogCallback(raw, nullptr, DiscardLibraryMessage);
        smbc_setOptionUserData(raw, this);
        smbc_setFunctionAuthDataWithContext(raw, SupplyCredentials);
        smbc_setOptionUseKerberos(raw, false);
        smbc_setOptionFallbackAfterKerberos(raw, true);
        smbc_setOptionNoAutoAnonymousLogin(raw, true);
        smbc_setOptionUseCCache(raw, false);
        smbc_setTimeout(
            raw, static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(m_timeout.count(), 1, 3600000)));
        if (smbc_init_context(raw) == nullptr) {
            RaiseLastError();
        }
        if (!severalThreads || g_liveContexts == 1) {
            ApplyClientSettings(raw);
        }
        lifecycle.unlock();
        // The context connects when it is first used: reading the share's root proves the login
        // and the share, and shows the sockets the connection uses. Several contexts log on at
        // once (the DOS character set above keeps their login messages apart).
        if (listRoot) {
            ListFolder(raw, Url("/"));
        } else {
            struct stat info {};
            if (smbc_getFunctionStat(raw)(raw, Url("/").c_str(), &info) != 0) {
                RaiseLastError();
            }
        }
        m_sockets.NoteNewSince(before);
        return context;
    });
}

bool ShareConnection::Release() {
    if (m_openFiles > 0 || !m_context) {
        return false;
    }
    if (m_gone) {
        m_context.reset();
        return true;
    }
    SMBCCTX* context = m_context.get();
    const bool freed = Ask([context] {
        smbc_getFunctionPurgeCachedServers(context)(context);
        const std::lock_guard lifecycle(ContextLifecycleMutex());
        if (smbc_free_context(context, 0) != 0) {
            return false;
        }
        --g_liveContexts;
        return true;
    });
    if (!freed) {
        return false;
    }
    (void)m_context.release();
    return true;
}

SMBCCTX* ShareConnection::Context() const {
    if (!m_context || m_gone) {
        ThrowPlatformErrorNumber(PlatformError::kDiskNotReady);
    }
    return m_context.get();
}

std::string ShareConnection::Url(const std::string& path) const {
    return ShareUrl(m_share, path == "/" ? std::string_view() : std::string_view(path));
}

std::optional<ShareEntry> ShareConnection::Find(const std::string& path) {
    SMBCCTX* context = Context();
    const std::string url = Url(path);
    return Ask([context, &url]() -> std::optional<ShareEntry> {
        struct stat info {};
        if (smbc_getFunctionStat(context)(context, url.c_str(), &info) != 0) {
            if (errno == ENOENT || errno == ENOTDIR) {
                return std::nullopt;
            }
            RaiseLastError();
        }
        return EntryOf(info);
    });
}

std::vector<FolderEntry> ShareConnection::List(const std::string& path) {
    SMBCCTX* context = Context();
    const std::string url = Url(path);
    return Ask([context, &url] { return ListFolder(context, url); });
}

void ShareConnection::MakeFolder(const std::string& path) {
    SMBCCTX* context = Context();
    const std::string url = Url(path);
    Ask([context, &url] {
        if (smbc_getFunctionMkdir(context)(context, url.c_str(), 0755) != 0) {
            RaiseLastError();
        }
    });
}

std::unique_ptr<ShareFile> ShareConnection::OpenFile(const std::string& path, int flags) {
    SMBCCTX* context = Context();
    const std::string url = Url(path);
    SMBCFILE* file = Ask([context, &url, flags] {
        SMBCFILE* opened = smbc_getFunctionOpen(context)(context, url.c_str(), flags, 0644);
        if (opened == nullptr) {
            RaiseLastError();
        }
        return opened;
    });
    return std::make_unique<ShareFile>(shared_from_this(), file);
}

void ShareConnection::Rename(const std::string& from, const std::string& to) {
    SMBCCTX* context = Context();
    const std::string fromUrl = Url(from);
    const std::string toUrl = Url(to);
    Ask([context, &fromUrl, &toUrl] {
        if (smbc_getFunctionRename(context)(context, fromUrl.c_str(), context, toUrl.c_str()) != 0) {
            RaiseLastError();
        }
    });
}

void ShareConnection::Remove(const std::string& path) {
    SMBCCTX* context = Context();
    const std::string url = Url(path);
    Ask([context, &url] {
        if (smbc_getFunctionUnlink(context)(context, url.c_str()) != 0) {
            RaiseLastError();
        }
    });
}

void ShareConnection::SetReadOnly(const std::string& path, bool readOnly) {
    SMBCCTX* context = Context();
    const std::string url = Url(path);
    Ask([context, &url, readOnly] {
        if (smbc_getFunctionChmod(context)(context, url.c_str(), readOnly ? 0444 : 0644) != 0) {
            RaiseLastError();
        }
    });
}

void ShareConnection::SetModificationTime(const std::string& path, FileTime modified) {
    SMBCCTX* context = Context();
    const std::string url = Url(path);
    // Access and modification time; the library has no call that leaves the access time alone.
    const struct timeval time = {static_cast<time_t>(modified.seconds),
                                 static_cast<suseconds_t>(modified.nanoseconds / 1000)};
    Ask([context, &url, time] {
        struct timeval times[2] = {time, time};
        if (smbc_getFunctionUtimes(context)(context, url.c_str(), times) != 0) {
            RaiseLastError();
        }
    });
}

ShareFile::ShareFile(std::shared_ptr<ShareConnection> connection, SMBCFILE* file)
    : m_connection(std::move(connection)), m_file(file) {
    ++m_connection->m_openFiles;
}

// A connection whose server no longer answers is not asked to close: freeing its context
// releases the file.
ShareFile::~ShareFile() {
    SMBCCTX* context = m_connection->m_context.get();
    if (m_file != nullptr && context != nullptr && m_connection->Answering()) {
        try {
            m_connection->Ask([context, file = m_file] { smbc_getFunctionClose(context)(context, file); });
        } catch (...) {
            // Closing on the way out of a failure; the failure is what is reported.
        }
    }
    --m_connection->m_openFiles;
}

void ShareFile::Close() {
    SMBCCTX* context = m_connection->Context();
    SMBCFILE* file = std::exchange(m_file, nullptr);
    if (file == nullptr) {
        return;
    }
    m_connection->Ask([context, file] {
        if (smbc_getFunctionClose(context)(context, file) != 0) {
            RaiseLastError();
        }
    });
}

std::size_t ShareFile::Read(std::span<char> buffer) {
    SMBCCTX* context = m_connection->Context();
    return m_connection->Ask([context, file = m_file, buffer] {
        const ssize_t got = smbc_getFunctionRead(context)(context, file, buffer.data(), buffer.size());
        if (got < 0) {
            RaiseLastError();
        }
        return static_cast<std::size_t>(got);
    });
}

void ShareFile::Write(std::string_view bytes) {
    SMBCCTX* context = m_connection->Context();
    m_connection->Ask([context, file = m_file, bytes]() mutable {
        while (!bytes.empty()) {
            const ssize_t written = smbc_getFunctionWrite(context)(context, file, bytes.data(), bytes.size());
            if (written <= 0) {
                RaiseLastError();
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    });
}

ShareEntry ShareFile::Describe() {
    SMBCCTX* context = m_connection->Context();
    return m_connection->Ask([context, file = m_file] {
        struct stat info {};
        if (smbc_getFunctionFstat(context)(context, file, &info) != 0) {
            RaiseLastError();
        }
        return EntryOf(info);
    });
}

void ShareFile::SeekTo(std::uint64_t offset) {
    SMBCCTX* context = m_connection->Context();
    m_connection->Ask([context, file = m_file, offset] {
        if (smbc_getFunctionLseek(context)(context, file, static_cast<off_t>(offset), SEEK_SET) < 0) {
            RaiseLastError();
        }
    });
}

void ShareFile::SeekToEnd() {
    SMBCCTX* context = m_connection->Context();
    m_connection->Ask([context, file = m_file] {
        if (smbc_getFunctionLseek(context)(context, file, 0, SEEK_END) < 0) {
            RaiseLastError();
        }
    });
}

}  // namespace synvora
