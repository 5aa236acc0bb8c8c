#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "CopyFailures.h"
#include "FileSystem.h"

namespace synvora {

struct PlannedFolder;
class CopyWorkers;

/// A file or folder of the source tree as the listing showed it; a folder with its own content.
/// A file also carries what a look at the destination decided before the copy: keep the complete
/// earlier copy there, or the failure that keeps a new file from taking its name.
struct PlannedEntry {
    FolderEntry entry;
    std::unique_ptr<PlannedFolder> folder;  // folders only
    bool keep = false;
    std::exception_ptr refused;
};

/// One folder of the source tree: its entries in listing order, or the failure of its listing,
/// which the copy raises when it reaches the folder.
struct PlannedFolder {
    std::vector<PlannedEntry> entries;
    std::exception_ptr listingFailure;
};

/// The whole source tree of a folder copy, with the totals it adds up to.
struct CopyPlan {
    PlannedFolder root;
    CopyTotals totals;
    /// The monitor asked to stop while the tree was listed: nothing is to be copied.
    bool stopped = false;
};

/// Lists a folder tree once, with the size and modification time of every file: a share answers
/// each folder's listing in one exchange, so the copy learns its totals without a round trip per
/// file and reuses the listing instead of asking again. A link that leads back to a folder on the
/// way is left out (its copy would never end). A drive that stops being ready (71) ends the
/// listing; the folders not yet listed keep that failure. A monitor hears after each folder how
/// much has been found so far (nothing done yet), so that a long listing keeps the window alive
/// and can be stopped.
CopyPlan PlanFolderCopy(FileSystem& from, const std::string& source, FolderIdentity sourceIdentity,
                        CopyMonitor* monitor = nullptr);

/// The same, listing several folders at once on the workers (each through its own session): the
/// monitor then hears from the calling thread about ten times a second and after each folder.
CopyPlan PlanFolderCopy(CopyWorkers& workers, const std::string& source, FolderIdentity sourceIdentity,
                        CopyMonitor* monitor);

/// folder + "/" + name, without doubling a trailing "/".
std::string ChildPath(const std::string& folder, const std::string& name);

}  // namespace synvora
