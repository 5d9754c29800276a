#include "engine/undo.h"

#include <cerrno>

#include "engine/change_outcome.h"
#include "engine/instant.h"
#include "engine/roots.h"

namespace engine {

namespace {

constexpr size_t kBatch = 256;

std::string ParentOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder holding one journal entry's copy, opened name by name from the
// copies folder (never through a link) and kept while the next entries are
// in the same folder.
class FolderCursor {
public:
    explicit FolderCursor(const fsys::Folder& top) : top_(top) {}

    // Null, with `failure`, when a folder on the way cannot be opened.
    const fsys::Folder* Open(const std::string& parent, fsys::Failure& failure)
    {
        if (valid_ && parent == path_)
            return Current();
        valid_ = false;
        handle_.reset();
        granularity_ = -1;
        size_t from = 0;
        while (from < parent.size()) {
            const size_t end = parent.find('/', from);
            const std::string name = parent.substr(from, end == std::string::npos ? std::string::npos : end - from);
            fsys::FolderHandle next = fsys::OpenChild(*Current(), name, failure);
            if (!next)
                return nullptr;
            handle_ = std::move(next);
            from = end == std::string::npos ? parent.size() : end + 1;
        }
        path_ = parent;
        valid_ = true;
        return Current();
    }

    int64_t Granularity()
    {
        if (granularity_ < 0)
            granularity_ = fsys::TimeGranularity(*Current());
        return granularity_;
    }

private:
    const fsys::Folder* Current() const { return handle_ ? handle_.get() : &top_; }

    const fsys::Folder& top_;
    fsys::FolderHandle handle_;
    std::string path_;
    bool valid_ = false;
    int64_t granularity_ = -1;
};

FileEvent EventOf(const JournalEntry& entry)
{
    FileEvent event;
    event.path = entry.path;
    event.paired = true;
    event.size = entry.size;
    event.original = entry.before;
    event.set = entry.before;
    return event;
}

int64_t Distance(const fsys::Instant& a, const fsys::Instant& b)
{
    const int64_t d = Difference(a, b);
    return d < 0 ? -d : d;
}

// The file system ids of the two times, where both are known; its device
// number otherwise (which a volume mounted again may not keep).
bool SameVolume(const JournalHeader& header, const fsys::FolderIdentity& now)
{
    if (!header.copiesVolume.empty() && !now.volume.empty())
        return header.copiesVolume == now.volume;
    return header.copiesDevice == now.device;
}

}  // namespace

bool CheckCopiesFolder(const JournalHeader& header, const fsys::Folder& copies, std::string& error,
                       std::string& warning)
{
    fsys::Failure failure;
    fsys::FolderIdentity now;
    if (!fsys::IdentifyFolder(copies, now, failure)) {
        error = "the copies folder cannot be asked what it is: " + failure.reason;
        return false;
    }
    if (header.identified) {
        if (now.object != header.copiesObject || !SameVolume(header, now)) {
            error = "the folder now at the copies' place is not the one the run changed (another folder, "
                    "link or volume is there since)";
            return false;
        }
    } else {
        warning = "this journal, of an older version, does not record which folder and files the run "
                  "changed: the copies are known by their place, size and time alone";
    }
    fsys::FolderHandle originals = fsys::OpenRoot(header.originals, failure);
    if (originals && Within(copies, *originals)) {
        error = "the copies folder is now the originals folder or lies inside it";
        return false;
    }
    return true;
}

std::vector<UndoStep> PlanUndo(const Journal& journal, const fsys::Folder& copies, Observer& observer,
                               UndoTotals& totals)
{
    std::vector<UndoStep> steps;
    FolderCursor cursor(copies);
    totals.changes = journal.entries.size();
    for (size_t k = 0; k < journal.entries.size(); ++k) {
        const JournalEntry& entry = journal.entries[k];
        if (entry.mark == Mark::Failed || entry.mark == Mark::Left) {
            ++totals.notMade;
            continue;
        }
        FileEvent event = EventOf(entry);
        const auto leave = [&](const std::string& reason) {
            ++totals.leftAlone;
            event.kind = EventKind::Changed;
            event.reason = reason;
            observer.OnEvent(event);
        };
        const auto fail = [&](const std::string& reason) {
            ++totals.failed;
            event.kind = EventKind::Failed;
            event.reason = reason;
            observer.OnEvent(event);
        };
        fsys::Failure failure;
        const fsys::Folder* folder = cursor.Open(ParentOf(entry.path), failure);
        if (!folder) {
            if (failure.code == ENOENT || failure.code == ENOTDIR || failure.code == ELOOP)
                leave("its folder is gone or was replaced since the run: " + failure.reason);
            else
                fail("its folder cannot be opened: " + failure.reason);
            continue;
        }
        fsys::Facts facts;
        if (!fsys::NameFacts(*folder, NameOf(entry.path), facts, failure)) {
            if (failure.code == ENOENT)
                leave("gone since the run");
            else
                fail(failure.reason);
            continue;
        }
        event.before = facts.modified;
        event.readBack = facts.modified;
        if (facts.kind != fsys::Kind::Regular) {
            leave("replaced since the run by something that is not a regular file");
            continue;
        }
        if (journal.header.identified && journal.header.stableObjects && facts.object != entry.object) {
            leave("another file is at its place since the run (made anew, or moved there)");
            continue;
        }
        if (facts.size != entry.size) {
            leave("its size changed since the run (" + std::to_string(facts.size) + " bytes, the run left " +
                  std::to_string(entry.size) + ")");
            continue;
        }
        const bool asBefore = facts.modified == entry.before;
        bool asLeft;
        if (entry.mark == Mark::Done)
            asLeft = facts.modified == entry.kept;
        else  // the change may have been made, and rounded by the file system
            asLeft = facts.modified == entry.set || Distance(facts.modified, entry.set) < cursor.Granularity();
        if (asBefore) {
            ++totals.already;
            event.kind = EventKind::Skipped;
            event.reason = "already has its time from before the run";
            observer.OnEvent(event);
            continue;
        }
        if (!asLeft) {
            leave("its time changed since the run (" + IsoUtc(facts.modified) + ", the run left " +
                  IsoUtc(entry.mark == Mark::Done ? entry.kept : entry.set) + ")");
            continue;
        }
        steps.push_back({k, facts});
    }
    return steps;
}

void RunUndo(const Journal& journal, const std::vector<UndoStep>& steps, const fsys::Folder& copies,
             bool dryRun, const std::atomic<bool>* stop, Observer& observer, UndoTotals& totals)
{
    FolderCursor cursor(copies);
    size_t k = 0;
    while (k < steps.size()) {
        if (stop && stop->load()) {
            totals.interrupted = true;
            return;
        }
        // A batch: the next steps in one folder, at most kBatch of them.
        const std::string parent = ParentOf(journal.entries[steps[k].entry].path);
        size_t end = k;
        while (end < steps.size() && end - k < kBatch && ParentOf(journal.entries[steps[end].entry].path) == parent)
            ++end;
        std::vector<FileEvent> planned;
        for (size_t s = k; s < end; ++s) {
            FileEvent event = EventOf(journal.entries[steps[s].entry]);
            event.kind = EventKind::Planned;
            event.before = steps[s].facts.modified;
            event.object = steps[s].facts.object;
            planned.push_back(std::move(event));
        }
        if (dryRun) {
            for (const FileEvent& event : planned)
                observer.OnEvent(event);
            k = end;
            continue;
        }
        fsys::Failure failure;
        const fsys::Folder* folder = cursor.Open(parent, failure);
        std::string reason;
        if (!folder || !observer.BeforeChanges(planned, reason)) {
            for (FileEvent& event : planned) {
                ++totals.failed;
                event.kind = EventKind::Failed;
                event.reason = folder ? reason : "its folder cannot be opened: " + failure.reason;
                observer.OnEvent(event);
            }
            k = end;
            continue;
        }
        for (size_t s = k; s < end; ++s) {
            FileEvent& event = planned[s - k];
            if (event.kind == EventKind::Failed) {  // refused by the observer: not made
                ++totals.failed;
                observer.OnEvent(event);
                continue;
            }
            fsys::Facts after;
            TellOutcome(fsys::SetModified(*folder, NameOf(event.path), steps[s].facts, event.set, after, failure),
                        after, failure, [&cursor] { return cursor.Granularity(); }, "while the undo ran", event);
            switch (event.kind) {
            case EventKind::Touched: ++totals.restored; break;
            case EventKind::Changed: ++totals.leftAlone; break;
            default: ++totals.failed; break;  // not kept, or refused
            }
            observer.OnEvent(event);
        }
        k = end;
    }
}

}  // namespace engine
