#include "cli/shown_time.h"

#include <ctime>

#include <fmt/core.h>

namespace cli {

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and
// back (the algorithms of H. Hinnant's "chrono-compatible date algorithms").
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

struct Fields {
    int64_t year;
    unsigned month, day, hour, minute, second;
};

Fields UtcFields(int64_t seconds)
{
    int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    Fields fields;
    fields.day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    fields.month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    fields.year = static_cast<int64_t>(yearOfEra) + era * 400 + (fields.month <= 2);
    fields.hour = static_cast<unsigned>(rest / 3600);
    fields.minute = static_cast<unsigned>(rest / 60 % 60);
    fields.second = static_cast<unsigned>(rest % 60);
    return fields;
}

bool LocalFields(int64_t seconds, Fields& fields, int64_t& offset)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    if (static_cast<int64_t>(time) != seconds)
        return false;
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &time) != 0)
        return false;
#else
    if (!localtime_r(&time, &local))
        return false;
#endif
    fields.year = int64_t{local.tm_year} + 1900;
    fields.month = static_cast<unsigned>(local.tm_mon + 1);
    fields.day = static_cast<unsigned>(local.tm_mday);
    fields.hour = static_cast<unsigned>(local.tm_hour);
    fields.minute = static_cast<unsigned>(local.tm_min);
    fields.second = static_cast<unsigned>(local.tm_sec);
    offset = DaysFromCivil(fields.year, fields.month, fields.day) * 86400 + fields.hour * 3600 +
             fields.minute * 60 + fields.second - seconds;
    return true;
}

}  // namespace

std::string ShownTime(const fsys::Instant& instant, bool utc, int fractionDigits)
{
    Fields fields;
    int64_t offset = 0;
    const bool local = !utc && LocalFields(instant.seconds, fields, offset);
    if (!local)
        fields = UtcFields(instant.seconds);
    std::string text = fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", fields.year, fields.month, fields.day,
                                   fields.hour, fields.minute, fields.second);
    if (fractionDigits > 0) {
        int64_t fraction = instant.nanos;
        for (int digits = 9; digits > fractionDigits; --digits)
            fraction /= 10;
        text += fmt::format(".{:0{}}", fraction, fractionDigits);
    }
    if (!local)
        return text + "Z";
    const int64_t minutes = (offset < 0 ? -offset : offset) / 60;
    return text + fmt::format("{}{:02}:{:02}", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

int FractionDigits(const fsys::Instant& a, const fsys::Instant& b)
{
    if (a.nanos == b.nanos)
        return 0;
    for (int digits = 3, unit = 1000000; digits < 9; digits += 3, unit /= 1000)
        if (a.nanos % unit == 0 && b.nanos % unit == 0)
            return digits;
    return 9;
}

}  // namespace cli
