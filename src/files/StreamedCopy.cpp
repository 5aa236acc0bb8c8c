#include "StreamedCopy.h"

#include <exception>
#include <vector>

#include "CopyPlan.h"
#include "ErrorCodes.h"
#include "FileSystem.h"
#include "PlatformErrors.h"

namespace synvora {
namespace {

// Large enough to keep a network round trip per chunk cheap against the data it carries, and
// small enough for a watched copy to report often.
constexpr std::size_t kChunkSize = std::size_t{1} << 20;

// True when the destination already holds a complete copy to keep; raises what keeps a new file
// from taking the name.
bool KeepsDestination(FileSystem& to, const std::string& destination, const FolderCopyOptions& options,
                      const FolderEntry& source) {
    const auto existing = to.Inspect(destination);
    return existing && KeepsEarlierCopy(
                           {existing->IsFolder(), existing->IsReadOnly(), existing->size, existing->modified},
                           source.size, source.modified, options);
}

void StreamContent(FileReader& reader, FileWriter& writer, std::vector<char>& buffer, CopyTracker* tracker) {
    for (;;) {
        const std::size_t got = reader.Read(buffer);
        if (got == 0) {
            return;
        }
        writer.Write(std::string_view(buffer.data(), got));
        if (tracker != nullptr) {
            tracker->PieceCopied(got);
        }
    }
}

/// Copies one file whose listing is known; the destination gets the listed modification time.
void CopyOneFile(FileSystem& from, const std::string& source, FileSystem& to, const std::string& destination,
                 const FolderCopyOptions& options, const FolderEntry& listed, bool destinationMayExist,
                 std::vector<char>& buffer, CopyTracker* tracker) {
    if (destinationMayExist && KeepsDestination(to, destination, options, listed)) {
        return;
    }
    const auto reader = from.OpenListedFile(source, listed);
    const auto writer = to.CreateFileWriter(destination);
    StreamContent(*reader, *writer, buffer, tracker);
    writer->SetModificationTime(listed.modified);
    writer->Commit(reader->Permissions(), options.overwrite);
}

// Makes sure a destination folder exists; true when this call created it.
bool EnsureFolder(FileSystem& to, const std::string& path) {
    const auto existing = to.Inspect(path);
    if (!existing) {
        to.CreateFolder(path);
        return true;
    }
    if (!existing->IsFolder()) {
        ThrowPlatformErrorNumber(PlatformError::kFileAlreadyExists);
    }
    return false;
}

/// Copies a listed tree. A failing entry is remembered and the copy goes on, except when the
/// source's drive has gone, or the monitor asked to stop: then nothing more is started.
class StreamedTreeCopy {
public:
    StreamedTreeCopy(FileSystem& from, FileSystem& to, const FolderCopyOptions& options, CopyTotals totals)
        : m_from(from), m_to(to), m_options(options), m_tracker(options.monitor, totals) {}

    void CopyContent(const PlannedFolder& folder, const std::string& source, const std::string& destination,
                     bool destinationMayHoldFiles);
    void RaiseFirstFailure() const {
        m_failures.RaiseFirst();
        m_tracker.RaiseIfStopped();
    }

private:
    bool Ending() const { return m_failures.DriveGone() || m_tracker.Stopping(); }
    void CopyFileEntry(const PlannedEntry& file, const std::string& source, const std::string& destination,
                       bool destinationMayHoldFiles);

    // In a folder this copy has just created, nothing needs looking at first.
    bool PrepareFolder(const std::string& path, bool mayExist) {
        if (mayExist) {
            return EnsureFolder(m_to, path);
        }
        m_to.CreateFolder(path);
        return true;
    }

    FileSystem& m_from;
    FileSystem& m_to;
    const FolderCopyOptions& m_options;
    CopyTracker m_tracker;
    // One buffer for every file: a folder of small files would otherwise allocate and clear a
    // whole chunk per file.
    std::vector<char> m_buffer = std::vector<char>(kChunkSize);
    CopyFailures m_failures;
};

void StreamedTreeCopy::CopyContent(const PlannedFolder& folder, const std::string& source,
                                   const std::string& destination, bool destinationMayHoldFiles) {
    if (folder.listingFailure) {
        m_failures.Attempt([&] { std::rethrow_exception(folder.listingFailure); });
        return;
    }
    for (const PlannedEntry& planned : folder.entries) {
        if (Ending()) {
            return;
        }
        const std::string from = ChildPath(source, planned.entry.name);
        const std::string to = ChildPath(destination, planned.entry.name);
        if (!planned.folder) {
            CopyFileEntry(planned, from, to, destinationMayHoldFiles);
            continue;
        }
        m_failures.Attempt([&] {
            const bool created = PrepareFolder(to, destinationMayHoldFiles);
            CopyContent(*planned.folder, from, to, !created);
        });
    }
}

void StreamedTreeCopy::CopyFileEntry(const PlannedEntry& file, const std::string& source,
                                     const std::string& destination, bool destinationMayHoldFiles) {
    CopyTracker* tracker = m_tracker.Monitored() ? &m_tracker : nullptr;
    m_failures.Attempt([&] {
        CopyOneFile(m_from, source, m_to, destination, m_options, file.entry, destinationMayHoldFiles,
                    m_buffer, tracker);
    });
    m_tracker.FileDone(file.entry.size);
}

}  // namespace

void CopyFileAcross(FileSystem& from, const std::string& source, FileSystem& to,
                    const std::string& destination, bool overwrite) {
    const auto file = from.Inspect(source);
    if (!file) {
        ThrowPlatformErrorNumber(PlatformError::kFileNotFound);
    }
    if (file->IsFolder()) {
        ThrowPlatformErrorNumber(PlatformError::kPathFileAccessError);
    }
    const FolderEntry listed = FolderEntry::File("", file->size, file->modified, file->IsReadOnly());
    FolderCopyOptions options;
    options.overwrite = overwrite;
    std::vector<char> buffer(kChunkSize);
    CopyOneFile(from, source, to, destination, options, listed, true, buffer, nullptr);
}

void CopyFolderAcross(FileSystem& from, const std::string& source, FileSystem& to,
                      const std::string& destination, const FolderCopyOptions& options) {
    const auto folder = from.Inspect(source);
    if (!folder || !folder->IsFolder()) {
        ThrowPlatformErrorNumber(PlatformError::kPathNotFound);
    }
    const bool created = EnsureFolder(to, destination);
    const CopyPlan plan = PlanFolderCopy(from, source, folder->identity, options.monitor);
    if (plan.stopped) {
        ThrowPlatformErrorNumber(PlatformError::kUserInterrupt);
    }
    StreamedTreeCopy tree(from, to, options, plan.totals);
    tree.CopyContent(plan.root, source, destination, !created);
    tree.RaiseFirstFailure();
}

}  // namespace synvora
