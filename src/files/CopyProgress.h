#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace synvora {

/// A file's modification time, in seconds and nanoseconds since 1970 (UTC).
struct FileTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;

    bool operator==(const FileTime&) const = default;
};

/// True when both times fall in the same microsecond. Copies keep the source's time, but a share
/// takes times only to the microsecond, so a finer comparison would never match there.
bool SameModificationTime(FileTime a, FileTime b) noexcept;

/// Files and bytes, of a whole copy or of the part done.
struct CopyTotals {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;

    bool operator==(const CopyTotals&) const = default;
};

/// How far a folder copy is. Files skipped as already complete count as done; so do files that
/// failed, so that the end of the copy is the end of the count. The bytes done may pass the total
/// when a file grew after the listing.
struct CopyProgress {
    CopyTotals done;
    CopyTotals total;

    bool operator==(const CopyProgress&) const = default;
};

/// Watches a folder copy from the thread that started it. Continue is called once before the
/// first file, and then as files and their pieces arrive: between files and pieces when the copy
/// carries one file at a time, and otherwise after each file that ends and about ten times a
/// second meanwhile. Answering false stops the copy after the files being copied, which are
/// completed first, so that no file is left half-written; the copy then raises 18 "User interrupt
/// occurred" (or an earlier failure).
class CopyMonitor {
public:
    virtual ~CopyMonitor() = default;
    virtual bool Continue(const CopyProgress& progress) = 0;
};

/// How a folder copy treats what it finds at the destination, and who watches it.
struct FolderCopyOptions {
    /// An existing destination file is replaced (never a read-only one).
    bool overwrite = false;
    /// With overwrite: a destination file with the source's size and modification time is taken
    /// as a complete earlier copy and left as it is, read-only or not, so that a copy run again
    /// after an interruption fetches only what is missing or changed.
    bool skipUnchanged = false;
    CopyMonitor* monitor = nullptr;
    /// How many files a copy between two file systems carries at once, each on a thread of its
    /// own over a session of its own of the source; 0 for kDefaultCopyWorkers, 1 for one file
    /// after the other on the calling thread. A source or destination that cannot be used from
    /// several threads gets one.
    int workers = 0;
};

/// Enough files in flight to hide a wide-area network's round trips behind each other, few
/// enough for the old server (a connection each) and for this machine's memory (a buffer each).
inline constexpr int kDefaultCopyWorkers = 8;

/// A destination file that a copy finds already there.
struct ExistingDestination {
    bool folder = false;
    /// A symbolic link: never kept, and replaced by the file itself, never written through.
    bool link = false;
    bool readOnly = false;
    std::uint64_t size = 0;
    FileTime modified;
};

/// Decides about a destination that exists already: true when it is a complete earlier copy of
/// the source that skipUnchanged keeps (whatever its permissions), false when it is to be
/// replaced; raises what keeps the copy from taking its name (a folder, overwrite off, a
/// read-only file that would have to be replaced).
bool KeepsEarlierCopy(const ExistingDestination& existing, std::uint64_t sourceSize, FileTime sourceModified,
                      const FolderCopyOptions& options);

/// Counts what a folder copy has done and asks its monitor whether to go on. Only the thread that
/// made it (the copy's own) asks the monitor; workers of the copy that carry files on other threads
/// count through it meanwhile, and the copy's thread reports their count when it next looks
/// (Report). A stop that the monitor asks for is kept: the copy finishes its files in hand and
/// then looks at Stopping.
class CopyTracker {
public:
    /// Reports the start (nothing done of the total) to the monitor, if any.
    CopyTracker(CopyMonitor* monitor, CopyTotals total);

    bool Monitored() const noexcept { return m_monitor != nullptr; }
    /// Bytes of a file in flight have arrived.
    void PieceCopied(std::uint64_t bytes);
    /// A file in flight starts again from its beginning: what arrived of it no longer counts.
    void PiecesDiscarded(std::uint64_t bytes);
    /// A file is over (copied, skipped or failed): its listed size counts as done instead of the
    /// pieces counted for it.
    void FileDone(std::uint64_t listedSize, std::uint64_t piecesCounted);
    /// Asks the monitor with the count as it stands; on the tracker's own thread only.
    void Report();
    /// Report, unless the count is the one reported last.
    void ReportChanges();
    bool Stopping() const noexcept { return m_stopping; }
    /// Raises 18 "User interrupt occurred" when the monitor asked to stop.
    void RaiseIfStopped() const;

private:
    /// Reports at once on the tracker's own thread; a worker's change waits for the next Report.
    void Changed();

    CopyMonitor* m_monitor;
    std::thread::id m_owner = std::this_thread::get_id();
    mutable std::mutex m_mutex;
    CopyProgress m_progress;
    std::uint64_t m_inFlight = 0;  // bytes of the files in flight
    CopyProgress m_reported;
    std::atomic<bool> m_stopping = false;
};

/// The count of one file in flight, through the tracker of its copy; the workers that read parts of
/// one large file count through it at the same time.
class FileInFlight {
public:
    explicit FileInFlight(CopyTracker& tracker) : m_tracker(tracker) {}
    void PieceCopied(std::uint64_t bytes) {
        m_counted += bytes;
        m_tracker.PieceCopied(bytes);
    }
    /// Only while no piece of the file is being counted.
    void Restarted() { m_tracker.PiecesDiscarded(m_counted.exchange(0)); }
    void Done(std::uint64_t listedSize) { m_tracker.FileDone(listedSize, m_counted.load()); }

private:
    CopyTracker& m_tracker;
    std::atomic<std::uint64_t> m_counted = 0;
};

}  // namespace synvora
