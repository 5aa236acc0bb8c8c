#include "StreamedCopy.h"

#include <exception>
#include <functional>
#include <optional>
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

/// Starts the new file that a copy writes, under its final name's temporary.
using FileWriterSource = std::function<std::unique_ptr<FileWriter>()>;

// True when the destination already holds a complete copy to keep; raises what keeps a new file
// from taking the name.
bool KeepsDestination(const std::optional<PathInfo>& existing, const FolderCopyOptions& options,
                      const FolderEntry& source) {
    return existing && KeepsEarlierCopy({existing->IsFolder(), existing->IsLink(), existing->IsReadOnly(),
                                         existing->size, existing->modified},
                                        source.size, source.modified, options);
}

/// What a file's streaming read: its bytes, in how many pieces.
struct Streamed {
    std::uint64_t bytes = 0;
    int pieces = 0;
};

Streamed StreamContent(FileReader& reader, FileWriter& writer, std::vector<char>& buffer,
                       CopyTracker* tracker) {
    Streamed streamed;
    for (;;) {
        const std::size_t got = reader.Read(buffer);
        if (got == 0) {
            return streamed;
        }
        writer.Write(std::string_view(buffer.data(), got));
        streamed.bytes += got;
        streamed.pieces += 1;
        if (tracker != nullptr) {
            tracker->PieceCopied(got);
        }
    }
}

// True when the file was the same from the first byte read to the last. A file read in one piece
// came in one answer of its server, so its size tells enough and no further question is asked;
// one read in several pieces is asked for its size and time at the end.
bool ReadUnchanged(FileReader& reader, const Streamed& streamed, const FileStamp& expected) {
    return streamed.bytes == expected.size &&
           (streamed.pieces <= 1 || reader.CurrentStamp().Matches(expected));
}

/// Copies one file whose listing is known into a destination folder, under the same name. The
/// destination gets the modification time the copy started with. A source that changes while
/// it is copied is copied once more from its start, as it is then; a second change fails the
/// file, and nothing of it is committed.
void CopyOneFile(FileSystem& from, const std::string& source, const FolderEntry& listed, FileWriterSource& to,
                 const FolderCopyOptions& options, std::vector<char>& buffer, CopyTracker* tracker) {
    FolderEntry expected = listed;
    for (int attempt = 1;; ++attempt) {
        const auto reader = from.OpenListedFile(source, expected);
        const auto writer = to();
        const Streamed streamed = StreamContent(*reader, *writer, buffer, tracker);
        if (ReadUnchanged(*reader, streamed, {expected.size, expected.modified})) {
            writer->SetModificationTime(expected.modified);
            writer->Commit(reader->Permissions(), options.overwrite);
            return;
        }
        const auto now = attempt == 1 ? from.Inspect(source) : std::nullopt;
        if (!now || now->IsFolder()) {
            RaiseSourceChanged();
        }
        expected.size = now->size;
        expected.modified = now->modified;
        expected.readOnly = now->IsReadOnly();
        if (tracker != nullptr) {
            tracker->FileRestarted();
        }
    }
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

/// Copies a listed tree into a destination folder held open. A failing entry is remembered and
/// the copy goes on, except when the source's drive has gone, or the monitor asked to stop: then
/// nothing more is started.
class StreamedTreeCopy {
public:
    StreamedTreeCopy(FileSystem& from, const FolderCopyOptions& options, CopyTotals totals)
        : m_from(from), m_options(options), m_tracker(options.monitor, totals) {}

    /// destinationMayHoldFiles is false for a folder this copy has just created: nothing in it
    /// needs looking at first.
    void CopyContent(const PlannedFolder& folder, const std::string& source, DestinationFolder& destination,
                     bool destinationMayHoldFiles, const CopiedEntry& entry);
    void RaiseFirstFailure() const {
        m_failures.RaiseFirst();
        m_tracker.RaiseIfStopped();
    }

private:
    bool Ending() const { return m_failures.DriveGone() || m_tracker.Stopping(); }
    void CopyFileEntry(const PlannedEntry& file, const std::string& source, DestinationFolder& destination,
                       bool destinationMayHoldFiles, const CopiedEntry& entry);

    FileSystem& m_from;
    const FolderCopyOptions& m_options;
    CopyTracker m_tracker;
    // One buffer for every file: a folder of small files would otherwise allocate and clear a
    // whole chunk per file.
    std::vector<char> m_buffer = std::vector<char>(kChunkSize);
    CopyFailures m_failures;
};

void StreamedTreeCopy::CopyContent(const PlannedFolder& folder, const std::string& source,
                                   DestinationFolder& destination, bool destinationMayHoldFiles,
                                   const CopiedEntry& entry) {
    if (folder.listingFailure) {
        m_failures.Attempt(entry, [&] { std::rethrow_exception(folder.listingFailure); });
        return;
    }
    if (destinationMayHoldFiles) {
        destination.RemoveLeftoverTemporaries();
    }
    for (const PlannedEntry& planned : folder.entries) {
        if (Ending()) {
            return;
        }
        const std::string from = ChildPath(source, planned.entry.name);
        const CopiedEntry child = entry.Child(planned.entry.name, planned.folder != nullptr);
        if (!planned.folder) {
            CopyFileEntry(planned, from, destination, destinationMayHoldFiles, child);
            continue;
        }
        m_failures.Attempt(child, [&] {
            bool created = false;
            const auto subfolder = destination.OpenSubfolder(planned.entry.name, created);
            CopyContent(*planned.folder, from, *subfolder, !created, child);
        });
    }
}

void StreamedTreeCopy::CopyFileEntry(const PlannedEntry& file, const std::string& source,
                                     DestinationFolder& destination, bool destinationMayHoldFiles,
                                     const CopiedEntry& entry) {
    CopyTracker* tracker = m_tracker.Monitored() ? &m_tracker : nullptr;
    m_failures.Attempt(entry, [&] {
        const std::string& name = file.entry.name;
        if (destinationMayHoldFiles && KeepsDestination(destination.Inspect(name), m_options, file.entry)) {
            return;
        }
        FileWriterSource writer = [&] { return destination.CreateFileWriter(name); };
        CopyOneFile(m_from, source, file.entry, writer, m_options, m_buffer, tracker);
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
    if (KeepsDestination(to.Inspect(destination), options, listed)) {
        return;
    }
    std::vector<char> buffer(kChunkSize);
    FileWriterSource writer = [&] { return to.CreateFileWriter(destination); };
    CopyOneFile(from, source, listed, writer, options, buffer, nullptr);
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
    const auto root = to.OpenDestinationFolder(destination);
    StreamedTreeCopy tree(from, options, plan.totals);
    tree.CopyContent(plan.root, source, *root, !created, CopiedEntry{"", true});
    tree.RaiseFirstFailure();
}

}  // namespace synvora
