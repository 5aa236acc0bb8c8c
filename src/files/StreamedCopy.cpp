#include "StreamedCopy.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "CopyPlan.h"
#include "CopyWorkers.h"
#include "ErrorCodes.h"
#include "FileSystem.h"
#include "LargeFileParts.h"
#include "MigrationError.h"
#include "PlatformErrors.h"

namespace synvora {
namespace {

// A file is read in pieces of 1 MiB at first: large enough to keep a network round trip per piece
// cheap against the data it carries, small enough for a watched copy to report often. Pieces that
// come quickly grow, up to kLargestPiece, so that a large file waits for few round trips (a share
// sends the parts of one large read without waiting between them); pieces that come slowly
// shrink, so that no single read on a slow link nears the time-out for one answer.
constexpr std::size_t kChunkSize = std::size_t{1} << 20;
constexpr std::size_t kSmallestPiece = std::size_t{64} << 10;
constexpr std::size_t kLargestPiece = std::size_t{6} << 20;
constexpr std::chrono::milliseconds kQuickPiece{250};
constexpr std::chrono::milliseconds kSlowPiece{2000};
// A file this large is offered to a second worker, which takes the second half of what is left
// when it comes free in time (LargeFileParts).
constexpr std::uint64_t kSharedFrom = std::uint64_t{16} << 20;
// Buffers for pieces beyond 1 MiB, lent in pairs to one worker at a time: they bound the memory
// however many workers there are.
constexpr int kLargeBuffers = 6;

/// The buffers of a copy's workers for pieces larger than their own.
class LargeBuffers {
public:
    using Buffer = std::unique_ptr<std::vector<char>>;
    using Pair = std::array<Buffer, 2>;

    /// Two buffers of kLargestPiece, or nothing while fewer are free.
    std::optional<Pair> TryBorrowPair() {
        const std::lock_guard lock(m_mutex);
        while (m_free.size() < 2 && m_made < kLargeBuffers) {
            ++m_made;
            m_free.push_back(std::make_unique<std::vector<char>>(kLargestPiece));
        }
        if (m_free.size() < 2) {
            return std::nullopt;
        }
        Pair pair;
        for (Buffer& buffer : pair) {
            buffer = std::move(m_free.back());
            m_free.pop_back();
        }
        return pair;
    }

    void GiveBack(Pair pair) {
        const std::lock_guard lock(m_mutex);
        for (Buffer& buffer : pair) {
            m_free.push_back(std::move(buffer));
        }
    }

    /// The size of piece the copy's files last read quickly: a file's first piece, so that on a
    /// fast link the files after the first need no pieces that grow again from the smallest.
    std::size_t QuickPiece() const { return m_quickPiece.load(); }
    void NoteQuickPiece(std::size_t piece) { m_quickPiece.store(piece); }

private:
    std::atomic<std::size_t> m_quickPiece{kChunkSize};
    std::mutex m_mutex;
    std::vector<Buffer> m_free;
    int m_made = 0;
};

/// Where a file's pieces are read to, and how large the next one is. Two buffers take turns: one
/// is written to the destination while the next piece is read into the other.
class PieceBuffer {
public:
    /// `own` holds both of the worker's own buffers, of kChunkSize each. A file read again after a
    /// change starts small (`again`), as it does on a link not yet found quick.
    PieceBuffer(std::vector<char>& own, LargeBuffers* large, bool again) : m_own(own), m_large(large) {
        if (m_large != nullptr && !again && m_large->QuickPiece() > kChunkSize) {
            m_borrowed = m_large->TryBorrowPair();
            if (m_borrowed) {
                m_piece = m_large->QuickPiece();
            }
        }
    }
    PieceBuffer(const PieceBuffer&) = delete;
    PieceBuffer& operator=(const PieceBuffer&) = delete;
    ~PieceBuffer() {
        if (m_borrowed) {
            m_large->GiveBack(std::move(*m_borrowed));
        }
    }

    std::span<char> Next() {
        const std::span<char> buffer = m_borrowed
                                           ? std::span<char>(*(*m_borrowed)[m_turn])
                                           : std::span<char>(m_own).subspan(m_turn * kChunkSize, kChunkSize);
        return buffer.first(std::min(m_piece, buffer.size()));
    }

    /// The piece read last goes to the destination: the next one is read into the other buffer.
    void TakeTurns() { m_turn = 1 - m_turn; }

    /// A piece took this long: the next one grows or shrinks.
    void Took(std::size_t asked, std::size_t got, std::chrono::steady_clock::duration time) {
        if (time > kSlowPiece) {
            m_piece = std::max(kSmallestPiece, m_piece / 2);
            Note();
        } else if (got == asked && time < kQuickPiece && m_piece < kLargestPiece) {
            if (m_piece * 2 > kChunkSize && !m_borrowed && m_large != nullptr) {
                m_borrowed = m_large->TryBorrowPair();
            }
            if (m_piece * 2 <= kChunkSize || m_borrowed) {
                m_piece = std::min(m_piece * 2, kLargestPiece);
                Note();
            }
        }
    }

private:
    void Note() {
        if (m_large != nullptr) {
            m_large->NoteQuickPiece(std::max(m_piece, kChunkSize));
        }
    }

    std::vector<char>& m_own;
    LargeBuffers* m_large;
    std::optional<LargeBuffers::Pair> m_borrowed;
    std::size_t m_piece = kChunkSize;
    std::size_t m_turn = 0;
};

/// Writes a file's pieces on a thread of their own, so that a large file's next piece is read
/// meanwhile: on a network with a round trip of 10 ms, writing a piece of 8 MiB to the disk took
/// half as long as reading it. Only
/// for a destination that takes several writers: the thread that waits for a write does not keep a
/// window alive meanwhile. The piece handed over must stay untouched until the next hand-over or Finish,
/// which wait for it and raise its failure.
class WriteBehind {
public:
    WriteBehind(FileWriter& writer, bool enabled) : m_writer(writer), m_enabled(enabled) {}
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;
    /// A copy that fails elsewhere still waits here for the piece in hand, which uses the writer.
    ~WriteBehind() {
        if (m_pending.valid()) {
            m_pending.wait();
        }
    }

    /// Starts writing a piece that more will follow, after the pieces before it or at its place
    /// (`at`) in the file; one that is the last is written at once.
    void Write(std::string_view piece, std::optional<std::uint64_t> at, bool moreToCome) {
        Finish();
        const auto write = [this, piece, at] { at ? m_writer.WriteAt(*at, piece) : m_writer.Write(piece); };
        if (moreToCome && m_enabled) {
            m_pending = std::async(std::launch::async, write);
        } else {
            write();
        }
    }

    void Finish() {
        if (m_pending.valid()) {
            m_pending.get();
        }
    }

private:
    FileWriter& m_writer;
    bool m_enabled;
    std::future<void> m_pending;
};

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

/// One part of a file that several readers share: where it starts, and how much of it the next
/// piece may take from a position (0 at its end). Its pieces are written at their place.
struct FilePart {
    std::uint64_t start = 0;
    std::function<std::size_t(std::uint64_t position, std::size_t wanted)> pieceLimit;
};

/// Streams a file, or one part of it, from the reader to the writer.
Streamed StreamContent(FileReader& reader, FileWriter& writer, bool writeBehind, PieceBuffer& pieces,
                       FileInFlight* count, const FilePart* part = nullptr) {
    Streamed streamed;
    WriteBehind behind(writer, writeBehind);
    std::uint64_t position = part != nullptr ? part->start : 0;
    for (;;) {
        std::span<char> buffer = pieces.Next();
        if (part != nullptr) {
            buffer = buffer.first(part->pieceLimit(position, buffer.size()));
            if (buffer.empty()) {
                break;
            }
        }
        const auto start = std::chrono::steady_clock::now();
        const std::size_t got = reader.Read(buffer);
        pieces.Took(buffer.size(), got, std::chrono::steady_clock::now() - start);
        if (got == 0) {
            break;
        }
        // A piece shorter than asked is a file's last.
        const bool last = got < buffer.size();
        behind.Write(std::string_view(buffer.data(), got),
                     part != nullptr ? std::optional(position) : std::nullopt, !last);
        pieces.TakeTurns();
        position += got;
        streamed.bytes += got;
        streamed.pieces += 1;
        if (count != nullptr) {
            count->PieceCopied(got);
        }
        if (last && part != nullptr) {
            break;
        }
    }
    behind.Finish();
    return streamed;
}

/// Offers the second half of a large file to a worker that comes free; nothing where the copy has
/// no other worker.
using HelpOffer = std::function<void(const std::shared_ptr<LargeFileParts>&)>;

/// Streams a large file from its start while a helper may take over its second half; the two
/// write into the same new file, each at its place.
Streamed StreamWithHelp(FileReader& reader, FileWriter& writer, PieceBuffer& pieces, FileInFlight* count,
                        std::uint64_t size, const HelpOffer& offerHelp) {
    const auto parts = std::make_shared<LargeFileParts>(size, writer, count);
    const AbandonParts leavingEarly(*parts);
    offerHelp(parts);
    const FilePart own{
        0, [&](std::uint64_t position, std::size_t wanted) { return parts->OwnerPiece(position, wanted); }};
    const Streamed read = StreamContent(reader, writer, true, pieces, count, &own);
    const Streamed helped = parts->Finish();
    return {read.bytes + helped.bytes, read.pieces + helped.pieces};
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
/// it is copied is copied once more from its start, as it is then, by this worker alone, in
/// pieces that start small again; a second change fails the file, and nothing of it is committed.
void CopyOneFile(FileSystem& from, const std::string& source, const FolderEntry& listed, FileWriterSource& to,
                 const FolderCopyOptions& options, bool writeBehind, std::vector<char>& buffer,
                 LargeBuffers* large, FileInFlight* count, const HelpOffer& offerHelp = nullptr) {
    FolderEntry expected = listed;
    for (int attempt = 1;; ++attempt) {
        PieceBuffer pieces(buffer, large, attempt > 1);
        const auto reader = from.OpenListedFile(source, expected);
        const auto writer = to();
        const bool helped = attempt == 1 && offerHelp && writeBehind && expected.size >= kSharedFrom &&
                            writer->WritesAtOffsets();
        const Streamed streamed =
            helped ? StreamWithHelp(*reader, *writer, pieces, count, expected.size, offerHelp)
                   : StreamContent(*reader, *writer, writeBehind, pieces, count);
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
        if (count != nullptr) {
            count->Restarted();
        }
    }
}

// A worker's own two buffers, made when it first carries a file.
void EnsureBuffers(CopyWorker& worker) {
    if (worker.buffer.empty()) {
        worker.buffer.resize(2 * kChunkSize);
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

// Tasks waiting for a worker beyond those in hand: enough that no worker waits for the next
// file, few enough that only a handful of destination folders are held open for them.
constexpr std::size_t kQueuedPerWorker = 2;

/// Copies a listed tree into a destination folder held open, carrying files on the workers. A
/// failing entry is remembered and the copy goes on, except when the source's drive has gone, or
/// the monitor asked to stop: then nothing more is started.
class StreamedTreeCopy {
public:
    StreamedTreeCopy(CopyWorkers& workers, const FolderCopyOptions& options, CopyTotals totals)
        : m_workers(workers), m_options(options), m_tracker(options.monitor, totals) {}

    /// Before the first byte: decides for each file whether the destination keeps its earlier copy,
    /// removes leftover temporaries from the folders that exist, and refuses the copy (false) when
    /// the destination's file system has less room than the files still to fetch.
    bool LookAtDestination(PlannedFolder& root, DestinationFolder& destination, bool destinationMayHoldFiles);
    /// destinationMayHoldFiles is false for a folder this copy has just created: nothing in it
    /// needs looking at first.
    void Copy(const PlannedFolder& root, const std::string& source,
              const std::shared_ptr<DestinationFolder>& destination, bool destinationMayHoldFiles);
    void RaiseFirstFailure() const {
        m_failures.RaiseFirst();
        m_tracker.RaiseIfStopped();
    }

private:
    bool Ending() const { return m_failures.DriveGone() || m_tracker.Stopping(); }
    std::uint64_t BytesToFetch(PlannedFolder& folder, DestinationFolder* destination);
    void CopyContent(const PlannedFolder& folder, const std::string& source,
                     const std::shared_ptr<DestinationFolder>& destination, bool destinationMayHoldFiles,
                     const CopiedEntry& entry);
    void CopyFileEntry(const PlannedEntry& file, const std::string& source,
                       const std::shared_ptr<DestinationFolder>& destination, const CopiedEntry& entry);
    /// Queues a helper for the second half of a large file, behind the files that wait.
    void OfferHelp(const std::shared_ptr<LargeFileParts>& parts, const std::string& source,
                   const FolderEntry& listed);
    /// What the copy's thread does while it waits for the workers.
    void WhileWaiting() {
        m_tracker.Report();
        if (Ending()) {
            m_workers.DropWaiting();
        }
    }

    CopyWorkers& m_workers;
    const FolderCopyOptions& m_options;
    CopyTracker m_tracker;
    CopyFailures m_failures;
    LargeBuffers m_largeBuffers;
};

bool StreamedTreeCopy::LookAtDestination(PlannedFolder& root, DestinationFolder& destination,
                                         bool destinationMayHoldFiles) {
    const std::uint64_t needed = BytesToFetch(root, destinationMayHoldFiles ? &destination : nullptr);
    const auto free = destination.FreeSpace();
    if (free && *free < needed) {
        m_failures.Attempt(CopiedEntry{"", true}, [&] { RaiseNoRoom(needed, *free); });
        return false;
    }
    return true;
}

// The bytes of the files that the copy will write below the folder; nullptr for a destination
// folder that does not exist yet. What will fail anyway (a link or a file where a folder belongs)
// needs no room.
std::uint64_t StreamedTreeCopy::BytesToFetch(PlannedFolder& folder, DestinationFolder* destination) {
    if (folder.listingFailure) {
        return 0;
    }
    if (destination != nullptr) {
        destination->RemoveLeftoverTemporaries();
    }
    std::uint64_t needed = 0;
    for (PlannedEntry& planned : folder.entries) {
        const std::string& name = planned.entry.name;
        std::optional<PathInfo> existing;
        if (destination != nullptr) {
            try {
                existing = destination->Inspect(name);
            } catch (const MigrationError&) {
                planned.refused = std::current_exception();
                continue;
            }
        }
        if (!planned.folder) {
            try {
                planned.keep = KeepsDestination(existing, m_options, planned.entry);
            } catch (const MigrationError&) {
                planned.refused = std::current_exception();
            }
            needed += planned.keep || planned.refused ? 0 : planned.entry.size;
        } else if (!existing) {
            needed += BytesToFetch(*planned.folder, nullptr);
        } else if (existing->IsFolder() && !existing->IsLink()) {
            try {
                bool created = false;
                needed += BytesToFetch(*planned.folder, destination->OpenSubfolder(name, created).get());
            } catch (const MigrationError&) {
                // The copy meets the same failure when it gets there.
            }
        }
    }
    return needed;
}

void StreamedTreeCopy::Copy(const PlannedFolder& root, const std::string& source,
                            const std::shared_ptr<DestinationFolder>& destination,
                            bool destinationMayHoldFiles) {
    try {
        CopyContent(root, source, destination, destinationMayHoldFiles, CopiedEntry{"", true});
        m_workers.WaitUntilDone([this] { WhileWaiting(); });
    } catch (...) {
        m_workers.Quiesce();  // the tasks use this copy and its plan
        throw;
    }
    m_tracker.ReportChanges();  // the last files may have ended before the wait began
}

void StreamedTreeCopy::CopyContent(const PlannedFolder& folder, const std::string& source,
                                   const std::shared_ptr<DestinationFolder>& destination,
                                   bool destinationMayHoldFiles, const CopiedEntry& entry) {
    if (folder.listingFailure) {
        m_failures.Attempt(entry, [&] { std::rethrow_exception(folder.listingFailure); });
        return;
    }
    for (const PlannedEntry& planned : folder.entries) {
        if (Ending()) {
            return;
        }
        const std::string from = ChildPath(source, planned.entry.name);
        const CopiedEntry child = entry.Child(planned.entry.name, planned.folder != nullptr);
        if (planned.refused) {
            m_failures.Attempt(child, [&] { std::rethrow_exception(planned.refused); });
            if (!planned.folder) {
                m_tracker.FileDone(planned.entry.size, 0);
            }
        } else if (!planned.folder) {
            if (planned.keep) {
                m_tracker.FileDone(planned.entry.size, 0);
            } else {
                CopyFileEntry(planned, from, destination, child);
            }
        } else {
            m_failures.Attempt(child, [&] {
                bool created = false;
                const std::shared_ptr<DestinationFolder> subfolder =
                    destination->OpenSubfolder(planned.entry.name, created);
                CopyContent(*planned.folder, from, subfolder, destinationMayHoldFiles && !created, child);
            });
        }
    }
}

void StreamedTreeCopy::CopyFileEntry(const PlannedEntry& file, const std::string& source,
                                     const std::shared_ptr<DestinationFolder>& destination,
                                     const CopiedEntry& entry) {
    m_workers.WaitForRoom(kQueuedPerWorker * static_cast<std::size_t>(m_options.workers),
                          [this] { WhileWaiting(); });
    // The task holds the destination folder open until its file is over.
    m_workers.Submit([this, &file, source, destination, entry](CopyWorker& worker) {
        if (Ending()) {
            return;
        }
        FileInFlight count(m_tracker);
        m_failures.Attempt(entry, [&] {
            EnsureBuffers(worker);
            FileWriterSource writer = [&] { return destination->CreateFileWriter(file.entry.name); };
            const HelpOffer offerHelp = [&](const std::shared_ptr<LargeFileParts>& parts) {
                OfferHelp(parts, source, file.entry);
            };
            // Several workers only for a destination that takes several writers.
            CopyOneFile(worker.source, source, file.entry, writer, m_options, !m_workers.Inline(),
                        worker.buffer, &m_largeBuffers, m_tracker.Monitored() ? &count : nullptr,
                        m_workers.Inline() ? nullptr : offerHelp);
        });
        count.Done(file.entry.size);
    });
}

void StreamedTreeCopy::OfferHelp(const std::shared_ptr<LargeFileParts>& parts, const std::string& source,
                                 const FolderEntry& listed) {
    // The plan's entry outlives the workers' tasks.
    m_workers.SubmitSpare([this, parts, source, &listed](CopyWorker& worker) {
        const auto part = m_failures.DriveGone() ? std::nullopt : parts->TakeSecondHalf();
        if (!part) {
            return;
        }
        Streamed read;
        std::exception_ptr failure;
        try {
            EnsureBuffers(worker);
            PieceBuffer pieces(worker.buffer, &m_largeBuffers, false);
            const auto reader = worker.source.OpenListedFile(source, listed);
            reader->StartAt(part->start);
            const FilePart mine{part->start, [&](std::uint64_t position, std::size_t wanted) {
                                    return parts->HelperPiece(*part, position, wanted);
                                }};
            read = StreamContent(*reader, parts->Writer(), true, pieces, parts->Count(), &mine);
        } catch (...) {
            failure = std::current_exception();
        }
        parts->HelperDone(read, failure);
    });
}

int WorkerCount(const FolderCopyOptions& options) {
    return options.workers > 0 ? options.workers : kDefaultCopyWorkers;
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
    std::vector<char> buffer(2 * kChunkSize);
    FileWriterSource writer = [&] { return to.CreateFileWriter(destination); };
    CopyOneFile(from, source, listed, writer, options, false, buffer, nullptr, nullptr);
}

void CopyFolderAcross(FileSystem& from, const std::string& source, FileSystem& to,
                      const std::string& destination, const FolderCopyOptions& options) {
    const auto folder = from.Inspect(source);
    if (!folder || !folder->IsFolder()) {
        ThrowPlatformErrorNumber(PlatformError::kPathNotFound);
    }
    const bool created = EnsureFolder(to, destination);
    const std::shared_ptr<DestinationFolder> root = to.OpenDestinationFolder(destination);
    FolderCopyOptions chosen = options;
    chosen.workers = root->TakesSeveralWriters() ? WorkerCount(options) : 1;
    // The plan and the tree copy outlive the workers, whose tasks use them.
    CopyPlan plan;
    std::optional<StreamedTreeCopy> tree;
    CopyWorkers workers(from, chosen.workers);
    plan = PlanFolderCopy(workers, source, folder->identity, options.monitor);
    if (plan.stopped) {
        ThrowPlatformErrorNumber(PlatformError::kUserInterrupt);
    }
    tree.emplace(workers, chosen, plan.totals);
    if (tree->LookAtDestination(plan.root, *root, !created)) {
        tree->Copy(plan.root, source, root, !created);
    }
    tree->RaiseFirstFailure();
}

}  // namespace synvora
