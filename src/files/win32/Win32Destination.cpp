#include "files/win32/Win32Destination.h"

#include "files/ErrorCodes.h"
#include "files/PlatformErrors.h"
#include "files/TemporaryNames.h"
#include "files/win32/WideText.h"
#include "files/win32/Win32Errors.h"
#include "files/win32/Win32Io.h"

namespace synvora {
namespace {

// Held open so that no one renames, removes or replaces the folder meanwhile (no FILE_SHARE_DELETE);
// files in it are still written, renamed and removed as usual.
constexpr DWORD kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

UniqueHandle OpenFolder(const std::string& path, DWORD linkFlag) {
    return UniqueHandle(::CreateFileW(ApiPath(path).c_str(), FILE_READ_ATTRIBUTES, kFolderShare, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | linkFlag, nullptr));
}

// A symbolic link or junction: a name that stands for another (other reparse points, such as files
// whose content the system keeps elsewhere, are the files themselves).
bool IsLinkEntry(DWORD attributes, DWORD reparseTag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(reparseTag);
}

// The system's own path of the open folder, in the "\\?\" form: no link, no relative piece. Where
// the system cannot tell it (Wine, for a path longer than MAX_PATH), the full path as given, in the
// same form.
std::string FinalPathOf(HANDLE handle, const std::string& given) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) {
            return WideToUtf8(LongFormPath(ApiPath(given)));
        }
        if (length < path.size()) {
            path.resize(length);
            return WideToUtf8(path);
        }
        path.resize(length);
    }
}

UniqueHandle Duplicate(HANDLE handle) {
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        ThrowLastWin32Error();
    }
    return UniqueHandle(copy);
}

}  // namespace

std::unique_ptr<DestinationFolder> Win32DestinationFolder::Open(const std::string& path) {
    UniqueHandle folder = OpenFolder(path, 0);
    if (!folder.Valid()) {
        ThrowLastWin32Error();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(folder.Get(), &info)) {
        ThrowLastWin32Error();
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ThrowPlatformErrorNumber(PlatformError::kPathNotFound);
    }
    std::string finalPath = FinalPathOf(folder.Get(), path);
    return std::make_unique<Win32DestinationFolder>(std::move(folder), std::move(finalPath));
}

std::optional<PathInfo> Win32DestinationFolder::Inspect(const std::string& name) {
    const std::string path = Child(name);
    WIN32_FIND_DATAW data{};
    const UniqueFindHandle search(
        ::FindFirstFileExW(ApiPath(path).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!search.Valid()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return std::nullopt;
        }
        ThrowWin32Error(error);
    }
    if (IsLinkEntry(data.dwFileAttributes, data.dwReserved0)) {
        return PathInfo{kAttributeAlias, {}, 0, {}};
    }
    PathInfo result{AttributesOf(data.dwFileAttributes), {}, 0, {}};
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        const UniqueHandle folder = OpenFolder(path, FILE_FLAG_OPEN_REPARSE_POINT);
        result.identity = folder.Valid() ? IdentityOf(folder.Get()) : FolderIdentity{};
    } else {
        result.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        result.modified = FileTimeOf(data.ftLastWriteTime);
    }
    return result;
}

std::unique_ptr<DestinationFolder> Win32DestinationFolder::OpenSubfolder(const std::string& name,
                                                                         bool& created) {
    const std::string path = Child(name);
    created = ::CreateDirectoryW(ApiPath(path).c_str(), nullptr) != FALSE;
    if (!created && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        ThrowLastWin32Error();
    }
    UniqueHandle folder = OpenFolder(path, FILE_FLAG_OPEN_REPARSE_POINT);
    if (!folder.Valid()) {
        ThrowLastWin32Error();
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!::GetFileInformationByHandleEx(folder.Get(), FileAttributeTagInfo, &tag, sizeof tag)) {
        ThrowLastWin32Error();
    }
    if (IsLinkEntry(tag.FileAttributes, tag.ReparseTag)) {
        ThrowPlatformErrorNumber(PlatformError::kPathFileAccessError,
                                 "a link stands where the folder should be, and the copy does not write "
                                 "through links");
    }
    if ((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ThrowPlatformErrorNumber(PlatformError::kFileAlreadyExists,
                                 "a file stands where the folder should be");
    }
    return std::make_unique<Win32DestinationFolder>(std::move(folder), path);
}

std::unique_ptr<FileWriter> Win32DestinationFolder::CreateFileWriter(const std::string& name) {
    return CreateWin32FileWriter(Child(name), Duplicate(m_folder.Get()));
}

void Win32DestinationFolder::RemoveLeftoverTemporaries() {
    WIN32_FIND_DATAW data{};
    const UniqueFindHandle search(::FindFirstFileExW(ApiPath(Child("*")).c_str(), FindExInfoBasic, &data,
                                                     FindExSearchNameMatch, nullptr,
                                                     FIND_FIRST_EX_LARGE_FETCH));
    if (!search.Valid()) {
        return;
    }
    do {
        const DWORD attributes = data.dwFileAttributes;
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
            continue;
        }
        const std::string name = WideToUtf8(data.cFileName);
        if (IsLeftoverTemporaryName(name)) {
            ::DeleteFileW(ApiPath(Child(name)).c_str());
        }
    } while (::FindNextFileW(search.Get(), &data));
}

std::optional<std::uint64_t> Win32DestinationFolder::FreeSpace() {
    ULARGE_INTEGER availableToCaller{};
    // A share's root is taken only with its closing backslash.
    const std::string folder = m_path.ends_with('\\') ? m_path : m_path + "\\";
    if (!::GetDiskFreeSpaceExW(ApiPath(folder).c_str(), &availableToCaller, nullptr, nullptr)) {
        return std::nullopt;
    }
    return availableToCaller.QuadPart;
}

}  // namespace synvora
