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

bool DeltaHistogram::Suggest(Shift& shift) const
{
    std::map<uint64_t, std::pair<uint64_t, uint64_t>> byMagnitude;  // later, earlier
    uint64_t nonZero = others_;
    // Differences within the default tolerance are the rounding of coarse
    // file systems, not a drift: a fix would refuse them as shifts.
    const uint64_t least = static_cast<uint64_t>(kDefaultToleranceNanos / kSecond);
    for (const auto& [key, count] : counts_) {
        if (Magnitude(key) <= least)
            continue;
        nonZero += count;
        auto& sides = byMagnitude[Magnitude(key)];
        (key > 0 ? sides.first : sides.second) += count;
    }
    uint64_t best = 0, bestCount = 0;
    for (const auto& [magnitude, sides] : byMagnitude) {
        if (sides.first + sides.second > bestCount) {
            best = magnitude;
            bestCount = sides.first + sides.second;
        }
    }
    if (bestCount == 0 || bestCount * 2 <= nonZero ||
        best > static_cast<uint64_t>(kMaxDurationNanos / kSecond))
        return false;
    const auto& sides = byMagnitude[best];
    shift.nanos = static_cast<int64_t>(best) * kSecond;
    shift.sign = sides.second == 0 ? ShiftSign::Later
               : sides.first == 0  ? ShiftSign::Earlier
                                   : ShiftSign::Either;
    return true;
}

}  // namespace engine
