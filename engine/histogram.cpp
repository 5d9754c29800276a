#include "engine/histogram.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "engine/rule.h"

namespace engine {

namespace {

constexpr int64_t kSecond = 1000000000;

int64_t RoundedSeconds(int64_t nanos)
{
    const int64_t whole = nanos / kSecond;
    const int64_t rest = nanos % kSecond;
    if (rest >= kSecond / 2)
        return whole + 1;
    if (rest <= -kSecond / 2)
        return whole - 1;
    return whole;
}

uint64_t Magnitude(int64_t seconds)
{
    return seconds < 0 ? 0 - static_cast<uint64_t>(seconds) : static_cast<uint64_t>(seconds);
}

}  // namespace

void DeltaHistogram::Add(int64_t deltaNanos)
{
    Count(RoundedSeconds(deltaNanos));
}

void DeltaHistogram::Add(const fsys::Instant& later, const fsys::Instant& earlier)
{
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    int64_t seconds;
    if (__builtin_sub_overflow(later.seconds, earlier.seconds, &seconds)) {
        Count(later.seconds > earlier.seconds ? kMax : kMin);
        return;
    }
    // The fraction given the sign of the seconds, then rounded, halves away
    // from zero; at the ends of the range the count stays there.
    int64_t fraction = int64_t{later.nanos} - earlier.nanos;
    if (seconds < 0 && fraction > 0) {
        ++seconds;
        fraction -= kSecond;
    } else if (seconds > 0 && fraction < 0) {
        --seconds;
        fraction += kSecond;
    }
    if (fraction >= kSecond / 2 && seconds < kMax)
        ++seconds;
    else if (fraction <= -kSecond / 2 && seconds > kMin)
        --seconds;
    Count(seconds);
}

void DeltaHistogram::Count(int64_t key)
{
    ++total_;
    auto it = counts_.find(key);
    if (it != counts_.end())
        ++it->second;
    else if (counts_.size() < kMaxKeys)
        counts_.emplace(key, 1);
    else
        ++others_;
}

void DeltaHistogram::Merge(const DeltaHistogram& other)
{
    total_ += other.total_;
    others_ += other.others_;
    for (const auto& [key, count] : other.counts_) {
        auto it = counts_.find(key);
        if (it != counts_.end())
            it->second += count;
        else if (counts_.size() < kMaxKeys)
            counts_.emplace(key, count);
        else
            others_ += count;
    }
}

std::vector<std::pair<int64_t, uint64_t>> DeltaHistogram::Top(size_t count) const
{
    std::vector<std::pair<int64_t, uint64_t>> top(counts_.begin(), counts_.end());
    std::sort(top.begin(), top.end(), [](const auto& a, const auto& b) {
        if (a.second != b.second)
            return a.second > b.second;
        if (Magnitude(a.first) != Magnitude(b.first))
            return Magnitude(a.first) < Magnitude(b.first);
        return a.first < b.first;
    });
    if (top.size() > count)
        top.resize(count);
    return top;
}

DeltaHistogram::Suggestion DeltaHistogram::Suggest() const
{
    struct Peak {
        uint64_t magnitude;
        uint64_t later = 0, earlier = 0;
        uint64_t count() const { return later + earlier; }
    };
    std::map<uint64_t, Peak> byMagnitude;
    uint64_t nonZero = others_;
    // Differences within the default tolerance are the rounding of coarse
    // file systems, not a drift: a fix would refuse them as shifts.
    const uint64_t least = static_cast<uint64_t>(kDefaultToleranceNanos / kSecond);
    for (const auto& [key, count] : counts_) {
        if (Magnitude(key) <= least)
            continue;
        nonZero += count;
        Peak& peak = byMagnitude.emplace(Magnitude(key), Peak{Magnitude(key)}).first->second;
        (key > 0 ? peak.later : peak.earlier) += count;
    }
    Suggestion suggestion;
    if (nonZero == 0)
        return suggestion;
    // The most common first (ties: the smaller); each takes in the
    // differences within the tolerance of it that no more common one took.
    std::vector<Peak> order;
    for (const auto& entry : byMagnitude)
        order.push_back(entry.second);
    std::stable_sort(order.begin(), order.end(),
                     [](const Peak& a, const Peak& b) { return a.count() > b.count(); });
    std::vector<Peak> peaks;
    std::map<uint64_t, bool> taken;
    for (const Peak& candidate : order) {
        if (taken[candidate.magnitude])
            continue;
        Peak peak = candidate;
        taken[peak.magnitude] = true;
        const uint64_t from = peak.magnitude > least ? peak.magnitude - least : 0;
        for (auto it = byMagnitude.lower_bound(from); it != byMagnitude.end() && it->first <= peak.magnitude + least;
             ++it) {
            if (taken[it->first])
                continue;
            taken[it->first] = true;
            peak.later += it->second.later;
            peak.earlier += it->second.earlier;
        }
        peaks.push_back(peak);
    }
    std::stable_sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.count() > b.count(); });
    uint64_t held = 0;
    for (const Peak& peak : peaks) {
        if (peak.count() < 2 || peak.count() * 10 < nonZero)
            break;
        if (peak.magnitude > static_cast<uint64_t>(kMaxDurationNanos / kSecond))
            continue;
        Shift shift;
        shift.nanos = static_cast<int64_t>(peak.magnitude) * kSecond;
        shift.sign = peak.earlier == 0 ? ShiftSign::Later : peak.later == 0 ? ShiftSign::Earlier : ShiftSign::Either;
        suggestion.shifts.push_back(shift);
        held += peak.count();
    }
    if (held * 2 <= nonZero) {
        suggestion.shifts.clear();
        suggestion.any = true;
    }
    return suggestion;
}

}  // namespace engine
