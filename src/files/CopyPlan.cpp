#include "CopyPlan.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

#include "CopyWorkers.h"
#include "ErrorCodes.h"
#include "MigrationError.h"

namespace synvora {
namespace {

/// Lists a tree folder by folder, each folder a task of the workers.
class Planner {
public:
    Planner(CopyWorkers& workers, CopyMonitor* monitor) : m_workers(workers), m_monitor(monitor) {}

    void Plan(const std::string& source, FolderIdentity identity, CopyPlan& plan) {
        try {
            Submit({source, &plan.root, {identity}});
            m_workers.WaitUntilDone([this] { ReportFound(); });
        } catch (...) {
            m_workers.Quiesce();  // the tasks use this planner and the plan
            throw;
        }
        plan.totals = Totals();
        plan.stopped = m_stopped;
    }

private:
    /// A folder to list: where it is, the node it fills, and the folders on the way to it (itself
    /// last), so that a link back to one of them is left out (its copy would never end).
    struct Job {
        std::string path;
        PlannedFolder* folder;
        std::vector<FolderIdentity> ancestors;
    };

    void Submit(Job job) {
        m_workers.Submit([this, job = std::move(job)](CopyWorker& worker) { List(worker.source, job); });
    }

    void List(FileSystem& from, const Job& job);

    CopyTotals Totals() const {
        const std::lock_guard lock(m_mutex);
        return m_totals;
    }

    // On the calling thread only: after each folder when the workers run there, else while it waits.
    void ReportFound() {
        if (m_monitor != nullptr && !m_monitor->Continue(CopyProgress{{}, Totals()})) {
            m_stopped = true;
            m_workers.DropWaiting();
        }
    }

    CopyWorkers& m_workers;
    CopyMonitor* m_monitor;
    mutable std::mutex m_mutex;
    CopyTotals m_totals;
    std::exception_ptr m_driveGone;
    std::atomic<bool> m_stopped = false;
};

bool IsAncestor(const std::vector<FolderIdentity>& ancestors, FolderIdentity identity) {
    return identity.Known() && std::find(ancestors.begin(), ancestors.end(), identity) != ancestors.end();
}

void Planner::List(FileSystem& from, const Job& job) {
    if (m_stopped) {
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_driveGone) {
            job.folder->listingFailure = m_driveGone;
            return;
        }
    }
    std::vector<FolderEntry> entries;
    try {
        entries = from.ListFolder(job.path);
    } catch (const MigrationError&) {
        job.folder->listingFailure = std::current_exception();
        if (IsDriveGone(job.folder->listingFailure)) {
            const std::lock_guard lock(m_mutex);
            m_driveGone = job.folder->listingFailure;
        }
        return;
    }
    CopyTotals found;
    std::vector<Job> subfolders;
    std::vector<PlannedEntry>& planned = job.folder->entries;
    planned.reserve(entries.size());
    for (FolderEntry& entry : entries) {
        if (!entry.isFolder) {
            found.files += 1;
            found.bytes += entry.size;
            planned.push_back({std::move(entry), nullptr, false, nullptr});
        } else if (!IsAncestor(job.ancestors, entry.identity)) {
            auto child = std::make_unique<PlannedFolder>();
            std::vector<FolderIdentity> ancestors = job.ancestors;
            ancestors.push_back(entry.identity);
            subfolders.push_back({ChildPath(job.path, entry.name), child.get(), std::move(ancestors)});
            planned.push_back({std::move(entry), std::move(child), false, nullptr});
        }
    }
    {
        const std::lock_guard lock(m_mutex);
        m_totals.files += found.files;
        m_totals.bytes += found.bytes;
    }
    for (Job& subfolder : subfolders) {
        Submit(std::move(subfolder));
    }
    if (m_workers.Inline()) {
        ReportFound();
    }
}

}  // namespace

CopyPlan PlanFolderCopy(FileSystem& from, const std::string& source, FolderIdentity sourceIdentity,
                        CopyMonitor* monitor) {
    CopyWorkers inOrder(from, 1);
    return PlanFolderCopy(inOrder, source, sourceIdentity, monitor);
}

CopyPlan PlanFolderCopy(CopyWorkers& workers, const std::string& source, FolderIdentity sourceIdentity,
                        CopyMonitor* monitor) {
    CopyPlan plan;
    Planner(workers, monitor).Plan(source, sourceIdentity, plan);
    return plan;
}

std::string ChildPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

}  // namespace synvora
