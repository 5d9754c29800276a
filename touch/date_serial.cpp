#include "touch/date_serial.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// 1e-9 day (86.4 microseconds), added before a fraction of a day is taken
// apart so that a time of exactly N units that subtraction left a hair below
// N still counts as N.
const double kDayNudge = 1e-9;

const int64_t kDaysFrom1970To1899 = 25569;

// Rounds to a double. On a 387 floating-point unit intermediate results are
// kept with extended precision; storing through a volatile forces the
// rounding, so every step gives the same value as with plain doubles.
double Stored(double value)
{
    volatile double stored = value;
    return stored;
}

// Days from 1970-01-01 of a Gregorian date (the proleptic calendar, any year).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    int64_t year;
    int month;
    int day;
};

// The Gregorian date of a count of days from 1970-01-01.
CivilDate CivilFromDays(int64_t days)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2), month, day};
}

struct ClockTime {
    double hour;
    double minute;
    double second;
};

// Hour, minute and second of a fraction of a day in [0, 1), each cut toward
// zero, after adding 1e-9 day.
ClockTime DecodeFraction(double fraction)
{
    const double x = Stored(Stored(fraction + kDayNudge) * 24);
    const double hour = std::trunc(x);
    const double y = Stored(Stored(x - hour) * 60);
    const double minute = std::trunc(y);
    const double second = std::trunc(Stored(Stored(y - minute) * 60));
    return {hour, minute, second};
}

Text Padded(int64_t value, int width)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
    return buffer;
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

// Digits of the base from the start of text, up to the first that is not one.
double ParseInBase(const char* text, int base)
{
    double value = 0;
    for (; DigitValue(*text) < base; ++text)
        value = value * base + DigitValue(*text);
    return value;
}

// Bound of the exponent read by DecimalOverflows, far above the count of
// digits of any text, so that magnitude and exponent always compare right.
const int64_t kExponentBound = 1000000000000000;

// For a decimal number too large or too small for a double: true when it is
// too large. Its decimal magnitude is the count of integer digits after the
// leading zeros (or minus the count of leading zeros of the fraction) plus
// its exponent.
bool DecimalOverflows(const char* first, const char* last)
{
    int64_t magnitude = 0;
    bool significant = false;
    bool inFraction = false;
    const char* p = first;
    for (; p < last && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            inFraction = true;
            continue;
        }
        significant = significant || *p != '0';
        if (!inFraction && significant)
            ++magnitude;
        if (inFraction && !significant)
            --magnitude;
    }
    if (p == last)
        return magnitude > 0;
    ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    int64_t exponent = 0;
    for (; p < last && exponent < kExponentBound; ++p)
        exponent = exponent * 10 + (*p - '0');
    return magnitude + (negative ? -exponent : exponent) > 0;
}

// A decimal number at the start of text ("d" already turned into "e").
// Infinity and not-a-number words are no number here, as for the Windows
// runtime's decimal conversion, and "0x" reads as its leading 0.
double ParseDecimal(const Text& text)
{
    const char* first = text.c_str();
    const char* last = first + text.size();
    bool negative = false;
    if (first < last && (*first == '-' || *first == '+')) {
        negative = *first == '-';
        ++first;
    }
    if (first == last || (DigitValue(*first) > 9 && *first != '.'))
        return 0;
    double value = 0;
    const std::from_chars_result read = std::from_chars(first, last, value);
    if (read.ec == std::errc::invalid_argument)
        return 0;
    if (read.ec == std::errc::result_out_of_range)
        value = DecimalOverflows(first, read.ptr) ? HUGE_VAL : 0.0;
    return negative ? -value : value;
}

}  // namespace

int64_t DayNumber(int year, int month, int day)
{
    return DaysFromCivil(year, month, day) + kDaysFrom1970To1899;
}

double SerialFromParts(int year, int month, int day, int hour, int minute, int second)
{
    const long double time = static_cast<long double>(hour) / 24 +
                             static_cast<long double>(minute) / 1440 +
                             static_cast<long double>(second) / 86400;
    return static_cast<double>(static_cast<long double>(DayNumber(year, month, day)) + time);
}

int64_t UnitsBetween(const Text& unit, double first, double second)
{
    const double diff = Stored(second - first);
    const double whole = std::floor(diff);
    double frac = Stored(diff - std::trunc(diff));
    if (frac < 0)
        frac = Stored(frac + 1);
    const ClockTime clock = DecodeFraction(frac);
    const double hours = Stored(Stored(whole * 24) + clock.hour);
    if (unit == "h")
        return static_cast<int64_t>(hours);
    const double minutes = Stored(Stored(hours * 60) + clock.minute);
    if (unit == "n")
        return static_cast<int64_t>(minutes);
    return static_cast<int64_t>(Stored(Stored(minutes * 60) + clock.second));
}

int64_t UnitsBetweenInstants(const Text& unit, int64_t first, int64_t second)
{
    const int64_t seconds = second - first;
    const int64_t unitSeconds = unit == "h" ? 3600 : unit == "n" ? 60 : 1;
    // Division truncates toward zero; the floor is one less for a negative
    // difference that is not a whole number of units.
    const int64_t units = seconds / unitSeconds;
    return units * unitSeconds > seconds ? units - 1 : units;
}

Text SerialField(double serial, const Text& code)
{
    int64_t days = static_cast<int64_t>(std::floor(serial));
    // The fraction counts from the day's start also for a serial below 0, so
    // that the time belongs to the date taken from floor(serial).
    double fraction = Stored(serial - std::trunc(serial));
    if (fraction < 0)
        fraction = Stored(fraction + 1);
    ClockTime clock = DecodeFraction(fraction);
    // A fraction within 1e-9 of a whole day is the next day's midnight.
    if (clock.hour >= 24) {
        clock = {0, 0, 0};
        ++days;
    }
    const CivilDate date = CivilFromDays(days - kDaysFrom1970To1899);
    if (code == "yyyy")
        return Padded(date.year, 4);
    if (code == "mm")
        return Padded(date.month, 2);
    if (code == "dd")
        return Padded(date.day, 2);
    if (code == "hh")
        return Padded(static_cast<int64_t>(clock.hour), 2);
    if (code == "nn")
        return Padded(static_cast<int64_t>(clock.minute), 2);
    if (code == "ss")
        return Padded(static_cast<int64_t>(clock.second), 2);
    return Text();
}

double ParseNumber(const Text& text)
{
    const size_t start = text.find_first_not_of(' ');
    if (start == Text::npos)
        return 0;
    Text rest = text.substr(start);
    if (rest.size() > 1 && rest[0] == '&') {
        switch (rest[1]) {
        case 'H': case 'h': return ParseInBase(rest.c_str() + 2, 16);
        case 'O': case 'o': return ParseInBase(rest.c_str() + 2, 8);
        case 'B': case 'b': return ParseInBase(rest.c_str() + 2, 2);
        default: return ParseInBase(rest.c_str() + 1, 8);
        }
    }
    for (char& c : rest) {
        if (c == 'd')
            c = 'e';
        else if (c == 'D')
            c = 'E';
    }
    return ParseDecimal(rest);
}

int32_t RoundToInt32(double value)
{
    double rounded = std::floor(value);
    const double excess = value - rounded;
    if (excess > 0.5 || (excess == 0.5 && std::fmod(rounded, 2) != 0))
        rounded += 1;
    if (!(rounded >= INT32_MIN && rounded <= INT32_MAX))
        return INT32_MIN;
    return static_cast<int32_t>(rounded);
}

Text IntegerText(int32_t n)
{
    return std::to_string(n);
}
