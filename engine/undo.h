// Taking a run back: for each change a journal records as made (or as
// perhaps made: an intent without a mark), the copy's modification time set
// back to the time before, exactly, but only when the copy is still what the
// run left (same file object kind, size and time). Anything else is left
// alone and reported with the reason.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/journal_reader.h"
#include "engine/repair.h"

namespace engine {

struct UndoTotals {
    uint64_t changes = 0;    // intents in the journal
    uint64_t notMade = 0;    // marked failed or left alone by the run: nothing to take back
    uint64_t restored = 0;   // set back to the time before
    uint64_t already = 0;    // already had the time before (an undo done before, say)
    uint64_t leftAlone = 0;  // changed, gone or replaced since the run
    uint64_t failed = 0;
    bool interrupted = false;
};

// Whether `copies`, the copies folder of the journal's run opened again, is
// the folder that run changed: for a journal that records identities, the
// same folder on the same file system; for any journal, neither the
// originals folder (when it can still be opened) nor a folder inside it.
// False with the reason otherwise. `warning` tells of a journal without
// identities, whose copies are then known by their size and time alone.
bool CheckCopiesFolder(const JournalHeader& header, const fsys::Folder& copies, std::string& error,
                       std::string& warning);

// A copy to set back, as the first look found it.
struct UndoStep {
    size_t entry = 0;  // index in the journal's entries
    fsys::Facts facts;
};

// The first look, which changes nothing: every copy the run changed (or may
// have changed) is looked at; those still as the run left them are returned,
// the others reported to `observer` (Skipped with the reason for those that
// already have their time from before, Changed for those left alone, Failed
// when a copy cannot be asked).
std::vector<UndoStep> PlanUndo(const Journal& journal, const fsys::Folder& copies, Observer& observer,
                               UndoTotals& totals);

// Sets the planned copies back, in batches recorded through the observer's
// BeforeChanges before they are made; in a dry run only reports them
// (Planned). Each copy is looked at again on its file object just before.
void RunUndo(const Journal& journal, const std::vector<UndoStep>& steps, const fsys::Folder& copies,
             bool dryRun, const std::atomic<bool>* stop, Observer& observer, UndoTotals& totals);

}  // namespace engine
