#include "CopyProgress.h"

#include "ErrorCodes.h"
#include "PlatformErrors.h"

namespace synvora {
namespace {

constexpr std::int64_t kNanosecondsPerMicrosecond = 1000;
constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

// Microseconds since 1970, rounded down also before 1970.
std::int64_t Microseconds(FileTime time) {
    std::int64_t seconds = time.seconds;
    std::int64_t nanoseconds = time.nanoseconds;
    if (nanoseconds < 0) {
        seconds -= 1;
        nanoseconds += kNanosecondsPerSecond;
    }
    return seconds * (kNanosecondsPerSecond / kNanosecondsPerMicrosecond) +
           nanoseconds / kNanosecondsPerMicrosecond;
}

}  // namespace

bool SameModificationTime(FileTime a, FileTime b) noexcept {
    return Microseconds(a) == Microseconds(b);
}

bool KeepsEarlierCopy(const ExistingDestination& existing, std::uint64_t sourceSize, FileTime sourceModified,
                      const FolderCopyOptions& options) {
    if (existing.folder) {
        ThrowPlatformErrorNumber(PlatformError::kPathFileAccessError, "a folder stands at the destination");
    }
    if (!options.overwrite) {
        ThrowPlatformErrorNumber(PlatformError::kFileAlreadyExists,
                                 "a file of that name exists at the destination");
    }
    if (existing.link) {
        return false;
    }
    // A complete earlier copy needs no writing, so its attribute does not matter: a file that is
    // read-only on the old server arrives read-only, and a second run must not fail on it.
    if (options.skipUnchanged && existing.size == sourceSize &&
        SameModificationTime(existing.modified, sourceModified)) {
        return true;
    }
    // Our own check: the backend may let its user write anything (root, a share with relaxed
    // rights), and a rename would not look at the attribute anyway.
    if (existing.readOnly) {
        ThrowPlatformErrorNumber(PlatformError::kPermissionDenied,
                                 "the file at the destination is read-only");
    }
    return false;
}

CopyTracker::CopyTracker(CopyMonitor* monitor, CopyTotals total) : m_monitor(monitor) {
    m_progress.total = total;
    Report();
}

void CopyTracker::PieceCopied(std::uint64_t bytes) {
    {
        const std::lock_guard lock(m_mutex);
        m_inFlight += bytes;
    }
    Changed();
}

void CopyTracker::PiecesDiscarded(std::uint64_t bytes) {
    {
        const std::lock_guard lock(m_mutex);
        m_inFlight -= bytes;
    }
    Changed();
}

void CopyTracker::FileDone(std::uint64_t listedSize, std::uint64_t piecesCounted) {
    {
        const std::lock_guard lock(m_mutex);
        m_inFlight -= piecesCounted;
        m_progress.done.files += 1;
        m_progress.done.bytes += listedSize;
    }
    Changed();
}

void CopyTracker::RaiseIfStopped() const {
    if (m_stopping) {
        ThrowPlatformErrorNumber(PlatformError::kUserInterrupt);
    }
}

void CopyTracker::Changed() {
    if (std::this_thread::get_id() == m_owner) {
        Report();
    }
}

void CopyTracker::ReportChanges() {
    bool changed = false;
    {
        const std::lock_guard lock(m_mutex);
        CopyProgress now = m_progress;
        now.done.bytes += m_inFlight;
        changed = !(now == m_reported);
    }
    if (changed) {
        Report();
    }
}

void CopyTracker::Report() {
    if (m_monitor == nullptr) {
        return;
    }
    CopyProgress now;
    {
        const std::lock_guard lock(m_mutex);
        now = m_progress;
        now.done.bytes += m_inFlight;
        m_reported = now;
    }
    // Asked also after a stop: the monitor keeps the window alive while the last files complete.
    if (!m_monitor->Continue(now)) {
        m_stopping = true;
    }
}

}  // namespace synvora
