#include "engine/rule.h"

#include "engine/instant.h"

namespace engine {

bool CheckRule(const Rule& rule, std::string& error)
{
    if (rule.shifts.empty() && !rule.any) {
        error = "fix needs at least one --shift SHIFT (" + std::string(kShiftForms) + ")";
        return false;
    }
    if (rule.toleranceNanos < 0) {
        error = "the tolerance cannot be negative";
        return false;
    }
    for (const Shift& shift : rule.shifts) {
        if (shift.nanos == 0) {
            error = "a shift of " + FormatShift(shift) +
                    " would repair nothing: give the drift to undo, for example --shift 1h";
            return false;
        }
        if (rule.toleranceNanos >= shift.nanos) {
            error = "the tolerance " + FormatDuration(rule.toleranceNanos) +
                    " is as large as the shift " + FormatShift(shift) +
                    ": it would match copies that never moved; use a smaller --tolerance";
            return false;
        }
    }
    return true;
}

namespace {

// |delta − shift| ≤ tolerance (not negative), in checked arithmetic: a
// difference beyond the range of int64_t is beyond any tolerance.
bool Within(int64_t delta, int64_t shift, int64_t tolerance)
{
    int64_t off;
    if (__builtin_sub_overflow(delta, shift, &off))
        return false;
    return off >= -tolerance && off <= tolerance;
}

}  // namespace

bool MatchesDelta(const Rule& rule, int64_t delta)
{
    if (delta == 0)
        return false;
    if (rule.any)
        return !Within(delta, 0, rule.toleranceNanos);
    for (const Shift& shift : rule.shifts) {
        const bool later = shift.sign != ShiftSign::Earlier;
        const bool earlier = shift.sign != ShiftSign::Later;
        if ((later && Within(delta, shift.nanos, rule.toleranceNanos)) ||
            (earlier && Within(delta, -shift.nanos, rule.toleranceNanos)))
            return true;
    }
    return false;
}

PairClass Classify(const Rule& rule, const fsys::Facts& original, const fsys::Facts& copy,
                   int64_t& delta)
{
    delta = Difference(copy.modified, original.modified);
    if (original.size != copy.size)
        return PairClass::OtherSize;
    if (delta == 0)
        return PairClass::EqualTimes;
    return MatchesDelta(rule, delta) ? PairClass::Match : PairClass::OtherDifference;
}

}  // namespace engine
