#pragma once

#include <cstdint>

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
};

/// How far a folder copy is. Files skipped as already complete count as done; so do files that
/// failed, so that the end of the copy is the end of the count. The bytes done may pass the total
/// when a file grew after the listing.
struct CopyProgress {
    CopyTotals done;
    CopyTotals total;
};

/// Watches a folder copy from the thread that runs it. Continue is called once before the first
/// file, between files, and between the pieces (at most 1 MiB) of a file being copied. Answering
/// false stops the copy after the file being copied, which is completed first, so that no file is
/// left half-written; the copy then raises 18 "User interrupt occurred" (or an earlier failure).
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
};

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

/// Counts what a folder copy has done and asks its monitor whether to go on. A stop that the
/// monitor asks for is kept: the copy finishes its file and then looks at Stopping.
class CopyTracker {
public:
    /// Reports the start (nothing done of the total) to the monitor, if any.
    CopyTracker(CopyMonitor* monitor, CopyTotals total);

    bool Monitored() const noexcept { return m_monitor != nullptr; }
    /// Bytes of the file being copied have arrived.
    void PieceCopied(std::uint64_t bytes);
    /// The file being copied starts again from its beginning; what arrived of it no longer counts.
    void FileRestarted();
    /// A file is over (copied, skipped or failed); its listed size counts as done.
    void FileDone(std::uint64_t listedSize);
    bool Stopping() const noexcept { return m_stopping; }
    /// Raises 18 "User interrupt occurred" when the monitor asked to stop.
    void RaiseIfStopped() const;

private:
    void Report();

    CopyMonitor* m_monitor;
    CopyProgress m_progress;
    std::uint64_t m_bytesOfFile = 0;
    bool m_stopping = false;
};

}  // namespace synvora
