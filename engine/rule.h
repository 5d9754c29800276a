// The matching rule: which pairs of an original and its copy are to be repaired.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/duration.h"
#include "fsys/fsys.h"

namespace engine {

constexpr int64_t kDefaultToleranceNanos = 2000000000;  // FAT keeps write times to 2 s

struct Rule {
    std::vector<Shift> shifts;
    int64_t toleranceNanos = kDefaultToleranceNanos;
    // Any difference beyond the tolerance matches (times reset rather than
    // shifted): only with proof by content (Job::verify).
    bool any = false;
};

// False and a message when the rule has no shift, a zero shift, or a
// tolerance as large as a shift (it would match copies that never moved).
// A rule of any difference needs no shift.
bool CheckRule(const Rule& rule, std::string& error);

// With delta = copy's modification instant − original's: true when delta is
// not zero and lies within the tolerance of some allowed signed shift (with
// `any`: beyond the tolerance of zero).
bool MatchesDelta(const Rule& rule, int64_t delta);

enum class PairClass { OtherSize, EqualTimes, Match, OtherDifference };

PairClass Classify(const Rule& rule, const fsys::Facts& original, const fsys::Facts& copy,
                   int64_t& delta);

}  // namespace engine
