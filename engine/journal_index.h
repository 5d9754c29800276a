// The journals of a folder and how they relate: which runs were taken back,
// which journal `undo --last` takes, which `journals --prune` removes. Each
// journal is known by its summary (engine/journal_lines.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/journal_lines.h"

namespace engine {

// The journals of `folder` (made absolute, links resolved, so that the
// journal an undo names is recognised), oldest first.
bool ReadJournalFolder(const std::string& folder, std::string& absolute, std::vector<JournalSummary>& journals,
                       std::string& error);

// For each journal, the index of the undo that took its run back, or -1:
// an undo that finished without being stopped, and was not itself taken
// back since (the newest such undo).
std::vector<long> UndoneBy(const std::vector<JournalSummary>& journals);

// The journal `undo --last` takes: the newest fix run with changes not yet
// taken back (changes made, or perhaps made by a run that did not finish).
enum class LastPick { Found, NoneLeft, Untrusted };
// Found: `index` is the run. Untrusted: `index` is a newer journal that
// cannot be read, so that which run is the last is not known. NoneLeft: no
// such run.
LastPick PickLast(const std::vector<JournalSummary>& journals, const std::vector<long>& undoneBy, size_t& index);

// What `journals --prune` removes: runs taken back (and the undo that took
// each back, or the undo of a journal of the same folder removed before),
// runs that changed nothing, and, when `olderThan` is not
// negative, every journal of a run started more than that many seconds
// before `now`; never one of the `keep` newest, nor one that cannot be read
// (but an empty file, which describes no run).
std::vector<size_t> ChoosePrune(const std::vector<JournalSummary>& journals, const std::vector<long>& undoneBy,
                                int64_t olderThan, size_t keep, int64_t now);

}  // namespace engine
