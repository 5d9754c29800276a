// The differences between copies and originals of the same size, counted by
// the second, and the shift they suggest.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "engine/duration.h"
#include "fsys/fsys.h"

namespace engine {

class DeltaHistogram {
public:
    // Keys beyond this many are counted as `others` only, so that memory
    // stays bounded whatever the tree holds.
    static constexpr size_t kMaxKeys = 65536;

    // Counts one difference, in nanoseconds, rounded to the nearest second
    // (halves away from zero).
    void Add(int64_t deltaNanos);
    // Counts `later` − `earlier`, rounded the same way, whatever their distance.
    void Add(const fsys::Instant& later, const fsys::Instant& earlier);
    void Merge(const DeltaHistogram& other);

    // The most common differences in seconds, the largest count first (ties:
    // the smaller magnitude first, then the negative one).
    std::vector<std::pair<int64_t, uint64_t>> Top(size_t count) const;
    uint64_t total() const { return total_; }
    uint64_t others() const { return others_; }

    // What the differences larger than the default tolerance call for.
    // Differences within that tolerance of a more common one count with it.
    // A peak holds at least two of them and a tenth of them all; when the
    // peaks together hold more than half, their shifts (each signed when all
    // of its differences have one sign, the most common first). Otherwise,
    // when there are such differences, `any`: they have no common value, as
    // when copies' times were reset rather than shifted. Neither when there
    // are none.
    struct Suggestion {
        std::vector<Shift> shifts;
        bool any = false;
    };
    Suggestion Suggest() const;

private:
    void Count(int64_t seconds);
    std::map<int64_t, uint64_t> counts_;
    uint64_t total_ = 0;
    uint64_t others_ = 0;
};

}  // namespace engine
