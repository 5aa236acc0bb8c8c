#include "CopyPlan.h"

#include <algorithm>
#include <utility>

#include "ErrorCodes.h"
#include "MigrationError.h"

namespace synvora {
namespace {

class Planner {
public:
    Planner(FileSystem& from, CopyMonitor* monitor) : m_from(from), m_monitor(monitor) {}

    void List(const std::string& path, FolderIdentity identity, PlannedFolder& folder, CopyTotals& totals);
    bool Stopped() const { return m_stopped; }

private:
    bool IsAncestor(FolderIdentity identity) const {
        return identity.Known() &&
               std::find(m_ancestors.begin(), m_ancestors.end(), identity) != m_ancestors.end();
    }

    void ReportFound(const CopyTotals& totals) {
        if (m_monitor != nullptr && !m_monitor->Continue(CopyProgress{{}, totals})) {
            m_stopped = true;
        }
    }

    FileSystem& m_from;
    CopyMonitor* m_monitor;
    std::vector<FolderIdentity> m_ancestors;
    std::exception_ptr m_driveGone;
    bool m_stopped = false;
};

void Planner::List(const std::string& path, FolderIdentity identity, PlannedFolder& folder,
                   CopyTotals& totals) {
    if (m_stopped) {
        return;
    }
    if (m_driveGone) {
        folder.listingFailure = m_driveGone;
        return;
    }
    std::vector<FolderEntry> entries;
    try {
        entries = m_from.ListFolder(path);
    } catch (const MigrationError&) {
        folder.listingFailure = std::current_exception();
        if (IsDriveGone(folder.listingFailure)) {
            m_driveGone = folder.listingFailure;
        }
        return;
    }
    m_ancestors.push_back(identity);
    folder.entries.reserve(entries.size());
    for (FolderEntry& entry : entries) {
        if (!entry.isFolder) {
            totals.files += 1;
            totals.bytes += entry.size;
            folder.entries.push_back({std::move(entry), nullptr});
        } else if (!IsAncestor(entry.identity) && !m_stopped) {
            auto child = std::make_unique<PlannedFolder>();
            List(ChildPath(path, entry.name), entry.identity, *child, totals);
            folder.entries.push_back({std::move(entry), std::move(child)});
        }
    }
    m_ancestors.pop_back();
    ReportFound(totals);
}

}  // namespace

CopyPlan PlanFolderCopy(FileSystem& from, const std::string& source, FolderIdentity sourceIdentity,
                        CopyMonitor* monitor) {
    CopyPlan plan;
    Planner planner(from, monitor);
    planner.List(source, sourceIdentity, plan.root, plan.totals);
    plan.stopped = planner.Stopped();
    return plan;
}

std::string ChildPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

}  // namespace synvora
