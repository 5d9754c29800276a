#include "engine/undo.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <thread>

#include "engine/change_outcome.h"
#include "engine/instant.h"
#include "engine/roots.h"

namespace engine {

namespace {

// Changes held, at most, behind one record of them; folders held open for them.
constexpr size_t kBatch = 8192;
constexpr size_t kMaxHeldFolders = 256;
// Copies looked at in one round, at most, shared among the threads 128 or
// more each: their looks are asked together (fewer calls, and on a network
// file system overlapping round trips).
constexpr size_t kLooksAtOnce = 2048;
constexpr size_t kLooksEach = 128;

// Runs work(0) to work(threads - 1), the first on this thread, each of the
// others on a thread of its own, and waits for them all.
template <typename Work>
void OnThreads(size_t threads, const Work& work)
{
    std::vector<std::thread> workers;
    for (size_t t = 1; t < threads; ++t)
        workers.emplace_back([&work, t] { work(t); });
    work(0);
    for (std::thread& worker : workers)
        worker.join();
}

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

FileEvent EventOf(const JournalEntry& entry)
{
    FileEvent event;
    event.path = entry.path;
    event.folder = entry.folder;
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

// The folder holding one journal entry's copy, opened name by name from the
// copies folder (never through a link) and kept while the next entries are
// in the same folder; shared with the changes held for it.
class Undoer::FolderCursor {
public:
    explicit FolderCursor(const fsys::Folder& top) : top_(&top, [](const fsys::Folder*) {}) {}

    // Null, with `failure`, when a folder on the way cannot be opened.
    std::shared_ptr<const fsys::Folder> Open(const std::string& parent, fsys::Failure& failure)
    {
        if (valid_ && parent == path_)
            return current_;
        valid_ = false;
        current_ = top_;
        size_t from = 0;
        while (from < parent.size()) {
            const size_t end = parent.find('/', from);
            const std::string name = parent.substr(from, end == std::string::npos ? std::string::npos : end - from);
            fsys::FolderHandle next = fsys::OpenChild(*current_, name, failure);
            if (!next)
                return nullptr;
            current_ = std::shared_ptr<const fsys::Folder>(std::move(next));
            from = end == std::string::npos ? parent.size() : end + 1;
        }
        path_ = parent;
        valid_ = true;
        return current_;
    }

private:
    std::shared_ptr<const fsys::Folder> top_, current_;
    std::string path_;
    bool valid_ = false;
};

// A change held for its batch, with its folder and that folder's time
// granularity (shared by the changes of one folder, asked once).
struct Undoer::Held {
    std::shared_ptr<const fsys::Folder> folder;
    fsys::Facts facts;
    std::shared_ptr<std::atomic<int64_t>> granularity;
};

// A change of the journal waiting for the look at its copy, asked together
// with the next ones'.
struct Undoer::Look {
    JournalEntry entry;
    std::shared_ptr<const fsys::Folder> folder;  // null: `failure` tells why
    std::string name;
    fsys::Facts facts;
    fsys::Failure failure;
    bool ok = false;  // `facts` hold the look
};

Undoer::Undoer(const JournalHeader& header, const fsys::Folder& copies, bool dryRun,
               const std::atomic<bool>* stop, Observer& observer, UndoTotals& totals, int jobs)
    : header_(header), dryRun_(dryRun), stop_(stop), observer_(observer), totals_(totals),
      cursor_(new FolderCursor(copies)), jobs_(jobs < 1 ? 1 : jobs)
{
}

Undoer::~Undoer() = default;

bool Undoer::stopped() const
{
    return totals_.interrupted || !totals_.stoppedBy.empty();
}

bool Undoer::Halted()
{
    if (stopped())
        return true;
    if (stop_ && stop_->load()) {
        totals_.interrupted = true;
        return true;
    }
    return false;
}

void Undoer::Add(const JournalEntry& entry, bool finished)
{
    ++totals_.changes;
    if (entry.mark == Mark::Failed || entry.mark == Mark::Left || (entry.mark == Mark::None && finished)) {
        ++totals_.notMade;
        return;
    }
    if (Halted())
        return;
    looks_.push_back({entry, nullptr, {}, {}, {}, false});
    if (looks_.size() >= kLooksAtOnce)
        LookAtCopies();
}

// Opens the folders of the changes waiting, then looks at their copies
// together (a folder's change at the folder itself), and plans each in turn.
void Undoer::LookAtCopies()
{
    queries_.clear();
    for (Look& look : looks_) {
        const JournalEntry& entry = look.entry;
        // A folder's change is made on the folder itself, a file's in its folder.
        look.folder = cursor_->Open(entry.folder ? entry.path : ParentOf(entry.path), look.failure);
        if (!look.folder)
            continue;
        if (entry.folder) {
            look.ok = fsys::FolderFacts(*look.folder, look.facts, look.failure);
            continue;
        }
        look.name = NameOf(entry.path);
        fsys::NameQuery query;
        query.folder = look.folder.get();
        query.name = &look.name;
        queries_.push_back(std::move(query));
    }
    LookTogether();
    size_t asked = 0;
    for (Look& look : looks_) {
        if (!look.folder || look.entry.folder)
            continue;
        fsys::NameQuery& query = queries_[asked++];
        look.ok = query.ok;
        look.facts = query.facts;
        look.failure = std::move(query.failure);
    }
    for (Look& look : looks_) {
        if (Halted())
            break;
        Plan(look);
    }
    looks_.clear();
    queries_.clear();
}

// The looks of queries_, on as many threads as the jobs allow and there are
// looks for, each asking its share together.
void Undoer::LookTogether()
{
    const size_t threads = std::min<size_t>(static_cast<size_t>(jobs_), queries_.size() / kLooksEach);
    if (threads <= 1) {
        fsys::FactsOfNames(queries_);
        return;
    }
    std::vector<std::vector<fsys::NameQuery>> shares(threads);
    const size_t each = (queries_.size() + threads - 1) / threads;
    for (size_t t = 0; t < threads; ++t) {
        const size_t from = std::min(queries_.size(), t * each), to = std::min(queries_.size(), from + each);
        shares[t].assign(std::make_move_iterator(queries_.begin() + from), std::make_move_iterator(queries_.begin() + to));
    }
    OnThreads(threads, [&shares](size_t t) { fsys::FactsOfNames(shares[t]); });
    queries_.clear();
    for (std::vector<fsys::NameQuery>& share : shares)
        queries_.insert(queries_.end(), std::make_move_iterator(share.begin()), std::make_move_iterator(share.end()));
}

int64_t Undoer::GranularityOf(const std::shared_ptr<const fsys::Folder>& folder)
{
    if (folder != granularityFolder_) {
        granularityFolder_ = folder;
        granularity_ = fsys::TimeGranularity(*folder);
    }
    return granularity_;
}

void Undoer::Plan(const Look& look)
{
    const JournalEntry& entry = look.entry;
    FileEvent event = EventOf(entry);
    const auto leave = [&](const std::string& reason) {
        ++totals_.leftAlone;
        event.kind = EventKind::Changed;
        event.reason = reason;
        observer_.OnEvent(event);
    };
    const auto fail = [&](const std::string& reason) {
        ++totals_.failed;
        event.kind = EventKind::Failed;
        event.reason = reason;
        observer_.OnEvent(event);
    };
    const fsys::Failure& failure = look.failure;
    const std::shared_ptr<const fsys::Folder>& folder = look.folder;
    if (!folder) {
        if (failure.code == ENOENT || failure.code == ENOTDIR || failure.code == ELOOP)
            leave(std::string(entry.folder ? "it is gone or was replaced" : "its folder is gone or was replaced") +
                  " since the run: " + failure.reason);
        else
            fail(std::string(entry.folder ? "it" : "its folder") + " cannot be opened: " + failure.reason);
        return;
    }
    const fsys::Facts& facts = look.facts;
    if (!look.ok) {
        if (failure.code == ENOENT)
            leave("gone since the run");
        else
            fail(failure.reason);
        return;
    }
    event.before = facts.modified;
    event.readBack = facts.modified;
    if (facts.kind != (entry.folder ? fsys::Kind::Folder : fsys::Kind::Regular)) {
        leave("replaced since the run by something that is not a regular file");
        return;
    }
    if (header_.identified && header_.stableObjects && facts.object != entry.object) {
        leave(std::string("another ") + (entry.folder ? "folder" : "file") +
              " is at its place since the run (made anew, or moved there)");
        return;
    }
    // A folder's size is that of its listing, which its time tells of already.
    if (!entry.folder && facts.size != entry.size) {
        leave("its size changed since the run (" + std::to_string(facts.size) + " bytes, the run left " +
              std::to_string(entry.size) + ")");
        return;
    }
    const bool asBefore = facts.modified == entry.before;
    bool asLeft;
    if (entry.mark == Mark::Done)
        asLeft = facts.modified == entry.kept;
    else  // the change may have been made, and rounded by the file system
        asLeft = facts.modified == entry.set || Distance(facts.modified, entry.set) < GranularityOf(folder);
    if (asBefore) {
        ++totals_.already;
        event.kind = EventKind::Skipped;
        event.reason = "already has its time from before the run";
        observer_.OnEvent(event);
        return;
    }
    if (!asLeft) {
        leave("its time changed since the run (" + IsoUtc(facts.modified) + ", the run left " +
              IsoUtc(entry.mark == Mark::Done ? entry.kept : entry.set) + ")");
        return;
    }
    ++totals_.planned;
    event.kind = EventKind::Planned;
    event.object = facts.object;
    if (dryRun_) {
        observer_.OnEvent(event);
        return;
    }
    if (held_.empty() || held_.back().folder != folder) {
        ++heldFolders_;
        held_.push_back({folder, facts, std::make_shared<std::atomic<int64_t>>(-1)});
    } else {
        held_.push_back({folder, facts, held_.back().granularity});
    }
    planned_.push_back(std::move(event));
    if (planned_.size() >= kBatch || heldFolders_ >= kMaxHeldFolders)
        Flush();
}

void Undoer::Finish()
{
    LookAtCopies();
    Flush();
}

void Undoer::Change(size_t k)
{
    FileEvent& event = planned_[k];
    if (event.kind == EventKind::Failed)  // refused by the observer: not made
        return;
    const Held& held = held_[k];
    fsys::Facts after;
    fsys::Failure failure;
    const auto granularity = [&held] {
        int64_t value = held.granularity->load();
        if (value < 0)
            held.granularity->store(value = fsys::TimeGranularity(*held.folder));
        return value;
    };
    const fsys::SetResult result =
        event.folder ? fsys::SetFolderModified(*held.folder, held.facts, event.set, after, failure)
                     : fsys::SetModified(*held.folder, NameOf(event.path), held.facts, event.set, after, failure);
    TellOutcome(result, after, failure, granularity, "while the undo ran", event);
}

void Undoer::Flush()
{
    if (planned_.empty())
        return;
    std::string reason;
    if (!stopped() && !observer_.BeforeChanges(planned_, reason))
        totals_.stoppedBy = reason.empty() ? "the changes could not be recorded first" : reason;
    if (!stopped()) {
        // The changes on the threads, each taking the next one in turn; once
        // the undo is asked to stop, none is begun.
        std::atomic<size_t> next{0};
        const auto work = [&] {
            for (size_t k; (k = next.fetch_add(1)) < planned_.size();) {
                if (stop_ && stop_->load())
                    return;
                Change(k);
            }
        };
        // Folders' changes come after their files' and the deepest first:
        // a batch that holds any is made in that order, on one thread.
        const bool folders = std::any_of(planned_.begin(), planned_.end(),
                                         [](const FileEvent& event) { return event.folder; });
        const size_t threads =
            folders ? 1 : std::min<size_t>(static_cast<size_t>(jobs_), (planned_.size() + 63) / 64);
        OnThreads(threads, [&work](size_t) { work(); });
        // Reported in order; a change not begun stays Planned and is not reported.
        for (FileEvent& event : planned_) {
            switch (event.kind) {
            case EventKind::Planned: totals_.interrupted = true; continue;
            case EventKind::Touched: ++totals_.restored; break;
            case EventKind::Changed: ++totals_.leftAlone; break;
            default: ++totals_.failed; break;  // not kept, or refused
            }
            observer_.OnEvent(event);
        }
    }
    planned_.clear();
    held_.clear();
    heldFolders_ = 0;
}

}  // namespace engine
