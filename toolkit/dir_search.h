// One wildcard directory search per thread.
#pragma once

#include <cstdint>

#include "toolkit/text.h"

// What the search knows of the last entry it returned.
struct DirEntryInfo {
    int64_t size = 0;          // bytes
    int64_t writeTime = 0;     // last write, seconds since 1970-01-01 UTC
};

// With a pattern: closes any open search of this thread, opens one on the
// pattern and returns the first accepted entry. Without: the next accepted
// entry of the open search. Returns the bare name and stores the low byte of
// the attribute word in `attributes` (and the entry's size and time in `info`
// when given); "" and 0 when there is no further entry or no search.
// An entry is accepted when its attributes have no bit outside `mask`, the
// bits above the low byte, and the archive bit when the mask lacks the folder bit.
Text DirSearch(const Text& pattern, int mask, int* attributes, DirEntryInfo* info = nullptr);
