#include "engine/repair.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "engine/instant.h"

namespace engine {

namespace {

const char* KindName(fsys::Kind kind)
{
    switch (kind) {
    case fsys::Kind::Folder: return "a folder";
    case fsys::Kind::Link: return "a symbolic link";
    case fsys::Kind::Other: return "a special file";
    default: return "of an unknown kind";
    }
}

// Adds the counts of `from` into `into`.
void Add(Totals& into, const Totals& from)
{
    into.originals += from.originals;
    into.pairs += from.pairs;
    into.sameSize += from.sameSize;
    into.equalTimes += from.equalTimes;
    into.otherSize += from.otherSize;
    into.missing += from.missing;
    into.orphans += from.orphans;
    into.matched += from.matched;
    into.touched += from.touched;
    into.notKept += from.notKept;
    into.changed += from.changed;
    into.failed += from.failed;
    into.skipped += from.skipped;
    into.unreadable += from.unreadable;
    into.differences.Merge(from.differences);
}

class Pairing : public FolderVisitor {
public:
    Pairing(const Job& job, Observer& observer, Progress* progress)
        : job_(job), observer_(observer), progress_(progress), totals_(std::max(1, job.jobs))
    {
    }

    Totals Sum() const
    {
        Totals sum;
        for (const Totals& part : totals_)
            Add(sum, part);
        return sum;
    }

    void FolderFailed(const std::string& path, Side side, const fsys::Failure& failure,
                      int worker) override
    {
        ++totals_[worker].unreadable;
        FileEvent event;
        event.kind = EventKind::Unreadable;
        event.path = path;
        event.side = side;
        event.reason = failure.reason;
        Report(event);
    }

    void Visit(const FolderView& view, int worker) override
    {
        Totals& totals = totals_[worker];
        const auto& originals = *view.entries[kOriginals];
        const auto& copies = *view.entries[kCopies];
        Folder folder{view, -1, {}, {}, {}};
        uint64_t matchedHere = 0;
        size_t i = 0, j = 0;
        while (i < originals.size() || j < copies.size()) {
            if (Stopped())
                break;
            const fsys::Entry* original = nullptr;
            const fsys::Entry* copy = nullptr;
            if (j == copies.size() || (i < originals.size() && originals[i].name < copies[j].name))
                original = &originals[i++];
            else if (i == originals.size() || copies[j].name < originals[i].name)
                copy = &copies[j++];
            else {
                original = &originals[i++];
                copy = &copies[j++];
            }
            const std::string& name = original ? original->name : copy->name;
            if (original && original->kind == fsys::Kind::Unknown &&
                !Refresh(folder, kOriginals, name, *original, totals))
                continue;
            if (!original || original->kind != fsys::Kind::Regular) {
                if (copy && copy->kind == fsys::Kind::Regular)
                    ++totals.orphans;
                continue;
            }
            ++totals.originals;
            if (!copy) {
                ++totals.missing;
                continue;
            }
            if (copy->kind == fsys::Kind::Unknown && !Refresh(folder, kCopies, name, *copy, totals))
                continue;
            if (copy->kind != fsys::Kind::Regular) {
                Skip(folder, name, copy->kind, totals);
                continue;
            }
            if (Pair(folder, name, totals))
                ++matchedHere;
        }
        // The matches already listed are changed, even when asked to stop:
        // the batch is the file in hand.
        Flush(folder, totals);
        if (progress_) {
            progress_->walked.fetch_add(originals.size() + copies.size(), std::memory_order_relaxed);
            progress_->matched.fetch_add(matchedHere, std::memory_order_relaxed);
        }
    }

private:
    // Changes made behind one record of them: a folder's, or this many.
    static constexpr size_t kBatch = 256;

    // A match to change, held until the folder's batch is made.
    struct Pending {
        std::string name;
        fsys::Facts copy;
    };
    struct Folder {
        const FolderView& view;
        int64_t granularity = -1;  // of the copies' file system, asked when first needed
        std::vector<Pending> pending;
        std::vector<FileEvent> planned;  // the events of `pending`, in step
        // Other events of the folder, with the number of changes queued before each.
        std::vector<std::pair<size_t, FileEvent>> deferred;
    };

    bool Stopped() const { return job_.stop && job_.stop->load(std::memory_order_relaxed); }

    static std::string PathOf(const Folder& folder, const std::string& name)
    {
        return folder.view.path.empty() ? name : folder.view.path + "/" + name;
    }

    void Report(const FileEvent& event)
    {
        std::lock_guard<std::mutex> lock(observerMutex_);
        observer_.OnEvent(event);
    }

    // An event of the folder: held while changes listed before it wait for
    // their batch, so that the events come in the order of the names.
    void Report(Folder& folder, FileEvent event)
    {
        if (folder.pending.empty())
            Report(event);
        else
            folder.deferred.emplace_back(folder.pending.size(), std::move(event));
    }

    void Fail(Folder& folder, const std::string& name, const std::string& reason,
              Totals& totals)
    {
        ++totals.failed;
        FileEvent event;
        event.kind = EventKind::Failed;
        event.path = PathOf(folder, name);
        event.reason = reason;
        Report(folder, std::move(event));
    }

    // An entry whose kind the walk could not learn: asked again for the reason.
    bool Refresh(Folder& folder, Side side, const std::string& name, const fsys::Entry&,
                 Totals& totals)
    {
        fsys::Facts facts;
        fsys::Failure failure;
        if (fsys::NameFacts(*folder.view.folder[side], name, facts, failure))
            return true;  // readable now: its kind stays unknown, so it is not paired
        Fail(folder, name,
             std::string(side == kOriginals ? "original" : "copy") + ": " + failure.reason, totals);
        return false;
    }

    void Skip(Folder& folder, const std::string& name, fsys::Kind kind, Totals& totals)
    {
        ++totals.skipped;
        FileEvent event;
        event.kind = EventKind::Skipped;
        event.path = PathOf(folder, name);
        event.reason = std::string("the copy is ") + KindName(kind) + ", not a regular file";
        Report(folder, std::move(event));
    }

    // One original and its regular copy; true when they match.
    bool Pair(Folder& folder, const std::string& name, Totals& totals)
    {
        fsys::Facts original, copy;
        fsys::Failure failure;
        if (!fsys::NameFacts(*folder.view.folder[kOriginals], name, original, failure)) {
            Fail(folder, name, "original: " + failure.reason, totals);
            return false;
        }
        if (!fsys::NameFacts(*folder.view.folder[kCopies], name, copy, failure)) {
            Fail(folder, name, "copy: " + failure.reason, totals);
            return false;
        }
        if (original.kind != fsys::Kind::Regular)
            return false;  // replaced since the listing
        if (copy.kind != fsys::Kind::Regular) {
            Skip(folder, name, copy.kind, totals);
            return false;
        }
        ++totals.pairs;
        int64_t delta = 0;
        const PairClass pairClass = Classify(job_.rule, original, copy, delta);
        if (pairClass == PairClass::OtherSize) {
            ++totals.otherSize;
            return false;
        }
        ++totals.sameSize;
        if (pairClass == PairClass::EqualTimes) {
            ++totals.equalTimes;
            return false;
        }
        totals.differences.Add(delta);
        if (pairClass != PairClass::Match)
            return false;
        ++totals.matched;
        if (job_.change)
            Queue(folder, name, original, copy, totals);
        return true;
    }

    void Queue(Folder& folder, const std::string& name, const fsys::Facts& original,
               const fsys::Facts& copy, Totals& totals)
    {
        FileEvent event;
        event.kind = EventKind::Planned;
        event.path = PathOf(folder, name);
        event.paired = true;
        event.size = copy.size;
        event.original = original.modified;
        event.before = copy.modified;
        event.set = original.modified;
        if (job_.dryRun) {
            Report(event);
            return;
        }
        folder.planned.push_back(std::move(event));
        folder.pending.push_back({name, copy});
        if (folder.pending.size() >= kBatch)
            Flush(folder, totals);
    }

    // Makes the queued changes: first the observer's record of them all (one
    // write to the disk for the batch), then each change, with the events
    // held behind them in their place.
    void Flush(Folder& folder, Totals& totals)
    {
        if (folder.pending.empty())
            return;
        std::string reason;
        bool allowed;
        {
            std::lock_guard<std::mutex> lock(observerMutex_);
            allowed = observer_.BeforeChanges(folder.planned, reason);
        }
        size_t d = 0;
        for (size_t k = 0; k < folder.pending.size(); ++k) {
            for (; d < folder.deferred.size() && folder.deferred[d].first <= k; ++d)
                Report(folder.deferred[d].second);
            FileEvent& event = folder.planned[k];
            if (allowed) {
                Change(folder, folder.pending[k], event, totals);
            } else {
                ++totals.failed;
                event.kind = EventKind::Failed;
                event.reason = reason;
                Report(event);
            }
        }
        for (; d < folder.deferred.size(); ++d)
            Report(folder.deferred[d].second);
        folder.pending.clear();
        folder.planned.clear();
        folder.deferred.clear();
    }

    void Change(Folder& folder, const Pending& pending, FileEvent& event, Totals& totals)
    {
        fsys::Facts after;
        fsys::Failure failure;
        const fsys::Folder& copies = *folder.view.folder[kCopies];
        switch (fsys::SetModified(copies, pending.name, pending.copy, event.set, after, failure)) {
        case fsys::SetResult::Set: {
            event.readBack = after.modified;
            if (folder.granularity < 0)
                folder.granularity = fsys::TimeGranularity(copies);
            int64_t off = Difference(after.modified, event.set);
            off = off < 0 ? -off : off;
            if (off > folder.granularity) {
                ++totals.notKept;
                event.kind = EventKind::NotKept;
                event.reason = "the file system kept another time than the one set";
            } else {
                ++totals.touched;
                event.kind = EventKind::Touched;
            }
            break;
        }
        case fsys::SetResult::Changed:
            ++totals.changed;
            event.kind = EventKind::Changed;
            event.reason = failure.reason.empty() ? "changed since it was listed"
                                                  : "gone since it was listed: " + failure.reason;
            if (failure.reason.empty())
                event.readBack = after.modified;
            break;
        case fsys::SetResult::Failed:
            ++totals.failed;
            event.kind = EventKind::Failed;
            event.reason = failure.reason;
            break;
        }
        Report(event);
    }

    const Job& job_;
    Observer& observer_;
    Progress* progress_;
    std::vector<Totals> totals_;  // one per walking thread
    std::mutex observerMutex_;
};

}  // namespace

Totals Repair(const fsys::Folder& originals, const fsys::Folder& copies, const Job& job,
              Observer& observer, Progress* progress)
{
    Pairing pairing(job, observer, progress);
    WalkOptions options;
    options.jobs = job.jobs;
    options.oneSided = job.countUnpaired;
    options.maxKeptHandles = job.maxKeptHandles;
    options.stop = job.stop;
    WalkInStep(originals, copies, options, pairing);
    Totals totals = pairing.Sum();
    totals.interrupted = job.stop && job.stop->load();
    return totals;
}

}  // namespace engine
