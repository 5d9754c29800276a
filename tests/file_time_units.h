// Windows file times (100 ns ticks since 1601-01-01 UTC) and Unix seconds.
#pragma once

#include <cstdint>

const uint64_t kTicksPerSecond = 10000000;
// Seconds from 1601-01-01 to 1970-01-01.
const int64_t kSecondsFrom1601To1970 = 11644473600LL;

inline int64_t UnixSecondsOfTicks(uint64_t ticks)
{
    return static_cast<int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
}

inline uint64_t TicksOfUnixSeconds(int64_t seconds)
{
    return static_cast<uint64_t>(seconds + kSecondsFrom1601To1970) * kTicksPerSecond;
}
