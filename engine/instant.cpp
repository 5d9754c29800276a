#include "engine/instant.h"

#include <cinttypes>
#include <cstdio>
#include <limits>

namespace engine {

int64_t Difference(const fsys::Instant& later, const fsys::Instant& earlier)
{
    // Checked arithmetic rather than a 128-bit integer, which 32-bit targets lack.
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    int64_t seconds, nanos;
    if (__builtin_sub_overflow(later.seconds, earlier.seconds, &seconds))
        return later.seconds > earlier.seconds ? kMax : kMin;
    if (__builtin_mul_overflow(seconds, int64_t{1000000000}, &nanos) ||
        __builtin_add_overflow(nanos, int64_t{later.nanos} - earlier.nanos, &nanos))
        return seconds > 0 ? kMax : kMin;
    return nanos;
}

std::string IsoUtc(const fsys::Instant& instant)
{
    // Days and seconds of the day, floored, then the civil date of the day
    // count (proleptic Gregorian calendar, any year).
    int64_t days = instant.seconds / 86400;
    int64_t second = instant.seconds % 86400;
    if (second < 0) {
        second += 86400;
        --days;
    }
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2);
    char text[96];
    std::snprintf(text, sizeof text, "%04" PRId64 "-%02" PRId64 "-%02" PRId64 "T%02" PRId64
                  ":%02" PRId64 ":%02" PRId64 ".%09" PRId32 "Z",
                  year, month, day, second / 3600, second / 60 % 60, second % 60, instant.nanos);
    return text;
}

}  // namespace engine
