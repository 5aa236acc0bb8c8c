#include "StreamedCopy.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <vector>

#include "ErrorCodes.h"
#include "FileSystem.h"
#include "MigrationError.h"
#include "PlatformErrors.h"

namespace synvora {
namespace {

// Large enough to keep a network round trip per chunk cheap against the data it carries.
constexpr std::size_t kChunkSize = std::size_t{1} << 20;

std::string ChildPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

void CheckDestination(FileSystem& to, const std::string& destination, bool overwrite) {
    const auto existing = to.Inspect(destination);
    if (!existing) {
        return;
    }
    if (existing->IsFolder()) {
        ThrowPlatformError(EISDIR);
    }
    if (!overwrite) {
        ThrowPlatformError(EEXIST);
    }
    // Our own check: the destination's backend may let its user write anything (root, a share
    // with relaxed rights), and a rename would not look at the attribute anyway.
    if (existing->IsReadOnly()) {
        ThrowPlatformError(EACCES);
    }
}

void CopyOneFile(FileSystem& from, const std::string& source, FileSystem& to, const std::string& destination,
                 bool overwrite, bool destinationMayExist, std::vector<char>& buffer) {
    const auto reader = from.OpenForReading(source);
    if (destinationMayExist) {
        CheckDestination(to, destination, overwrite);
    }
    const auto writer = to.CreateFileWriter(destination);
    for (;;) {
        const std::size_t got = reader->Read(buffer);
        if (got == 0) {
            break;
        }
        writer->Write(std::string_view(buffer.data(), got));
    }
    writer->Commit(reader->Permissions(), overwrite);
}

// Makes sure a destination folder exists; true when this call created it.
bool EnsureFolder(FileSystem& to, const std::string& path) {
    const auto existing = to.Inspect(path);
    if (!existing) {
        to.CreateFolder(path);
        return true;
    }
    if (!existing->IsFolder()) {
        ThrowPlatformError(EEXIST);
    }
    return false;
}

class StreamedTreeCopy {
public:
    StreamedTreeCopy(FileSystem& from, FileSystem& to, bool overwrite)
        : m_from(from), m_to(to), m_overwrite(overwrite) {}

    void CopyContent(const std::string& source, const std::string& destination, bool destinationMayHoldFiles,
                     FolderIdentity sourceIdentity);
    void RaiseFirstFailure() const {
        if (m_firstFailure) {
            std::rethrow_exception(m_firstFailure);
        }
    }

private:
    template <typename Step>
    void Attempt(Step&& step) {
        try {
            step();
        } catch (const MigrationError&) {
            if (!m_firstFailure) {
                m_firstFailure = std::current_exception();
            }
        }
    }
    void CopyEntries(const std::string& source, const std::string& destination, bool destinationMayHoldFiles);

    // In a folder this copy has just created, nothing needs looking at first.
    bool PrepareFolder(const std::string& path, bool mayExist) {
        if (mayExist) {
            return EnsureFolder(m_to, path);
        }
        m_to.CreateFolder(path);
        return true;
    }
    bool IsAncestor(FolderIdentity identity) const {
        return identity.Known() &&
               std::find(m_ancestors.begin(), m_ancestors.end(), identity) != m_ancestors.end();
    }

    FileSystem& m_from;
    FileSystem& m_to;
    bool m_overwrite;
    // One buffer for every file: a folder of small files would otherwise allocate and clear a
    // whole chunk per file.
    std::vector<char> m_buffer = std::vector<char>(kChunkSize);
    std::vector<FolderIdentity> m_ancestors;
    std::exception_ptr m_firstFailure;
};

void StreamedTreeCopy::CopyContent(const std::string& source, const std::string& destination,
                                   bool destinationMayHoldFiles, FolderIdentity sourceIdentity) {
    m_ancestors.push_back(sourceIdentity);
    Attempt([&] { CopyEntries(source, destination, destinationMayHoldFiles); });
    m_ancestors.pop_back();
}

void StreamedTreeCopy::CopyEntries(const std::string& source, const std::string& destination,
                                   bool destinationMayHoldFiles) {
    for (const FolderEntry& entry : m_from.ListFolder(source)) {
        const std::string from = ChildPath(source, entry.name);
        const std::string to = ChildPath(destination, entry.name);
        if (!entry.isFolder) {
            Attempt(
                [&] { CopyOneFile(m_from, from, m_to, to, m_overwrite, destinationMayHoldFiles, m_buffer); });
        } else if (!IsAncestor(entry.identity)) {  // a link back into the copy would never end
            Attempt([&] {
                const bool created = PrepareFolder(to, destinationMayHoldFiles);
                CopyContent(from, to, !created, entry.identity);
            });
        }
    }
}

}  // namespace

void CopyFileAcross(FileSystem& from, const std::string& source, FileSystem& to,
                    const std::string& destination, bool overwrite) {
    std::vector<char> buffer(kChunkSize);
    CopyOneFile(from, source, to, destination, overwrite, true, buffer);
}

void CopyFolderAcross(FileSystem& from, const std::string& source, FileSystem& to,
                      const std::string& destination, bool overwrite) {
    const auto folder = from.Inspect(source);
    if (!folder || !folder->IsFolder()) {
        ThrowPlatformErrorNumber(PlatformError::kPathNotFound);
    }
    const bool created = EnsureFolder(to, destination);
    StreamedTreeCopy tree(from, to, overwrite);
    tree.CopyContent(source, destination, !created, folder->identity);
    tree.RaiseFirstFailure();
}

}  // namespace synvora
