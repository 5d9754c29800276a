#include "engine/duration.h"

#include <cctype>

namespace engine {

const char* const kDurationForms =
    "one or more <whole number><unit> with unit h, m or s, in that order "
    "(1h, 90m, 1h30m, 3600s, 2s, 0s)";
const char* const kShiftForms =
    "a duration with an optional sign: 1h (later or earlier), +1h (only later), "
    "-1h (only earlier); a duration is one or more <whole number><unit> with unit "
    "h, m or s, in that order (1h, 90m, 1h30m, 3600s)";

namespace {

constexpr int64_t kSecond = 1000000000;

int UnitRank(char unit)
{
    switch (unit) {
    case 'h': return 0;
    case 'm': return 1;
    case 's': return 2;
    default: return -1;
    }
}

int64_t UnitNanos(int rank)
{
    static const int64_t nanos[] = {3600 * kSecond, 60 * kSecond, kSecond};
    return nanos[rank];
}

// Parses text[from..] as a duration; false on any fault.
bool ParseParts(const std::string& text, size_t from, int64_t& nanos)
{
    if (from >= text.size())
        return false;
    int64_t total = 0;
    int lastRank = -1;
    size_t i = from;
    while (i < text.size()) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        // Counted in whole units, bounded by the largest duration so that
        // nothing can overflow.
        int64_t count = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            count = count * 10 + (text[i] - '0');
            if (count > kMaxDurationNanos / kSecond)
                return false;
            ++i;
        }
        if (i == text.size())
            return false;  // a number without its unit
        const int rank = UnitRank(text[i]);
        if (rank <= lastRank)
            return false;  // unknown unit, repeated unit or out of order
        lastRank = rank;
        ++i;
        if (count > (kMaxDurationNanos - total) / UnitNanos(rank))
            return false;
        total += count * UnitNanos(rank);
    }
    nanos = total;
    return true;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

}  // namespace

bool ParseDuration(const std::string& text, int64_t& nanos, std::string& error)
{
    if (ParseParts(text, 0, nanos))
        return true;
    error = Quoted(text) + " is not a duration: expected " + kDurationForms +
            ", at most 1000000h";
    return false;
}

bool ParseShift(const std::string& text, Shift& shift, std::string& error)
{
    ShiftSign sign = ShiftSign::Either;
    size_t from = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        sign = text[0] == '+' ? ShiftSign::Later : ShiftSign::Earlier;
        from = 1;
    }
    int64_t nanos = 0;
    if (!ParseParts(text, from, nanos)) {
        error = Quoted(text) + " is not a shift: expected " + kShiftForms +
                ", at most 1000000h";
        return false;
    }
    shift.nanos = nanos;
    shift.sign = sign;
    return true;
}

namespace {

uint64_t Magnitude(int64_t value)
{
    return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

std::string Format(bool negative, uint64_t seconds, uint64_t fraction)
{
    std::string text = negative ? "-" : "";
    const uint64_t hours = seconds / 3600, minutes = seconds / 60 % 60, secs = seconds % 60;
    if (hours)
        text += std::to_string(hours) + "h";
    if (minutes)
        text += std::to_string(minutes) + "m";
    if (secs || fraction || (!hours && !minutes)) {
        text += std::to_string(secs);
        if (fraction) {
            std::string digits = std::to_string(fraction);
            digits.insert(0, 9 - digits.size(), '0');
            digits.erase(digits.find_last_not_of('0') + 1);
            text += "." + digits;
        }
        text += "s";
    }
    return text;
}

}  // namespace

std::string FormatDuration(int64_t nanos)
{
    const uint64_t rest = Magnitude(nanos);
    return Format(nanos < 0, rest / kSecond, rest % kSecond);
}

std::string FormatSeconds(int64_t seconds)
{
    return Format(seconds < 0, Magnitude(seconds), 0);
}

std::string FormatShift(const Shift& shift)
{
    const char* sign = shift.sign == ShiftSign::Later ? "+" : shift.sign == ShiftSign::Earlier ? "-" : "";
    return sign + FormatDuration(shift.nanos);
}

}  // namespace engine
