// Taking a run back: for each change a journal records as made (or as
// perhaps made: an intent without a mark in a run that did not finish), the
// copy's modification time set back to the time before, exactly, but only
// when the copy is still what the run left (the same file object, where the
// journal records it, with the size and time the run left). Anything else is
// left alone and reported with the reason. The journal's changes are taken
// in its order and held a batch at a time, so that a journal of any length
// is undone in bounded memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/journal_reader.h"
#include "engine/repair.h"

namespace engine {

struct UndoTotals {
    uint64_t changes = 0;    // intents in the journal
    uint64_t notMade = 0;    // marked failed or left alone by the run, or never made: nothing to take back
    uint64_t planned = 0;    // found as the run left them: to be set back (in a dry run, would be)
    uint64_t restored = 0;   // set back to the time before
    uint64_t already = 0;    // already had the time before (an undo done before, say)
    uint64_t leftAlone = 0;  // changed, gone or replaced since the run
    uint64_t failed = 0;
    bool interrupted = false;
    std::string stoppedBy;   // the record of the changes could not be made: the reason
};

// Whether `copies`, the copies folder of the journal's run opened again, is
// the folder that run changed: for a journal that records identities, the
// same folder on the same file system; for any journal, neither the
// originals folder (when it can still be opened) nor a folder inside it.
// False with the reason otherwise. `warning` tells of a journal without
// identities, whose copies are then known by their size and time alone.
bool CheckCopiesFolder(const JournalHeader& header, const fsys::Folder& copies, std::string& error,
                       std::string& warning);

class Undoer {
public:
    // Copies are looked at and set back below `copies`; events go to
    // `observer` (Skipped for a copy that already has its time from before,
    // Changed for one left alone, Failed, Planned in a dry run, and the
    // outcome of each change made), each batch of changes through its
    // BeforeChanges first. A refused BeforeChanges stops the undo.
    // The changes of a batch are made on `jobs` threads; their events are
    // reported after, in the journal's order.
    Undoer(const JournalHeader& header, const fsys::Folder& copies, bool dryRun, const std::atomic<bool>* stop,
           Observer& observer, UndoTotals& totals, int jobs = 1);
    ~Undoer();
    // The next change of the journal, with its mark from the whole journal;
    // `finished`: the run ended, so that a change without a mark was not made.
    void Add(const JournalEntry& entry, bool finished);
    // Makes the changes still held.
    void Finish();
    // Asked to stop, or stopped by a refused record.
    bool stopped() const;

private:
    struct Held;
    struct Look;
    class FolderCursor;
    // True once asked to stop (counted as an interruption) or stopped by a
    // refused record.
    bool Halted();
    void LookAtCopies();
    void LookTogether();
    void Plan(const Look& look);
    int64_t GranularityOf(const std::shared_ptr<const fsys::Folder>& folder);
    void Flush();
    void Change(size_t k);

    const JournalHeader& header_;
    bool dryRun_;
    const std::atomic<bool>* stop_;
    Observer& observer_;
    UndoTotals& totals_;
    std::unique_ptr<FolderCursor> cursor_;
    std::vector<Look> looks_;                // waiting for the look at their copies
    std::vector<fsys::NameQuery> queries_;   // those looks, asked together
    std::vector<Held> held_;
    std::vector<FileEvent> planned_;
    size_t heldFolders_ = 0;
    std::shared_ptr<const fsys::Folder> granularityFolder_;  // the folder whose granularity is known
    int64_t granularity_ = -1;
    int jobs_;
};

}  // namespace engine
