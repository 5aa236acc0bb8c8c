#include "files/win32/Win32FileSystem.h"

#include <algorithm>
#include <cwctype>
#include <optional>
#include <vector>

#include "files/ErrorCodes.h"
#include "files/MigrationError.h"
#include "files/PlatformErrors.h"
#include "files/StreamedCopy.h"
#include "files/TemporaryNames.h"
#include "files/win32/OwnerOnlySecurity.h"
#include "files/win32/UniqueHandle.h"
#include "files/win32/WideText.h"
#include "files/win32/Win32Destination.h"
#include "files/win32/Win32Errors.h"
#include "files/win32/Win32Io.h"
#include "files/win32/WindowsApi.h"

namespace synvora {
namespace {

constexpr int kNameAttempts = 100;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr std::size_t kReadPiece = std::size_t{1} << 20;

bool IsNotFound(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_DIRECTORY || error == ERROR_BAD_PATHNAME;
}

// What a handle opened on a path (following links) says of the file or folder behind it.
struct OpenedInfo {
    BY_HANDLE_FILE_INFORMATION info{};
    FolderIdentity identity;
};

// Opens only to read attributes: folders too (backup semantics), links followed. Nothing for a
// path where nothing is, or a link that leads nowhere.
std::optional<OpenedInfo> InfoFollowingLinks(const std::string& path) {
    const UniqueHandle handle(::CreateFileW(ApiPath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.Valid()) {
        const DWORD error = ::GetLastError();
        if (IsNotFound(error)) {
            return std::nullopt;
        }
        ThrowWin32Error(error);
    }
    OpenedInfo opened;
    if (!::GetFileInformationByHandle(handle.Get(), &opened.info)) {
        ThrowLastWin32Error();
    }
    opened.identity = IdentityOf(handle.Get());
    return opened;
}

FolderIdentity FolderIdentityOf(const std::string& path) {
    const auto opened = InfoFollowingLinks(path);
    return opened ? opened->identity : FolderIdentity{};
}

std::uint64_t SizeOf(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// folder + "\" + name; a folder that ends in a separator gets none.
std::string InFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
        return folder + name;
    }
    return folder + "\\" + name;
}

void SetAttributesOrThrow(const std::string& path, DWORD attributes) {
    if (!::SetFileAttributesW(ApiPath(path).c_str(), attributes)) {
        ThrowLastWin32Error();
    }
}

/// A new file under a hidden temporary name in its destination folder; removed on destruction
/// unless it was given its final name.
class PendingFile {
public:
    explicit PendingFile(const std::string& finalPath) : m_finalPath(finalPath) {
        const auto [folder, name] = SplitFolderAndName(finalPath);
        if (name.empty()) {
            ThrowPlatformErrorNumber(PlatformError::kPathFileAccessError);
        }
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            const std::string temporary = InFolder(folder, NextTemporaryName());
            m_file.Reset(::CreateFileW(ApiPath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
            if (m_file.Valid()) {
                m_temporaryPath = temporary;
                return;
            }
            if (::GetLastError() != ERROR_FILE_EXISTS) {
                ThrowLastWin32Error();
            }
        }
        ThrowPlatformErrorNumber(PlatformError::kFileAlreadyExists);
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() {
        if (!m_done) {
            m_file.Reset();
            const std::wstring temporary = ApiPath(m_temporaryPath);
            ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(temporary.c_str());
        }
    }

    HANDLE Handle() const noexcept { return m_file.Get(); }

    /// Closes the file, gives it its attributes (no longer hidden) and renames it to the final
    /// name; an existing file of that name is replaced only when replace is true.
    void Commit(DWORD attributes, bool replace) {
        Close();
        SetAttributesOrThrow(m_temporaryPath, attributes);
        const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
        if (!::MoveFileExW(ApiPath(m_temporaryPath).c_str(), ApiPath(m_finalPath).c_str(), flags)) {
            ThrowLastWin32Error();
        }
        m_done = true;
    }

    /// Puts the content in place of an existing file that keeps its attributes and security.
    void ReplaceExisting() {
        Close();
        if (!::ReplaceFileW(ApiPath(m_finalPath).c_str(), ApiPath(m_temporaryPath).c_str(), nullptr,
                            REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
            ThrowLastWin32Error();
        }
        m_done = true;
    }

private:
    // Some file systems report write errors only when the file is closed.
    void Close() {
        if (!m_file.Close()) {
            ThrowLastWin32Error();
        }
    }

    std::string m_finalPath;
    std::string m_temporaryPath;
    UniqueHandle m_file;
    bool m_done = false;
};

class Win32FileReader final : public FileReader {
public:
    explicit Win32FileReader(const std::string& path)
        : m_file(OpenOrThrow(path, GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN)) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(m_file.Get(), &info)) {
            ThrowLastWin32Error();
        }
        m_permissions = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    }

    std::size_t Read(std::span<char> buffer) override {
        std::size_t filled = 0;
        while (filled < buffer.size()) {
            const DWORD wanted = static_cast<DWORD>(std::min(buffer.size() - filled, kReadPiece));
            DWORD got = 0;
            if (!::ReadFile(m_file.Get(), buffer.data() + filled, wanted, &got, nullptr)) {
                ThrowLastWin32Error();
            }
            if (got == 0) {
                break;
            }
            filled += got;
        }
        return filled;
    }

    unsigned Permissions() const override { return m_permissions; }

    void StartAt(std::uint64_t offset) override {
        LARGE_INTEGER position{};
        position.QuadPart = static_cast<LONGLONG>(offset);
        if (!::SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN)) {
            ThrowLastWin32Error();
        }
    }

    FileStamp CurrentStamp() override {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(m_file.Get(), &info)) {
            ThrowLastWin32Error();
        }
        return {SizeOf(info.nFileSizeHigh, info.nFileSizeLow), FileTimeOf(info.ftLastWriteTime)};
    }

private:
    UniqueHandle m_file;
    unsigned m_permissions = 0;
};

class Win32FileWriter final : public FileWriter {
public:
    Win32FileWriter(const std::string& path, UniqueHandle keepOpen)
        : m_keepOpen(std::move(keepOpen)), m_pending(path) {}

    void Write(std::string_view bytes) override { WriteAll(m_pending.Handle(), bytes); }
    bool WritesAtOffsets() const override { return true; }
    void WriteAt(std::uint64_t offset, std::string_view bytes) override {
        WriteAllAt(m_pending.Handle(), offset, bytes);
    }

    void SetModificationTime(FileTime modified) override { m_modified = modified; }

    void Commit(unsigned permissions, bool replace) override {
        if (m_modified) {
            const FILETIME time = FileTimeToSystem(*m_modified);
            if (!::SetFileTime(m_pending.Handle(), nullptr, nullptr, &time)) {
                ThrowLastWin32Error();
            }
        }
        // Without the owner's write bit the copy is read-only, as its source was.
        const DWORD attributes =
            FILE_ATTRIBUTE_ARCHIVE | ((permissions & 0200) == 0 ? FILE_ATTRIBUTE_READONLY : 0);
        m_pending.Commit(attributes, replace);
    }

private:
    UniqueHandle m_keepOpen;  // declared first: the folder stays held until the file is gone or in place
    PendingFile m_pending;
    std::optional<FileTime> m_modified;
};

// Upper case, for comparing paths as Windows does.
std::wstring Folded(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return text;
}

std::wstring FullPathOf(const std::string& path) {
    const std::wstring api = ApiPath(path);
    const DWORD needed = ::GetFullPathNameW(api.c_str(), 0, nullptr, nullptr);
    std::wstring full(needed, L'\0');
    const DWORD length = needed == 0 ? 0 : ::GetFullPathNameW(api.c_str(), needed, full.data(), nullptr);
    full.resize(length < needed ? length : 0);
    while (full.size() > 3 && full.back() == L'\\') {
        full.pop_back();
    }
    return Folded(full);
}

// A copy into its own source would copy what it has just written.
void RefuseCopyIntoItself(const std::string& source, const std::string& destination) {
    const std::wstring from = FullPathOf(source);
    const std::wstring to = FullPathOf(destination);
    if (from.empty() || to.empty()) {
        return;
    }
    if (to == from || (to.starts_with(from) && (from.back() == L'\\' || to[from.size()] == L'\\'))) {
        ThrowPlatformErrorNumber(PlatformError::kPermissionDenied);
    }
}

// Creates one folder whose parent exists; true when created, false when a folder was there.
bool CreateOneFolder(const std::string& path, DWORD& error) {
    if (::CreateDirectoryW(ApiPath(path).c_str(), nullptr)) {
        return true;
    }
    error = ::GetLastError();
    return false;
}

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/') &&
           !(path.size() == 3 && path[1] == ':')) {
        path.pop_back();
    }
    return path;
}

}  // namespace

std::unique_ptr<FileWriter> CreateWin32FileWriter(const std::string& path, UniqueHandle keepOpen) {
    return std::make_unique<Win32FileWriter>(path, std::move(keepOpen));
}

FileSystem& TheFileSystem() {
    static Win32FileSystem fileSystem;
    return fileSystem;
}

bool Win32FileSystem::FileExists(const std::string& path) {
    try {
        const auto info = Inspect(path);
        return info && !info->IsFolder();
    } catch (const MigrationError&) {
        return false;
    }
}

bool Win32FileSystem::FolderExists(const std::string& path) {
    try {
        const auto info = Inspect(path);
        return info && info->IsFolder();
    } catch (const MigrationError&) {
        return false;
    }
}

void Win32FileSystem::CreateFolder(const std::string& requested) {
    const std::string path = WithoutTrailingSeparators(requested);
    DWORD error = 0;
    if (CreateOneFolder(path, error)) {
        return;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        const auto existing = Inspect(path);
        if (existing && existing->IsFolder()) {
            return;
        }
        ThrowPlatformErrorNumber(PlatformError::kFileAlreadyExists);
    }
    const std::string parent = SplitFolderAndName(path).first;
    if (error != ERROR_PATH_NOT_FOUND || parent == path || parent == ".") {
        ThrowWin32Error(error);
    }
    // A file on the way is no folder to create below.
    const auto above = Inspect(parent);
    if (above && !above->IsFolder()) {
        ThrowPlatformErrorNumber(PlatformError::kPathNotFound);
    }
    if (!above) {
        CreateFolder(parent);
    }
    if (!CreateOneFolder(path, error) && error != ERROR_ALREADY_EXISTS) {
        ThrowWin32Error(error);
    }
}

void Win32FileSystem::CopyFile(const std::string& source, const std::string& destination, bool overwrite) {
    const auto file = Inspect(source);
    if (!file || file->IsFolder()) {
        // A folder is no file to copy.
        ThrowPlatformErrorNumber(PlatformError::kFileNotFound);
    }
    CopyFileAcross(*this, source, *this, destination, overwrite);
}

void Win32FileSystem::CopyFolder(const std::string& source, const std::string& destination,
                                 const FolderCopyOptions& options) {
    RefuseCopyIntoItself(source, destination);
    CopyFolderAcross(*this, source, *this, destination, options);
}

std::shared_ptr<FileSystem> Win32FileSystem::OpenSession() {
    return std::make_shared<Win32FileSystem>();
}

int Win32FileSystem::Attributes(const std::string& path) {
    const auto info = Inspect(path);
    if (!info) {
        ThrowPlatformErrorNumber(PlatformError::kFileNotFound);
    }
    return info->attributes;
}

std::optional<PathInfo> Win32FileSystem::Inspect(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(ApiPath(path).c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = ::GetLastError();
        if (IsNotFound(error)) {
            return std::nullopt;
        }
        ThrowWin32Error(error);
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // A link: what it leads to.
        const auto target = InfoFollowingLinks(path);
        if (!target) {
            return std::nullopt;
        }
        const BY_HANDLE_FILE_INFORMATION& info = target->info;
        PathInfo result{AttributesOf(info.dwFileAttributes), {}, 0, {}};
        if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            result.identity = target->identity;
        } else {
            result.size = SizeOf(info.nFileSizeHigh, info.nFileSizeLow);
            result.modified = FileTimeOf(info.ftLastWriteTime);
        }
        return result;
    }
    PathInfo result{AttributesOf(data.dwFileAttributes), {}, 0, {}};
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.identity = FolderIdentityOf(path);
    } else {
        result.size = SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
        result.modified = FileTimeOf(data.ftLastWriteTime);
    }
    return result;
}

std::vector<FolderEntry> Win32FileSystem::ListFolder(const std::string& path) {
    std::wstring pattern = ApiPath(path);
    if (pattern.back() != L'\\') {
        pattern += L'\\';
    }
    pattern += L'*';
    WIN32_FIND_DATAW data{};
    const UniqueFindHandle search(::FindFirstFileExW(
        pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!search.Valid()) {
        ThrowLastWin32Error();
    }
    std::vector<FolderEntry> entries;
    do {
        const std::wstring_view wideName = data.cFileName;
        if (wideName == L"." || wideName == L"..") {
            continue;
        }
        std::string name = WideToUtf8(wideName);
        const std::string child = InFolder(path, name);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            // Listed as what it leads to; a link that leads nowhere as a file, so that its copy
            // fails instead of being skipped silently.
            const auto target = InfoFollowingLinks(child);
            if (!target) {
                entries.push_back(FolderEntry::File(std::move(name), 0, {}, false));
            } else if ((target->info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                entries.push_back(FolderEntry::Folder(std::move(name), target->identity));
            } else {
                const BY_HANDLE_FILE_INFORMATION& info = target->info;
                entries.push_back(FolderEntry::File(std::move(name),
                                                    SizeOf(info.nFileSizeHigh, info.nFileSizeLow),
                                                    FileTimeOf(info.ftLastWriteTime),
                                                    (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0));
            }
        } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            entries.push_back(FolderEntry::Folder(std::move(name), FolderIdentityOf(child)));
        } else {
            entries.push_back(FolderEntry::File(
                std::move(name), SizeOf(data.nFileSizeHigh, data.nFileSizeLow),
                FileTimeOf(data.ftLastWriteTime), (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0));
        }
    } while (::FindNextFileW(search.Get(), &data));
    const DWORD error = ::GetLastError();
    if (error != ERROR_NO_MORE_FILES) {
        ThrowWin32Error(error);
    }
    return entries;
}

std::unique_ptr<FileReader> Win32FileSystem::OpenForReading(const std::string& path) {
    return std::make_unique<Win32FileReader>(path);
}

std::unique_ptr<FileWriter> Win32FileSystem::CreateFileWriter(const std::string& path) {
    return CreateWin32FileWriter(path);
}

std::unique_ptr<DestinationFolder> Win32FileSystem::OpenDestinationFolder(const std::string& path) {
    return Win32DestinationFolder::Open(path);
}

std::string Win32FileSystem::ReadFile(const std::string& path) {
    Win32FileReader reader(path);
    std::string content;
    std::vector<char> buffer(kReadPiece);
    for (;;) {
        const std::size_t got = reader.Read(buffer);
        if (got == 0) {
            return content;
        }
        content.append(buffer.data(), got);
    }
}

void Win32FileSystem::ReplaceFile(const std::string& path, std::string_view content) {
    const auto existing = Inspect(path);
    if (existing && existing->IsFolder()) {
        ThrowPlatformErrorNumber(PlatformError::kPathFileAccessError);
    }
    // A read-only file refuses to be rewritten.
    if (existing && existing->IsReadOnly()) {
        ThrowPlatformErrorNumber(PlatformError::kPermissionDenied);
    }
    PendingFile pending(path);
    WriteAll(pending.Handle(), content);
    // A rewritten script or log must survive a crash right after the call.
    if (!::FlushFileBuffers(pending.Handle())) {
        ThrowLastWin32Error();
    }
    if (existing) {
        pending.ReplaceExisting();
    } else {
        pending.Commit(FILE_ATTRIBUTE_ARCHIVE, false);
    }
}

void Win32FileSystem::CreateEmptyFile(const std::string& path) {
    OpenOrThrow(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
}

void Win32FileSystem::AppendToFile(const std::string& path, std::string_view content) {
    const UniqueHandle file = OpenOrThrow(path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_EXISTING);
    WriteAll(file.Get(), content);
}

void Win32FileSystem::RestrictToOwner(const std::string& path) {
    if (path.empty()) {
        ThrowPlatformErrorNumber(PlatformError::kFileNotFound);
    }
    OwnerOnlySecurity security;
    const std::wstring apiPath = ApiPath(path);
    // The link itself is opened, never what it leads to.
    UniqueHandle existing(::CreateFileW(
        apiPath.c_str(), READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (existing.Valid()) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(existing.Get(), &info)) {
            ThrowLastWin32Error();
        }
        const bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folder && !link) {
            ThrowPlatformErrorNumber(PlatformError::kPathFileAccessError);
        }
        // A second name of the same file would let its other owner read what goes in.
        if (!link && info.nNumberOfLinks == 1) {
            // Writable: the program fills the file next.
            if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
                FILE_BASIC_INFO basic{};
                basic.FileAttributes =
                    (info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_ARCHIVE;
                if (!::SetFileInformationByHandle(existing.Get(), FileBasicInfo, &basic, sizeof basic)) {
                    ThrowLastWin32Error();
                }
            }
            security.ApplyTo(existing.Get());
            return;
        }
        existing.Reset();
        const bool removed = folder ? ::RemoveDirectoryW(apiPath.c_str()) : ::DeleteFileW(apiPath.c_str());
        if (!removed && ::GetLastError() == ERROR_ACCESS_DENIED && !folder) {
            // A read-only name: DeleteFileW refuses it until the attribute is gone.
            ::SetFileAttributesW(apiPath.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!::DeleteFileW(apiPath.c_str())) {
                ThrowLastWin32Error();
            }
        } else if (!removed && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
            ThrowLastWin32Error();
        }
    } else {
        const DWORD error = ::GetLastError();
        if (error == ERROR_PATH_NOT_FOUND) {
            ThrowPlatformErrorNumber(PlatformError::kFileNotFound);
        }
        if (error != ERROR_FILE_NOT_FOUND) {
            ThrowWin32Error(error);
        }
    }
    // CREATE_NEW: a file or link that appears meanwhile is not taken over. The file never exists
    // without its DACL.
    OpenOrThrow(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, security.Attributes());
}

}  // namespace synvora
