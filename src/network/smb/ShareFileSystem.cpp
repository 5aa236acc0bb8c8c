#include "ShareFileSystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

#include "files/MigrationError.h"
#include "files/PlatformErrors.h"
#include "files/StreamedCopy.h"
#include "files/TemporaryNames.h"
#include "network/smb/ShareConnection.h"

namespace synvora {
namespace {

constexpr unsigned kOwnerWrite = 0200;
constexpr unsigned kReadWrite = 0644;
constexpr unsigned kReadOnly = 0444;
constexpr int kNameAttempts = 100;

// "/a/./b/../c/" is "/a/c". A ".." above the root stays at the root, as on a drive.
std::string Normalize(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string normalized;
    for (const std::string& part : parts) {
        normalized += "/" + part;
    }
    return normalized.empty() ? "/" : normalized;
}

struct SplitPath {
    std::string folder;
    std::string name;
};

SplitPath Split(const std::string& normalized) {
    const std::size_t slash = normalized.rfind('/');
    return {slash == 0 ? "/" : normalized.substr(0, slash), normalized.substr(slash + 1)};
}

std::string Child(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

int AttributesOf(const ShareEntry& entry) {
    int attributes = entry.isFolder ? kAttributeDirectory : kAttributeArchive;
    if (entry.readOnly) {
        attributes |= kAttributeReadOnly;
    }
    return attributes;
}

FileStamp StampOf(ShareFile& file) {
    const ShareEntry entry = file.Describe();
    return {entry.size, entry.modified};
}

/// Reads a file up to the size it had when it was opened: the last piece needs no further round
/// trip to learn that the end has come. A file that shrinks meanwhile fails the read rather than
/// give a shortened copy.
class ShareFileReader final : public FileReader {
public:
    ShareFileReader(ShareConnection& connection, const std::string& path)
        : m_file(connection.OpenFile(path, O_RDONLY)) {  // the open file holds the connection
        const ShareEntry entry = m_file->Describe();
        if (entry.isFolder) {
            ThrowPlatformError(EISDIR);
        }
        m_remaining = entry.size;
        m_permissions = entry.readOnly ? kReadOnly : kReadWrite;
    }

    std::size_t Read(std::span<char> buffer) override {
        const std::size_t wanted = buffer.size() < m_remaining ? buffer.size() : m_remaining;
        std::size_t filled = 0;
        while (filled < wanted) {
            const std::size_t got = m_file->Read(buffer.subspan(filled, wanted - filled));
            if (got == 0) {
                ThrowPlatformError(EIO);
            }
            filled += got;
        }
        m_remaining -= filled;
        return filled;
    }

    unsigned Permissions() const override { return m_permissions; }
    FileStamp CurrentStamp() override { return StampOf(*m_file); }
    void StartAt(std::uint64_t offset) override {
        m_file->SeekTo(offset);
        m_remaining -= std::min(offset, m_remaining);
    }

private:
    std::unique_ptr<ShareFile> m_file;
    std::uint64_t m_remaining = 0;
    unsigned m_permissions = kReadWrite;
};

/// Reads a file that a listing has just shown, trusting the listing's size for one thing only:
/// each read asks for one byte more than the file should still hold, so that the piece that
/// comes back short, with exactly the rest of the listed size, shows the end without a further
/// round trip. A file that changed since the listing is read to its real end.
class ListedShareFileReader final : public FileReader {
public:
    ListedShareFileReader(ShareConnection& connection, const std::string& path, const FolderEntry& listed)
        : m_file(connection.OpenFile(path, O_RDONLY)),
          m_expected(listed.size),
          m_permissions(listed.readOnly ? kReadOnly : kReadWrite) {}

    std::size_t Read(std::span<char> buffer) override {
        if (m_atEnd || buffer.empty()) {
            return 0;
        }
        const bool lastPiece = !m_pastListing && m_expected < buffer.size();
        const std::size_t wanted = lastPiece ? static_cast<std::size_t>(m_expected) + 1 : buffer.size();
        const std::size_t got = m_file->Read(buffer.first(wanted));
        if (got == 0) {
            m_atEnd = true;
        } else if (m_pastListing || got > m_expected) {
            m_pastListing = true;  // the file grew: read on to its end
        } else {
            m_expected -= got;
            m_atEnd = got < wanted && m_expected == 0;
        }
        return got;
    }

    unsigned Permissions() const override { return m_permissions; }
    FileStamp CurrentStamp() override { return StampOf(*m_file); }
    void StartAt(std::uint64_t offset) override {
        m_file->SeekTo(offset);
        m_expected -= std::min(offset, m_expected);
    }

private:
    std::unique_ptr<ShareFile> m_file;
    std::uint64_t m_expected;  // what the listing says is still to come
    unsigned m_permissions;
    bool m_pastListing = false;
    bool m_atEnd = false;
};

/// A new file written under a temporary name beside its final one; removed unless committed.
class ShareFileWriter final : public FileWriter {
public:
    ShareFileWriter(std::shared_ptr<ShareConnection> connection, const std::string& path)
        : m_connection(std::move(connection)), m_final(Normalize(path)) {
        const SplitPath split = Split(m_final);
        if (split.name.empty()) {
            ThrowPlatformError(EISDIR);
        }
        for (int attempt = 0; attempt < kNameAttempts && !m_file; ++attempt) {
            m_temporary = Child(split.folder, NextTemporaryName());
            try {
                m_file = m_connection->OpenFile(m_temporary, O_WRONLY | O_CREAT | O_EXCL);
            } catch (const MigrationError&) {
                if (m_connection->Find(m_temporary)) {
                    continue;  // the name is taken; try the next one
                }
                throw;
            }
        }
        if (!m_file) {
            ThrowPlatformError(EEXIST);
        }
    }
    ShareFileWriter(const ShareFileWriter&) = delete;
    ShareFileWriter& operator=(const ShareFileWriter&) = delete;
    ~ShareFileWriter() override {
        if (m_committed) {
            return;
        }
        m_file.reset();
        try {
            if (m_readOnly) {
                m_connection->SetReadOnly(m_temporary, false);  // a read-only file cannot be removed
            }
            m_connection->Remove(m_temporary);
        } catch (const MigrationError&) {
            // The connection is gone; a leftover hidden temporary is all that remains.
        }
    }

    void Write(std::string_view bytes) override { m_file->Write(bytes); }

    void SetModificationTime(FileTime modified) override { m_modified = modified; }

    void Commit(unsigned permissions, bool replace) override {
        m_file->Close();
        m_file.reset();
        // Before the read-only attribute, which would refuse it.
        if (m_modified) {
            m_connection->SetModificationTime(m_temporary, *m_modified);
        }
        if ((permissions & kOwnerWrite) == 0) {
            m_connection->SetReadOnly(m_temporary, true);
            m_readOnly = true;
        }
        if (const auto existing = m_connection->Find(m_final)) {
            if (existing->isFolder) {
                ThrowPlatformError(EISDIR);
            }
            if (!replace) {
                ThrowPlatformError(EEXIST);
            }
        }
        m_connection->Rename(m_temporary, m_final);
        m_committed = true;
    }

private:
    std::shared_ptr<ShareConnection> m_connection;
    std::string m_final;
    std::string m_temporary;
    std::unique_ptr<ShareFile> m_file;
    std::optional<FileTime> m_modified;
    bool m_readOnly = false;
    bool m_committed = false;
};

/// A folder of the share that a copy writes into, addressed by its path: what the server does
/// with links on the share is the server's business.
class ShareDestinationFolder final : public DestinationFolder {
public:
    ShareDestinationFolder(std::shared_ptr<ShareConnection> connection, std::string folder)
        : m_connection(std::move(connection)), m_folder(std::move(folder)) {}

    std::optional<PathInfo> Inspect(const std::string& name) override {
        const auto entry = m_connection->Find(Child(m_folder, name));
        if (!entry) {
            return std::nullopt;
        }
        return PathInfo{AttributesOf(*entry), entry->identity, entry->isFolder ? 0 : entry->size,
                        entry->modified};
    }

    std::unique_ptr<DestinationFolder> OpenSubfolder(const std::string& name, bool& created) override {
        const std::string path = Child(m_folder, name);
        const auto existing = m_connection->Find(path);
        if (existing && !existing->isFolder) {
            ThrowPlatformError(EEXIST, "a file stands where the folder should be");
        }
        created = !existing;
        if (created) {
            m_connection->MakeFolder(path);
        }
        return std::make_unique<ShareDestinationFolder>(m_connection, path);
    }

    std::unique_ptr<FileWriter> CreateFileWriter(const std::string& name) override {
        return std::make_unique<ShareFileWriter>(m_connection, Child(m_folder, name));
    }

    void RemoveLeftoverTemporaries() override {
        for (const FolderEntry& entry : m_connection->List(m_folder)) {
            if (!entry.isFolder && IsLeftoverTemporaryName(entry.name)) {
                try {
                    m_connection->Remove(Child(m_folder, entry.name));
                } catch (const MigrationError&) {
                    // Left for a later run, as one that cannot be removed is.
                }
            }
        }
    }

private:
    std::shared_ptr<ShareConnection> m_connection;
    std::string m_folder;
};

}  // namespace

ShareFileSystem::ShareFileSystem(std::shared_ptr<ShareConnection> connection)
    : m_connection(std::move(connection)) {}

bool ShareFileSystem::FileExists(const std::string& path) {
    try {
        const auto entry = m_connection->Find(Normalize(path));
        return entry && !entry->isFolder;
    } catch (const MigrationError&) {
        return false;
    }
}

bool ShareFileSystem::FolderExists(const std::string& path) {
    try {
        const auto entry = m_connection->Find(Normalize(path));
        return entry && entry->isFolder;
    } catch (const MigrationError&) {
        return false;
    }
}

void ShareFileSystem::CreateFolder(const std::string& path) {
    const std::string normalized = Normalize(path);
    std::string folder;
    std::size_t start = 1;
    while (start < normalized.size()) {
        const std::size_t end = std::min(normalized.find('/', start), normalized.size());
        folder = normalized.substr(0, end);
        const auto existing = m_connection->Find(folder);
        if (!existing) {
            try {
                m_connection->MakeFolder(folder);
            } catch (const MigrationError&) {
                // Made by someone else meanwhile is as good as made here.
                if (!FolderExists(folder)) {
                    throw;
                }
            }
        } else if (!existing->isFolder) {
            ThrowPlatformError(EEXIST);
        }
        start = end + 1;
    }
}

void ShareFileSystem::CopyFile(const std::string& source, const std::string& destination, bool overwrite) {
    CopyFileAcross(*this, source, *this, destination, overwrite);
}

void ShareFileSystem::CopyFolder(const std::string& source, const std::string& destination,
                                 const FolderCopyOptions& options) {
    CopyFolderAcross(*this, source, *this, destination, options);
}

int ShareFileSystem::Attributes(const std::string& path) {
    const auto entry = m_connection->Find(Normalize(path));
    if (!entry) {
        ThrowPlatformError(ENOENT);
    }
    return AttributesOf(*entry);
}

std::optional<PathInfo> ShareFileSystem::Inspect(const std::string& path) {
    const auto entry = m_connection->Find(Normalize(path));
    if (!entry) {
        return std::nullopt;
    }
    return PathInfo{AttributesOf(*entry), entry->identity, entry->isFolder ? 0 : entry->size,
                    entry->modified};
}

std::vector<FolderEntry> ShareFileSystem::ListFolder(const std::string& path) {
    return m_connection->List(Normalize(path));
}

std::unique_ptr<FileReader> ShareFileSystem::OpenForReading(const std::string& path) {
    return std::make_unique<ShareFileReader>(*m_connection, Normalize(path));
}

std::unique_ptr<FileReader> ShareFileSystem::OpenListedFile(const std::string& path,
                                                            const FolderEntry& listed) {
    return std::make_unique<ListedShareFileReader>(*m_connection, Normalize(path), listed);
}

std::unique_ptr<FileWriter> ShareFileSystem::CreateFileWriter(const std::string& path) {
    return std::make_unique<ShareFileWriter>(m_connection, path);
}

std::unique_ptr<DestinationFolder> ShareFileSystem::OpenDestinationFolder(const std::string& path) {
    const std::string folder = Normalize(path);
    const auto entry = m_connection->Find(folder);
    if (!entry || !entry->isFolder) {
        ThrowPlatformError(entry ? ENOTDIR : ENOENT);
    }
    return std::make_unique<ShareDestinationFolder>(m_connection, folder);
}

std::shared_ptr<FileSystem> ShareFileSystem::OpenSession() {
    auto connection = m_connection->OpenAnother();
    if (!connection) {
        return nullptr;
    }
    return std::make_shared<ShareFileSystem>(std::move(connection));
}

std::string ShareFileSystem::ReadFile(const std::string& path) {
    ShareFileReader reader(*m_connection, Normalize(path));
    std::string content;
    std::vector<char> buffer(std::size_t{1} << 16);
    while (const std::size_t got = reader.Read(buffer)) {
        content.append(buffer.data(), got);
    }
    return content;
}

void ShareFileSystem::ReplaceFile(const std::string& path, std::string_view content) {
    ShareFileWriter writer(m_connection, path);
    writer.Write(content);
    writer.Commit(kReadWrite, true);
}

void ShareFileSystem::CreateEmptyFile(const std::string& path) {
    ShareFileWriter(m_connection, path).Commit(kReadWrite, true);
}

void ShareFileSystem::AppendToFile(const std::string& path, std::string_view content) {
    const auto file = m_connection->OpenFile(Normalize(path), O_WRONLY);
    file->SeekToEnd();
    file->Write(content);
    file->Close();
}

void ShareFileSystem::RestrictToOwner(const std::string&) {
    ThrowPlatformError(EPERM);
}

}  // namespace synvora
