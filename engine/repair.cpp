#include "engine/repair.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/change_outcome.h"
#include "engine/content.h"
#include "engine/folder_place.h"
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
    into.hardLinked += from.hardLinked;
    into.unreadable += from.unreadable;
    into.compared += from.compared;
    into.contentDiffers += from.contentDiffers;
    into.folderPairs += from.folderPairs;
    into.foldersMatched += from.foldersMatched;
    into.foldersTouched += from.foldersTouched;
    into.differences.Merge(from.differences);
}

class Pairing : public FolderVisitor {
public:
    Pairing(const Job& job, const fsys::Facts& copiesTop, Observer& observer, Progress* progress)
        : job_(job), observer_(observer), progress_(progress), totals_(std::max(1, job.jobs)),
          queues_(std::max(1, job.jobs)), aheads_(queues_.size()), linkedOriginals_(queues_.size()),
          checks_(queues_.size()),
          batch_(std::max<size_t>(1, job.batch / queues_.size())),
          heldFolders_(std::max<size_t>(1, static_cast<size_t>(std::max(0, job.maxHeldFolders)) / queues_.size())),
          heldBytes_(std::max<size_t>(1, kHeldBytes / queues_.size()))
    {
        for (Queue& queue : queues_)
            queue.places = std::make_unique<PlaceCheck>(copiesTop);
    }

    // The changes of copies with other names, held until the walk was over:
    // made now, from one thread, each folder opened again from the top. A
    // copy that is the same file as an original is left alone.
    void MakeDeferred(const fsys::Folder& copiesTop)
    {
        std::set<Identity> originals;
        for (const std::set<Identity>& part : linkedOriginals_)
            originals.insert(part.begin(), part.end());
        std::sort(deferred_.begin(), deferred_.end(), [](const Deferred& a, const Deferred& b) {
            const std::string_view folderA = FolderPathOf(a.event.path, a.name);
            const std::string_view folderB = FolderPathOf(b.event.path, b.name);
            return folderA != folderB ? folderA < folderB : a.name < b.name;
        });
        Totals& totals = totals_[0];
        Queue& queue = queues_[0];
        std::shared_ptr<HeldFolder> held;
        std::string heldPath;
        bool opened = false;
        for (Deferred& deferred : deferred_) {
            if (Stopped())
                break;
            FileEvent& event = deferred.event;
            if (originals.count({deferred.copy.device, deferred.copy.object})) {
                ++totals.hardLinked;
                event.kind = EventKind::Skipped;
                event.reason = "the copy is the same file as an original (a hard link between the trees): left alone";
                Report(0, std::move(event));
                continue;
            }
            if (job_.dryRun) {
                Report(0, std::move(event));
                continue;
            }
            const std::string_view folderPath = FolderPathOf(event.path, deferred.name);
            if (!held || folderPath != heldPath) {
                heldPath.assign(folderPath);
                held.reset();
                fsys::FolderHandle handle = OpenBelow(copiesTop, folderPath, deferred.folder);
                opened = handle != nullptr;
                if (opened) {
                    held = std::make_shared<HeldFolder>();
                    held->handle = std::move(handle);
                    ++queue.folders;
                }
            }
            if (!opened) {
                ++totals.changed;
                event.kind = EventKind::Changed;
                event.reason = "its folder was moved or replaced since it was listed";
                Report(0, std::move(event));
                continue;
            }
            queue.bytes += event.path.size();
            queue.items.push_back({std::move(event), held, std::move(deferred.name), deferred.copy});
            ++queue.changes;
            if (queue.changes >= batch_ || queue.folders >= heldFolders_ || queue.bytes >= heldBytes_) {
                Flush(0);
                held.reset();
            }
        }
        Flush(0);
        deferred_.clear();
    }

    Totals Sum() const
    {
        Totals sum;
        sum.verified = job_.verify;
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
        Report(worker, std::move(event));
    }

    // The walk is over: each walking thread makes the changes it still holds.
    void Finished(int worker) override { Flush(worker); }

    // The changes of the copies' folders, held until every file was changed:
    // made now, from one thread, the deepest folders first, so that each
    // folder's time is set after everything inside it. Each folder is opened
    // again from the top, name by name, and must be the one listed.
    void MakeFolderChanges(const fsys::Folder& copiesTop)
    {
        const auto depth = [](const std::string& path) {
            return path.empty() ? 0 : 1 + std::count(path.begin(), path.end(), '/');
        };
        std::sort(folderChanges_.begin(), folderChanges_.end(),
                  [&depth](const FolderChange& a, const FolderChange& b) {
                      const auto depthA = depth(a.path), depthB = depth(b.path);
                      return depthA != depthB ? depthA > depthB : a.path < b.path;
                  });
        Totals& totals = totals_[0];
        FolderBatch batch;
        for (FolderChange& change : folderChanges_) {
            if (Stopped())
                break;
            FileEvent event;
            event.kind = EventKind::Planned;
            event.path = std::move(change.path);
            event.folder = true;
            event.paired = true;
            event.size = change.copy.size;
            event.original = change.original;
            event.before = change.copy.modified;
            event.set = change.original;
            event.object = change.copy.object;
            if (job_.dryRun) {
                Report(event);
                continue;
            }
            fsys::FolderHandle handle = OpenBelow(copiesTop, event.path, change.copy);
            if (!handle) {
                ++totals.changed;
                event.kind = EventKind::Changed;
                event.reason = "moved or replaced since it was listed";
                Report(event);
                continue;
            }
            batch.planned.push_back(std::move(event));
            batch.handles.push_back(std::move(handle));
            batch.listed.push_back(change.copy);
            if (batch.planned.size() >= heldFolders_)
                ChangeFolders(batch, totals);
        }
        ChangeFolders(batch, totals);
        folderChanges_.clear();
    }

    void Visit(const FolderView& view, int worker) override
    {
        Totals& totals = totals_[worker];
        if (job_.folders && job_.change && view.folder[kOriginals] && view.folder[kCopies])
            FolderPair(view, worker, totals);
        const auto& originals = *view.entries[kOriginals];
        const auto& copies = *view.entries[kCopies];
        Folder folder{view, worker, nullptr};
        Ahead& ahead = aheads_[worker];
        ahead.Clear();
        uint64_t matchedHere = 0;
        const uint64_t pairsBefore = totals.pairs;
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
                if (copy && copy->kind == fsys::Kind::Regular) {
                    ++totals.orphans;
                    List(folder, Listed::Orphan, name);
                }
                continue;
            }
            ++totals.originals;
            if (!copy) {
                ++totals.missing;
                List(folder, Listed::Missing, name);
                NoteOriginal(folder, name);
                continue;
            }
            if (copy->kind == fsys::Kind::Unknown && !Refresh(folder, kCopies, name, *copy, totals))
                continue;
            if (copy->kind != fsys::Kind::Regular) {
                Skip(folder, name, copy->kind, totals);
                NoteOriginal(folder, name);
                continue;
            }
            const size_t index = static_cast<size_t>(original - originals.data());
            if (!ahead.Has(index))
                FillAhead(folder, index, j - 1, ahead);
            if (Pair(folder, name, index, ahead, totals))
                ++matchedHere;
        }
        if (progress_) {
            progress_->walked.fetch_add(originals.size() + copies.size(), std::memory_order_relaxed);
            progress_->pairs.fetch_add(totals.pairs - pairsBefore, std::memory_order_relaxed);
            progress_->matched.fetch_add(matchedHere, std::memory_order_relaxed);
        }
    }

private:
    // The most other events held on each walking thread while changes wait
    // for their batch, and the most bytes of paths held in all (deep trees
    // have long paths).
    static constexpr size_t kHeldEvents = 8192;
    static constexpr size_t kHeldBytes = size_t(16) << 20;

    using Identity = std::pair<uint64_t, uint64_t>;  // device, object

    // Pairs whose facts are asked together, ahead of the walk through a
    // folder's names: fewer calls, and overlapping round trips on a network.
    static constexpr size_t kAhead = 128;
    // Changes made together (their opens, looks and closes asked at once).
    static constexpr size_t kChangesAtOnce = 64;

    // The facts of the next pairs of a folder: each pair's copy, then (when
    // the originals are a folder) its original.
    struct Ahead {
        std::vector<fsys::NameQuery> queries;
        std::vector<size_t> originals;  // each pair's index among the originals' entries
        size_t next = 0;                // the pair in hand
        void Clear()
        {
            queries.clear();
            originals.clear();
            next = 0;
        }
        bool Has(size_t original) const { return next < originals.size() && originals[next] == original; }
    };

    // The copies' folder of queued changes, kept open until they are made.
    struct HeldFolder {
        fsys::FolderHandle handle;
        int64_t granularity = -1;  // of its file system, asked when first needed
        int place = -1;            // still where it was listed: unknown (-1), no (0), yes (1)
    };
    struct Folder {
        const FolderView& view;
        int worker;
        std::shared_ptr<HeldFolder> held;  // made with the folder's first queued change
    };
    // An event to report, or a change to make, in the order of the walk.
    struct Item {
        FileEvent event;
        std::shared_ptr<HeldFolder> folder;  // with a change
        std::string name;
        fsys::Facts copy;
        bool allowed = false;  // while its batch is made: the change may be made
        bool make = false;     // and is made
    };
    struct Queue {
        std::vector<Item> items;
        std::vector<FileEvent> planned;  // the changes' events, while their batch is made
        std::vector<fsys::ModifyRequest> requests;  // the changes made at once
        size_t changes = 0;
        size_t folders = 0;
        size_t bytes = 0;                // of the paths held
        std::unique_ptr<PlaceCheck> places;
    };
    // A folder of the copies whose time the rule matches, changed once the
    // walk and the changes of files are over.
    struct FolderChange {
        std::string path;
        fsys::Instant original;
        fsys::Facts copy;  // as listed
    };
    // Folder changes with their folders open, recorded together.
    struct FolderBatch {
        std::vector<FileEvent> planned;
        std::vector<fsys::FolderHandle> handles;
        std::vector<fsys::Facts> listed;
    };
    // A change of a copy with other names, made once the walk is over.
    struct Deferred {
        FileEvent event;
        std::string name;
        fsys::Facts copy;
        fsys::Facts folder;  // the identity of its folder
    };

    // The folder part of a path that ends in `name`.
    static std::string_view FolderPathOf(const std::string& path, const std::string& name)
    {
        const size_t length = path.size() > name.size() ? path.size() - name.size() - 1 : 0;
        return std::string_view(path).substr(0, length);
    }

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

    // An event of a walking thread: held while changes listed before it wait
    // for their batch, so that the events come in the order of the walk.
    void Report(int worker, FileEvent event)
    {
        Queue& queue = queues_[worker];
        if (!queue.changes) {
            Report(event);
            return;
        }
        queue.bytes += event.path.size();
        queue.items.push_back({std::move(event), nullptr, {}, {}});
        if (queue.items.size() - queue.changes >= kHeldEvents || queue.bytes >= heldBytes_)
            Flush(worker);
    }
    void Report(Folder& folder, FileEvent event) { Report(folder.worker, std::move(event)); }

    // Both folders at a path: compared by the rule, and the copy's held when it matches.
    void FolderPair(const FolderView& view, int worker, Totals& totals)
    {
        fsys::Facts original, copy;
        fsys::Failure failure;
        if (!fsys::FolderFacts(*view.folder[kOriginals], original, failure) ||
            !fsys::FolderFacts(*view.folder[kCopies], copy, failure)) {
            ++totals.failed;
            FileEvent event;
            event.kind = EventKind::Failed;
            event.path = view.path;
            event.folder = true;
            event.reason = failure.reason;
            Report(worker, std::move(event));
            return;
        }
        ++totals.folderPairs;
        const int64_t delta = Difference(copy.modified, original.modified);
        if (delta == 0 || !MatchesDelta(job_.rule, delta))
            return;
        ++totals.foldersMatched;
        std::lock_guard<std::mutex> lock(deferredMutex_);
        folderChanges_.push_back({view.path, original.modified, copy});
    }

    // Records a batch of folder changes, then makes them in turn.
    void ChangeFolders(FolderBatch& batch, Totals& totals)
    {
        if (batch.planned.empty())
            return;
        std::string reason;
        bool allowed = !Stopped() && observer_.BeforeChanges(batch.planned, reason);
        for (size_t k = 0; k < batch.planned.size(); ++k) {
            FileEvent& event = batch.planned[k];
            if (allowed && Stopped()) {
                allowed = false;  // recorded, not made: the folders keep their time
                reason.clear();
            }
            if (!allowed || event.kind == EventKind::Failed) {
                if (!allowed && reason.empty())
                    continue;
                ++totals.failed;
                if (!allowed) {
                    event.kind = EventKind::Failed;
                    event.reason = reason;
                }
                Report(event);
                continue;
            }
            const fsys::Folder& folder = *batch.handles[k];
            fsys::Facts after;
            fsys::Failure failure;
            TellOutcome(fsys::SetFolderModified(folder, batch.listed[k], event.set, after, failure), after, failure,
                        [&folder] { return fsys::TimeGranularity(folder); }, "since it was listed", event);
            if (CountOutcome(event, after, failure, totals))
                ++totals.foldersTouched;
            Report(event);
        }
        batch.planned.clear();
        batch.handles.clear();
        batch.listed.clear();
    }

    // Names a pair of a kind the job lists.
    void List(Folder& folder, Listed kind, const std::string& name)
    {
        if (!(job_.list & static_cast<unsigned>(kind)))
            return;
        std::lock_guard<std::mutex> lock(observerMutex_);
        observer_.OnListed(kind, PathOf(folder, name));
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

    // Asks the facts of the pairs from the one in hand (at `i` among the
    // originals, `j` among the copies) on, both names listed as regular files.
    void FillAhead(Folder& folder, size_t i, size_t j, Ahead& ahead)
    {
        const auto& originals = *folder.view.entries[kOriginals];
        const auto& copies = *folder.view.entries[kCopies];
        ahead.Clear();
        while (i < originals.size() && j < copies.size() && ahead.originals.size() < kAhead) {
            const int order = originals[i].name.compare(copies[j].name);
            if (order < 0) {
                ++i;
            } else if (order > 0) {
                ++j;
            } else {
                if (originals[i].kind == fsys::Kind::Regular && copies[j].kind == fsys::Kind::Regular) {
                    ahead.originals.push_back(i);
                    fsys::NameQuery query;
                    query.folder = folder.view.folder[kCopies];
                    query.name = &copies[j].name;
                    ahead.queries.push_back(std::move(query));
                }
                ++i;
                ++j;
            }
        }
        if (!folder.view.recorded) {
            for (const size_t index : ahead.originals) {
                fsys::NameQuery query;
                query.folder = folder.view.folder[kOriginals];
                query.name = &originals[index].name;
                ahead.queries.push_back(std::move(query));
            }
        }
        fsys::FactsOfNames(ahead.queries);
    }

    // One original and its regular copy, their facts asked ahead; true when
    // they match.
    bool Pair(Folder& folder, const std::string& name, size_t index, Ahead& ahead, Totals& totals)
    {
        const size_t pairs = ahead.originals.size();
        const fsys::NameQuery& copyQuery = ahead.queries[ahead.next];
        const fsys::NameQuery* originalQuery = folder.view.recorded ? nullptr : &ahead.queries[pairs + ahead.next];
        ++ahead.next;
        fsys::Facts original, copy;
        if (folder.view.recorded) {
            original = (*folder.view.recorded)[index];
        } else if (!originalQuery->ok) {
            Fail(folder, name, "original: " + originalQuery->failure.reason, totals);
            return false;
        } else {
            original = originalQuery->facts;
        }
        if (original.kind == fsys::Kind::Regular && original.links > 1 && job_.hardLinks)
            linkedOriginals_[folder.worker].insert({original.device, original.object});
        if (!copyQuery.ok) {
            Fail(folder, name, "copy: " + copyQuery.failure.reason, totals);
            return false;
        }
        copy = copyQuery.facts;
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
            List(folder, Listed::OtherSize, name);
            return false;
        }
        ++totals.sameSize;
        if (pairClass == PairClass::EqualTimes) {
            ++totals.equalTimes;
            List(folder, Listed::EqualTimes, name);
            return false;
        }
        // Any difference is taken for a drift only on proof by content.
        const bool match = pairClass == PairClass::Match && (job_.verify || !job_.rule.any);
        // A look without change proves every difference when asked, so that
        // only copies of equal content are counted among the differences.
        if (job_.verify && !job_.change && !Prove(folder, name, index, original, copy, totals))
            return false;
        totals.differences.Add(copy.modified, original.modified);
        List(folder, Listed::Differing, name);
        if (!match)
            return false;
        if (!job_.change) {
            ++totals.matched;
            List(folder, Listed::Matching, name);
            return true;
        }
        if (copy.links > 1 && !job_.hardLinks) {
            ++totals.matched;
            LinkedCopy(folder, name, original, copy, totals);  // left alone: not read
            return true;
        }
        Proof proof = Proof::None;
        if (job_.verify) {
            if (!Prove(folder, name, index, original, copy, totals))
                return false;
            proof = folder.view.recorded ? Proof::Digest : Proof::Content;
        }
        ++totals.matched;
        List(folder, Listed::Matching, name);
        if (copy.links > 1) {
            LinkedCopy(folder, name, original, copy, totals, proof);
            return true;
        }
        Enqueue(folder, name, original, copy, totals, proof);
        return true;
    }

    // Compares the contents of a same-size pair (with a record, the copy's
    // SHA-256 with the recorded one). True when they are equal; otherwise,
    // or when it could not be told, the pair is counted and reported.
    bool Prove(Folder& folder, const std::string& name, size_t index, const fsys::Facts& original,
              const fsys::Facts& copy, Totals& totals)
    {
        std::unique_ptr<ContentCheck>& check = checks_[folder.worker];
        if (!check)
            check = std::make_unique<ContentCheck>(ContentPiece(job_.jobs));
        const std::string path = PathOf(folder, name);
        const ContentCheck::Midway midway = [this, &path] { observer_.WhileComparing(path); };
        std::string reason;
        ContentVerdict verdict;
        if (!folder.view.recorded) {
            verdict = check->Compare(*folder.view.folder[kOriginals], *folder.view.folder[kCopies], name, original,
                                     copy, midway, reason);
        } else if (folder.view.digests && (*folder.view.digests)[index].known) {
            verdict = check->CheckDigest(*folder.view.folder[kCopies], name, copy,
                                         (*folder.view.digests)[index].sha256, midway, reason);
        } else {
            verdict = ContentVerdict::Failed;
            reason = "the manifest holds no SHA-256 for it";
        }
        if (verdict == ContentVerdict::Equal || verdict == ContentVerdict::Differs)
            ++totals.compared;
        if (verdict == ContentVerdict::Equal)
            return true;
        FileEvent event = PlannedEvent(folder, name, original, copy);
        event.reason = reason;
        switch (verdict) {
        case ContentVerdict::Differs:
            ++totals.contentDiffers;
            event.kind = EventKind::ContentDiffers;
            break;
        case ContentVerdict::Changed:
            ++totals.changed;
            event.kind = EventKind::Changed;
            break;
        default:
            ++totals.failed;
            event.kind = EventKind::Failed;
            event.paired = false;
            break;
        }
        Report(folder, std::move(event));
        return false;
    }

    // With --hard-links, every original with other names is remembered, so
    // that no copy that is the same file is changed.
    void NoteOriginal(Folder& folder, const std::string& name)
    {
        // A manifest's originals are records, not files that a copy can share.
        if (!job_.hardLinks || !job_.change || folder.view.recorded)
            return;
        fsys::Facts facts;
        fsys::Failure failure;
        if (fsys::NameFacts(*folder.view.folder[kOriginals], name, facts, failure) &&
            facts.kind == fsys::Kind::Regular && facts.links > 1)
            linkedOriginals_[folder.worker].insert({facts.device, facts.object});
    }

    static FileEvent PlannedEvent(Folder& folder, const std::string& name, const fsys::Facts& original,
                                  const fsys::Facts& copy, Proof proof = Proof::None)
    {
        FileEvent event;
        event.kind = EventKind::Planned;
        event.path = PathOf(folder, name);
        event.paired = true;
        event.size = copy.size;
        event.original = original.modified;
        event.before = copy.modified;
        event.set = original.modified;
        event.object = copy.object;
        event.proof = proof;
        return event;
    }

    // A matching copy with other names: changing it changes the file under
    // all of them (an older backup's, say, or an original's). Left alone
    // unless asked; when asked, changed after the walk.
    void LinkedCopy(Folder& folder, const std::string& name, const fsys::Facts& original,
                    const fsys::Facts& copy, Totals& totals, Proof proof = Proof::None)
    {
        FileEvent event = PlannedEvent(folder, name, original, copy, proof);
        if (!job_.hardLinks) {
            ++totals.hardLinked;
            event.kind = EventKind::Skipped;
            event.reason = "the copy has " + std::to_string(copy.links) +
                           " names (hard links), and a change would reach them all: left alone "
                           "(--hard-links changes such copies)";
            Report(folder, std::move(event));
            return;
        }
        Deferred deferred{std::move(event), name, copy, {}};
        fsys::Failure failure;
        if (!fsys::FolderFacts(*folder.view.folder[kCopies], deferred.folder, failure)) {
            Fail(folder, name, "its folder: " + failure.reason, totals);
            return;
        }
        std::lock_guard<std::mutex> lock(deferredMutex_);
        deferred_.push_back(std::move(deferred));
    }

    void Enqueue(Folder& folder, const std::string& name, const fsys::Facts& original,
                 const fsys::Facts& copy, Totals& totals, Proof proof)
    {
        FileEvent event = PlannedEvent(folder, name, original, copy, proof);
        if (job_.dryRun) {
            Report(folder, std::move(event));
            return;
        }
        Queue& queue = queues_[folder.worker];
        if (!queue.changes)
            folder.held.reset();  // a flush counted the folders anew
        if (!folder.held) {
            fsys::Failure failure;
            fsys::FolderHandle handle = fsys::Duplicate(*folder.view.folder[kCopies], failure);
            if (!handle && queue.changes) {
                // Out of handles, most likely: the changes queued so far are
                // made, which lets their folders go, and the handle is asked again.
                Flush(folder.worker);
                handle = fsys::Duplicate(*folder.view.folder[kCopies], failure);
            }
            if (!handle) {
                ++totals.failed;
                event.kind = EventKind::Failed;
                event.reason = "its folder cannot be kept open: " + failure.reason;
                Report(folder, std::move(event));
                return;
            }
            folder.held = std::make_shared<HeldFolder>();
            folder.held->handle = std::move(handle);
            ++queue.folders;
        }
        if (queue.items.capacity() == 0)
            queue.items.reserve(batch_);  // grown once: its pages are used only as it fills
        queue.bytes += event.path.size();
        queue.items.push_back({std::move(event), folder.held, name, copy});
        ++queue.changes;
        if (queue.changes >= batch_ || queue.folders >= heldFolders_ || queue.bytes >= heldBytes_) {
            Flush(folder.worker);
            folder.held.reset();  // the next change here opens it again
        }
    }

    // Makes the queued changes of a walking thread: first the observer's
    // record of them all (one write to the disk for the batch), then each
    // change in turn, with the events held behind them in their place. Once
    // the run is asked to stop, no further change is made.
    void Flush(int worker)
    {
        Queue& queue = queues_[worker];
        if (queue.items.empty())
            return;
        Totals& totals = totals_[worker];
        // The planned events are lent to the observer and taken back, not
        // copied, in a vector kept from batch to batch.
        std::vector<FileEvent>& planned = queue.planned;
        planned.clear();
        planned.reserve(queue.changes);
        for (Item& item : queue.items)
            if (item.folder)
                planned.push_back(std::move(item.event));
        std::string reason;
        bool allowed = !Stopped();
        if (allowed && !planned.empty())
            allowed = observer_.BeforeChanges(planned, reason);
        size_t k = 0;
        std::vector<fsys::ModifyRequest>& requests = queue.requests;
        for (size_t from = 0; from < queue.items.size();) {
            // The next changes to make, a few at once, then every item up to
            // the last of them reported in its order.
            requests.clear();
            size_t to = from;
            for (; to < queue.items.size() && requests.size() < kChangesAtOnce; ++to) {
                Item& item = queue.items[to];
                item.make = false;
                if (!item.folder)
                    continue;
                item.event = std::move(planned[k++]);
                if (allowed && Stopped()) {
                    // Asked to stop: the changes in hand are finished, the
                    // rest not made (recorded, but the copies keep their time
                    // before).
                    allowed = false;
                    reason.clear();
                }
                item.allowed = allowed;
                if (allowed && item.event.kind != EventKind::Failed && InPlace(queue, item)) {
                    item.make = true;
                    fsys::ModifyRequest request;
                    request.folder = item.folder->handle.get();
                    request.name = &item.name;
                    request.expected = item.copy;
                    request.when = item.event.set;
                    requests.push_back(std::move(request));
                }
            }
            fsys::SetModifiedAll(requests);
            size_t made = 0;
            for (; from < to; ++from) {
                Item& item = queue.items[from];
                if (!item.folder) {
                    Report(item.event);
                } else if (item.make) {
                    Change(item, requests[made++], totals);
                } else if (item.allowed && item.event.kind == EventKind::Failed) {
                    ++totals.failed;  // refused by the observer: not made
                    Report(item.event);
                } else if (item.allowed) {
                    ++totals.changed;
                    item.event.kind = EventKind::Changed;
                    item.event.reason = "its folder was moved or replaced since it was listed";
                    Report(item.event);
                } else if (!reason.empty()) {
                    ++totals.failed;
                    item.event.kind = EventKind::Failed;
                    item.event.reason = reason;
                    Report(item.event);
                }
            }
        }
        queue.items.clear();
        queue.changes = 0;
        queue.folders = 0;
        queue.bytes = 0;
        queue.places->Forget();
    }

    // Whether the folder of a queued change is still where it was listed
    // below the copies' top, asked once per folder and batch, just before its
    // changes: a folder moved out of the copies since is not reached.
    bool InPlace(Queue& queue, const Item& item)
    {
        HeldFolder& held = *item.folder;
        if (held.place < 0)
            held.place = queue.places->StillAt(*held.handle, FolderPathOf(item.event.path, item.name));
        return held.place == 1;
    }

    // Counts the outcome TellOutcome gave a change, but for one made in
    // full, which the caller counts as a file's or a folder's (true); a copy
    // found changed keeps the time read on it.
    static bool CountOutcome(FileEvent& event, const fsys::Facts& after, const fsys::Failure& failure,
                             Totals& totals)
    {
        switch (event.kind) {
        case EventKind::Touched: return true;
        case EventKind::NotKept: ++totals.notKept; break;
        case EventKind::Changed:
            ++totals.changed;
            if (failure.reason.empty())
                event.readBack = after.modified;
            break;
        default: ++totals.failed; break;
        }
        return false;
    }

    // The outcome of a change made.
    void Change(Item& item, const fsys::ModifyRequest& made, Totals& totals)
    {
        FileEvent& event = item.event;
        const fsys::Facts& after = made.after;
        const fsys::Failure& failure = made.failure;
        HeldFolder& held = *item.folder;
        TellOutcome(made.result, after, failure,
                    [&held] {
                        if (held.granularity < 0)
                            held.granularity = fsys::TimeGranularity(*held.handle);
                        return held.granularity;
                    },
                    "since it was listed", event);
        if (CountOutcome(event, after, failure, totals)) {
            ++totals.touched;
            if (progress_)
                progress_->touched.fetch_add(1, std::memory_order_relaxed);
        }
        Report(event);
    }

    const Job& job_;
    Observer& observer_;
    Progress* progress_;
    std::vector<Totals> totals_;  // one per walking thread
    std::vector<Queue> queues_;   // one per walking thread
    std::vector<Ahead> aheads_;   // one per walking thread
    std::vector<std::set<Identity>> linkedOriginals_;  // originals with other names, per thread
    std::vector<std::unique_ptr<ContentCheck>> checks_;  // per thread, made when first needed
    std::mutex deferredMutex_;  // for the two below
    std::vector<Deferred> deferred_;
    std::vector<FolderChange> folderChanges_;
    const size_t batch_;          // changes held on each walking thread, at most
    const size_t heldFolders_;    // folders held on each
    const size_t heldBytes_;      // bytes of paths held on each
    std::mutex observerMutex_;
};

// Removes from a record's folder at `path` the entries the filter leaves out.
void LeaveOutRecorded(const PathFilter* filter, const std::string& path, std::vector<fsys::Entry>& entries,
                      std::vector<fsys::Facts>& facts, std::vector<RecordedDigest>* digests = nullptr)
{
    if (!filter || filter->empty())
        return;
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string entryPath = path.empty() ? entries[i].name : path + "/" + entries[i].name;
        if (filter->Excluded(entryPath, entries[i].kind == fsys::Kind::Folder))
            continue;
        if (kept != i) {
            entries[kept] = std::move(entries[i]);
            facts[kept] = facts[i];
            if (digests && i < digests->size())
                (*digests)[kept] = (*digests)[i];
        }
        ++kept;
    }
    entries.resize(kept);
    facts.resize(kept);
    if (digests && digests->size() > kept)
        digests->resize(kept);
}

// Walks the copies (as both sides of the walk, since it walks two trees) and
// hands the pairing each folder with the record's originals in place of
// the first side.
class AgainstRecord : public FolderVisitor {
public:
    AgainstRecord(RecordedOriginals& originals, Pairing& pairing, bool countUnpaired, bool digests,
                  const PathFilter* filter)
        : originals_(originals), pairing_(pairing), countUnpaired_(countUnpaired), digests_(digests), filter_(filter)
    {
    }

    void Visit(const FolderView& view, int worker) override
    {
        std::vector<fsys::Entry> entries;
        std::vector<fsys::Facts> facts;
        std::vector<RecordedDigest> digests;
        // A folder of the copies that the originals lack is left alone, as
        // when both are folders, unless the unpaired are counted.
        if (!originals_.FolderOf(view.path, entries, facts, digests_ ? &digests : nullptr) && !countUnpaired_)
            return;
        LeaveOutRecorded(filter_, view.path, entries, facts, digests_ ? &digests : nullptr);
        FolderView paired{view.path, {nullptr, view.folder[kCopies]}, {&entries, view.entries[kCopies]}};
        paired.recorded = &facts;
        if (digests_)
            paired.digests = &digests;
        pairing_.Visit(paired, worker);
        if (countUnpaired_ && !originals_.InWalkOrder())
            OriginalsOnly(entries, *view.entries[kCopies], view.path, worker);
    }
    void FolderFailed(const std::string& path, Side, const fsys::Failure& failure, int worker) override
    {
        pairing_.FolderFailed(path, kCopies, failure, worker);
        std::lock_guard<std::mutex> lock(failedMutex_);
        failed_.insert(path);
    }
    void Finished(int worker) override
    {
        if (originals_.InWalkOrder())
            originals_.Finish();  // the folders of the record after the walk's last
        pairing_.Finished(worker);
    }
    // True for a folder of the copies that could not be read, or one inside
    // it: what it holds is unknown, so its originals are neither paired nor
    // missing, as when both sides are folders.
    bool InFailedFolder(std::string path)
    {
        std::lock_guard<std::mutex> lock(failedMutex_);
        for (;;) {
            if (failed_.count(path))
                return true;
            const size_t slash = path.rfind('/');
            if (slash == std::string::npos)
                return false;
            path.resize(slash);
        }
    }

private:
    // The record's folders that the copies lack (or hold as something else
    // than a folder), visited with no copies, for the counts.
    void OriginalsOnly(const std::vector<fsys::Entry>& originals, const std::vector<fsys::Entry>& copies,
                       const std::string& path, int worker)
    {
        for (const fsys::Entry& entry : originals) {
            if (entry.kind != fsys::Kind::Folder)
                continue;
            const auto copy = std::lower_bound(copies.begin(), copies.end(), entry.name,
                                               [](const fsys::Entry& e, const std::string& name) { return e.name < name; });
            if (copy != copies.end() && copy->name == entry.name && copy->kind == fsys::Kind::Folder)
                continue;
            const std::string child = path.empty() ? entry.name : path + "/" + entry.name;
            std::vector<fsys::Entry> entries;
            std::vector<fsys::Facts> facts;
            if (!originals_.FolderOf(child, entries, facts))
                continue;
            LeaveOutRecorded(filter_, child, entries, facts);
            const std::vector<fsys::Entry> none;
            FolderView alone{child, {nullptr, nullptr}, {&entries, &none}};
            alone.recorded = &facts;
            pairing_.Visit(alone, worker);
            OriginalsOnly(entries, none, child, worker);
        }
    }

    RecordedOriginals& originals_;
    Pairing& pairing_;
    const bool countUnpaired_;
    const bool digests_;  // asked for with the originals, for proof by content
    const PathFilter* filter_;
    std::mutex failedMutex_;
    std::set<std::string> failed_;  // folders of the copies that could not be read
};

}  // namespace

Totals RepairAgainst(RecordedOriginals& originals, const fsys::Folder& copies, const Job& job,
                     Observer& observer, Progress* progress)
{
    // A record read as the walk goes is asked in the walk's order: one thread.
    Job single = job;
    if (originals.InWalkOrder())
        single.jobs = 1;
    fsys::Facts copiesTop;
    fsys::Failure failure;
    fsys::FolderFacts(copies, copiesTop, failure);
    Pairing pairing(single, copiesTop, observer, progress);
    AgainstRecord against(originals, pairing, job.countUnpaired, job.verify, job.filter);
    if (job.countUnpaired)
        originals.OnPassed([&pairing, &against, &job](const std::string& path, const std::vector<fsys::Entry>& passed,
                                                      const std::vector<fsys::Facts>& passedFacts) {
            if (against.InFailedFolder(path))
                return;
            // A folder of the record below one that the filter leaves out is not reached.
            if (job.filter && !path.empty() && job.filter->ExcludedWithin(path, true))
                return;
            std::vector<fsys::Entry> entries = passed;
            std::vector<fsys::Facts> facts = passedFacts;
            LeaveOutRecorded(job.filter, path, entries, facts);
            const std::vector<fsys::Entry> none;
            FolderView alone{path, {nullptr, nullptr}, {&entries, &none}};
            alone.recorded = &facts;
            pairing.Visit(alone, 0);
        });
    WalkOptions options;
    options.jobs = single.jobs;
    options.maxKeptHandles = job.maxKeptHandles;
    options.stop = job.stop;
    options.filter = job.filter;
    WalkInStep(copies, copies, options, against);
    originals.OnPassed(nullptr);
    pairing.MakeDeferred(copies);
    Totals totals = pairing.Sum();
    totals.interrupted = job.stop && job.stop->load();
    return totals;
}

Totals Repair(const fsys::Folder& originals, const fsys::Folder& copies, const Job& job,
              Observer& observer, Progress* progress)
{
    fsys::Facts copiesTop;
    fsys::Failure failure;
    fsys::FolderFacts(copies, copiesTop, failure);
    Pairing pairing(job, copiesTop, observer, progress);
    WalkOptions options;
    options.jobs = job.jobs;
    // With hard links changed, every original is looked at, those in
    // folders without copies too.
    options.oneSided = job.countUnpaired || (job.hardLinks && job.change);
    options.maxKeptHandles = job.maxKeptHandles;
    options.stop = job.stop;
    options.filter = job.filter;
    WalkInStep(originals, copies, options, pairing);
    pairing.MakeDeferred(copies);
    if (job.folders && job.change)
        pairing.MakeFolderChanges(copies);
    Totals totals = pairing.Sum();
    totals.folders = job.folders;
    totals.interrupted = job.stop && job.stop->load();
    return totals;
}

}  // namespace engine
