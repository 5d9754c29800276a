// One walk of two trees in step: a folder of the first tree and the folder at
// the same relative path in the second are opened and listed together, and
// handed to a visitor with their names sorted. Folders are walked
// breadth-first; on one thread the order of visits is fixed. Every folder is
// opened relative to its parent's open handle (or, when the bound on open
// handles made it close, by names from the nearest open ancestor), never
// through a link, so no path is rebuilt and no length limit applies.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/path_filter.h"
#include "fsys/fsys.h"

namespace engine {

struct RecordedDigest;

enum Side { kOriginals = 0, kCopies = 1 };

struct FolderView {
    const std::string& path;                  // relative, names joined by "/"; "" at the top
    const fsys::Folder* folder[2];            // null where that side has no such folder
    const std::vector<fsys::Entry>* entries[2];  // sorted by name; kinds asked where the
                                              // listing gave none (Unknown when that failed)
    // The originals' facts, in the order of entries[kOriginals], when they
    // come from a record rather than a folder (folder[kOriginals] is then null).
    const std::vector<fsys::Facts>* recorded = nullptr;
    // With `recorded`, when asked for: the originals' digests, in the same order.
    const std::vector<RecordedDigest>* digests = nullptr;
};

class FolderVisitor {
public:
    virtual ~FolderVisitor() = default;
    // Called on the walking thread numbered `worker` (0 to jobs − 1); calls
    // on different threads may overlap.
    virtual void Visit(const FolderView& view, int worker) = 0;
    // A folder of `side` at `path` could not be opened or listed: the
    // folder pair is not visited, nor anything below it.
    virtual void FolderFailed(const std::string& path, Side side, const fsys::Failure& failure,
                              int worker) = 0;
    // Called once on each walking thread when the walk is over, before the
    // thread ends: the place to finish the thread's own work.
    virtual void Finished(int worker) { (void)worker; }
};

struct WalkOptions {
    int jobs = 1;
    // Also descend into folders present on one side only.
    bool oneSided = false;
    // Handles kept open for folders whose subfolders are still to be walked.
    int maxKeptHandles = 512;
    // Set from elsewhere to stop: no new folder is visited.
    const std::atomic<bool>* stop = nullptr;
    // Entries it leaves out are neither visited nor, for folders, walked
    // into (on each side, by that side's kind).
    const PathFilter* filter = nullptr;
};

// Walks from the two open top folders.
void WalkInStep(const fsys::Folder& originals, const fsys::Folder& copies,
                const WalkOptions& options, FolderVisitor& visitor);

}  // namespace engine
