// The repair engine: pairs every regular file of the originals with the
// entry at the same relative path among the copies, sorts the pairs by the
// rule and, when asked, sets each matching copy's modification time to its
// original's. It takes plain values and reports through Observer.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/histogram.h"
#include "engine/recorded.h"
#include "engine/rule.h"
#include "engine/walk.h"
#include "fsys/fsys.h"

namespace engine {

enum class EventKind {
    Planned,     // a match, to be changed (or, in a dry run, that would be)
    Touched,     // changed; `readBack` is the time the file system kept
    NotKept,     // changed, but the time read back is further from `set` than the
                 // file system's granularity
    Changed,     // the copy changed since it was listed: left alone
    Failed,      // the change, or a question about a file, failed: `reason`
    Skipped,     // the entry where a copy should be is not a regular file, or the
                 // copy is left alone for its hard links: `reason`
    Unreadable,  // a folder of `side` could not be opened or listed: `reason`
    ContentDiffers,  // a match whose content is not its original's (--verify): left alone
};

// How a change was proved besides size and time.
enum class Proof : uint8_t {
    None,     // size and time alone
    Content,  // the copy's bytes compared with its original's
    Digest,   // the copy's SHA-256 compared with the one a manifest records
};

struct FileEvent {
    EventKind kind = EventKind::Planned;
    std::string path;  // relative to both tops, names joined by "/"
    Side side = kCopies;
    bool paired = false;     // size and the three instants below are known
    uint64_t size = 0;
    fsys::Instant original;  // the original's modification time
    fsys::Instant before;    // the copy's, as listed
    fsys::Instant set;       // the time set (the original's)
    fsys::Instant readBack;  // the copy's, read back after the change
    std::string reason;
    uint64_t serial = 0;     // the change's number in the run's journal; 0 when none
    uint64_t object = 0;     // the copy's object number, as listed (with Planned)
    Proof proof = Proof::None;  // with Planned, Touched, NotKept
    bool folder = false;     // of a folder's own time (fix --folders); "" is the top
};

// The kinds of pairs that a run can name as it counts them (OnListed).
enum class Listed : unsigned {
    Missing = 1,      // an original with nothing at the copy's place
    Orphan = 2,       // a regular copy without a regular original
    OtherSize = 4,    // a pair of other sizes
    EqualTimes = 8,   // same size, same instant
    Differing = 16,   // same size, other instants
    Matching = 32,    // of those, the ones the rule matches
};

class Observer {
public:
    virtual ~Observer() = default;
    // Called with the planned changes of a folder (or part of one) just
    // before they are made, never in a dry run: the place for a write-ahead
    // record, made durable once for them all. Returning false leaves these
    // copies alone; each is then reported as failed with `reason`. A change
    // the observer turns to Failed (with its reason) is not made either. Calls may
    // come from several walking threads at once, and alongside OnEvent.
    virtual bool BeforeChanges(std::vector<FileEvent>& planned, std::string& reason)
    {
        (void)planned;
        (void)reason;
        return true;
    }
    // Every event, Planned included. The engine never calls an observer from
    // two threads at once.
    virtual void OnEvent(const FileEvent& event) = 0;
    // With verify: the first pieces of the pair at `path` were read and
    // compared, the rest not yet. Calls may come from several walking threads.
    virtual void WhileComparing(const std::string& path) { (void)path; }
    // A pair of a kind the job lists, by its path (relative to both tops).
    // Called as OnEvent is.
    virtual void OnListed(Listed kind, const std::string& path)
    {
        (void)kind;
        (void)path;
    }
};

struct Job {
    Rule rule;
    bool change = false;    // fix: change the matching copies
    bool dryRun = false;    // with change: report Planned events only
    bool countUnpaired = false;  // walk folders present on one side only, for the counts
    // Also change copies that have more than one name (hard links). They
    // are changed once the walk is over, so that every original has been
    // seen: a copy that is the same file as any original is never changed.
    bool hardLinks = false;
    // Before a match is changed (or, without `change`, for every same-size
    // pair whose times differ), its content is compared with its original's,
    // or against a record its SHA-256 with the recorded digest; only equal
    // contents are changed (and counted in the differences). Required by a
    // rule of any difference.
    bool verify = false;
    // Also change the times of the copies' folders whose originals' folders
    // the rule matches, once every file has been changed, the deepest first.
    bool folders = false;
    int jobs = 1;
    int maxKeptHandles = 512;
    // Copies' folders kept open for the changes waiting for their batch, at
    // most, shared among the walking threads.
    int maxHeldFolders = 1024;
    // Changes held, at most, shared among the walking threads: each makes
    // its share behind one BeforeChanges call (across folders). Larger
    // batches make the record durable less often, which is most of its
    // cost; each change held takes some 600 bytes.
    size_t batch = 32768;
    const std::atomic<bool>* stop = nullptr;  // finish the file in hand, then stop
    // Entries left out, on both sides, as if they were not there; folders
    // left out are not walked (null: none).
    const PathFilter* filter = nullptr;
    // The Listed kinds (or-ed) whose pairs are named to the observer.
    unsigned list = 0;
};

struct Totals {
    uint64_t originals = 0;   // regular files among the originals
    uint64_t pairs = 0;       // of them, with a regular file as copy
    uint64_t sameSize = 0;
    uint64_t equalTimes = 0;  // same size and same instant
    uint64_t otherSize = 0;
    uint64_t missing = 0;     // originals with nothing at the copy's place
    uint64_t orphans = 0;     // regular copies without a regular original
    uint64_t matched = 0;
    uint64_t touched = 0;
    uint64_t notKept = 0;
    uint64_t changed = 0;
    uint64_t failed = 0;
    uint64_t skipped = 0;
    uint64_t hardLinked = 0;  // matches left alone for their other names (Skipped events)
    uint64_t unreadable = 0;  // folders
    uint64_t compared = 0;    // pairs whose contents were compared (verify)
    uint64_t contentDiffers = 0;  // of them, left alone: their contents differ
    bool verified = false;    // the run compared contents
    bool folders = false;        // folders' own times were compared (fix --folders)
    uint64_t folderPairs = 0;    // folders present on both sides, the tops included
    uint64_t foldersMatched = 0;
    uint64_t foldersTouched = 0;  // their failures and others are counted with the files'
    bool interrupted = false;
    DeltaHistogram differences;  // same-size pairs with different instants
};

// Counters that the progress line reads while the engine runs.
struct Progress {
    std::atomic<uint64_t> walked{0};   // entries listed on both sides
    std::atomic<uint64_t> pairs{0};    // originals with a regular file as copy
    std::atomic<uint64_t> matched{0};
    std::atomic<uint64_t> touched{0};  // copies changed
};

Totals Repair(const fsys::Folder& originals, const fsys::Folder& copies, const Job& job,
              Observer& observer, Progress* progress = nullptr);

// The same repair with the originals given by a record: the copies are
// walked, and each of their folders is paired with the record's originals
// at the same path.
Totals RepairAgainst(RecordedOriginals& originals, const fsys::Folder& copies, const Job& job,
                     Observer& observer, Progress* progress = nullptr);

}  // namespace engine
