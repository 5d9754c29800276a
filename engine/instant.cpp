#include "engine/instant.h"

#include <algorithm>
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

size_t FormatIsoUtc(const fsys::Instant& instant, char* text)
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
    if (year < 0 || year > 9999) {
        const int written = std::snprintf(text, kIsoUtcRoom, "%04" PRId64 "-%02" PRId64 "-%02" PRId64 "T%02" PRId64
                                          ":%02" PRId64 ":%02" PRId64 ".%09" PRId32 "Z",
                                          year, month, day, second / 3600, second / 60 % 60, second % 60,
                                          instant.nanos);
        return written < 0 ? 0 : std::min<size_t>(static_cast<size_t>(written), kIsoUtcRoom - 1);
    }
    // Four-digit years, by far the most common, without the cost of a format
    // string (a journal writes two of these for every change), two digits at
    // a time.
    static const char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    const auto put = [&text](size_t end, uint32_t value, int digits) {
        for (; digits >= 2; digits -= 2, end -= 2, value /= 100) {
            text[end - 1] = kPairs[value % 100 * 2];
            text[end] = kPairs[value % 100 * 2 + 1];
        }
        if (digits)
            text[end] = static_cast<char>('0' + value % 10);
    };
    put(3, static_cast<uint32_t>(year), 4);
    put(6, static_cast<uint32_t>(month), 2);
    put(9, static_cast<uint32_t>(day), 2);
    const uint32_t clock = static_cast<uint32_t>(second);
    put(12, clock / 3600, 2);
    put(15, clock / 60 % 60, 2);
    put(18, clock % 60, 2);
    put(28, static_cast<uint32_t>(instant.nanos), 9);
    text[4] = text[7] = '-';
    text[10] = 'T';
    text[13] = text[16] = ':';
    text[19] = '.';
    text[29] = 'Z';
    return 30;
}

void AppendIsoUtc(std::string& out, const fsys::Instant& instant)
{
    char text[kIsoUtcRoom];
    out.append(text, FormatIsoUtc(instant, text));
}

std::string IsoUtc(const fsys::Instant& instant)
{
    std::string text;
    AppendIsoUtc(text, instant);
    return text;
}

}  // namespace engine

namespace engine {

namespace {

bool Digits(const std::string& text, size_t from, size_t count, int64_t& value)
{
    if (from + count > text.size())
        return false;
    value = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
int64_t DaysOf(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

bool ParseIsoUtc(const std::string& text, fsys::Instant& instant)
{
    // The year: a sign and up to 12 digits, then "-MM-DDTHH:MM:SS.nnnnnnnnnZ".
    constexpr size_t kTail = 26;
    if (text.size() < kTail + 1 || text.size() > kTail + 13)
        return false;
    const size_t yearEnd = text.size() - kTail;  // index of the '-' after the year
    const bool negative = text[0] == '-';
    if (yearEnd <= static_cast<size_t>(negative))
        return false;
    int64_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, nanos = 0;
    if (!Digits(text, negative, yearEnd - negative, year) || text[yearEnd] != '-' ||
        !Digits(text, yearEnd + 1, 2, month) || text[yearEnd + 3] != '-' ||
        !Digits(text, yearEnd + 4, 2, day) || text[yearEnd + 6] != 'T' ||
        !Digits(text, yearEnd + 7, 2, hour) || text[yearEnd + 9] != ':' ||
        !Digits(text, yearEnd + 10, 2, minute) || text[yearEnd + 12] != ':' ||
        !Digits(text, yearEnd + 13, 2, second) || text[yearEnd + 15] != '.' ||
        !Digits(text, yearEnd + 16, 9, nanos) || text[yearEnd + 25] != 'Z')
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return false;
    if (negative)
        year = -year;
    const int64_t days = DaysOf(year, month, day);
    constexpr int64_t kDayLimit = std::numeric_limits<int64_t>::max() / 86400 - 1;
    if (days > kDayLimit || days < -kDayLimit)
        return false;
    const int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    fsys::Instant read{static_cast<int64_t>(seconds), static_cast<int32_t>(nanos)};
    if (IsoUtc(read) != text)  // 31 February, a year spelled with extra zeros, ...
        return false;
    instant = read;
    return true;
}

}  // namespace engine

namespace engine {

size_t FormatSeconds(const fsys::Instant& instant, char* text)
{
    char* at = text;
    uint64_t magnitude = static_cast<uint64_t>(instant.seconds);
    if (instant.seconds < 0) {
        *at++ = '-';
        magnitude = 0 - magnitude;
    }
    char digits[20];
    size_t n = sizeof digits;
    do {
        digits[--n] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    for (; n < sizeof digits; ++n)
        *at++ = digits[n];
    if (instant.nanos) {
        *at++ = '.';
        int32_t nanos = instant.nanos;
        for (int k = 8; k >= 0; --k) {
            at[k] = static_cast<char>('0' + nanos % 10);
            nanos /= 10;
        }
        at += 9;
    }
    return static_cast<size_t>(at - text);
}

bool ParseSeconds(const char* text, size_t length, fsys::Instant& instant)
{
    size_t i = 0;
    const bool negative = length > 0 && text[0] == '-';
    if (negative)
        ++i;
    const size_t first = i;
    uint64_t magnitude = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
        if (magnitude > (UINT64_MAX - digit) / 10)
            return false;
        magnitude = magnitude * 10 + digit;
    }
    const size_t count = i - first;
    // Digits, none leading with 0 but 0 itself, and no "-0".
    if (count == 0 || (count > 1 && text[first] == '0') || (negative && magnitude == 0))
        return false;
    const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    if (magnitude > limit)
        return false;
    int32_t nanos = 0;
    if (i < length) {
        if (text[i] != '.' || length - i != 10)
            return false;
        for (++i; i < length; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            nanos = nanos * 10 + (text[i] - '0');
        }
        if (nanos == 0)
            return false;
    }
    instant.seconds = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    instant.nanos = nanos;
    return true;
}

}  // namespace engine
