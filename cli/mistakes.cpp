#include "cli/mistakes.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "engine/duration.h"

namespace cli {

namespace {

// Edits from one word to the other: a letter left out, added or changed,
// or two neighbours swapped.
size_t Distance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

constexpr int64_t kSecond = 1000000000;

// The nanoseconds of one unit written as a word, or 0.
int64_t UnitNanos(const std::string& word)
{
    static const struct {
        const char* names[6];
        int64_t nanos;
    } units[] = {
        {{"d", "day", "days"}, 86400 * kSecond},
        {{"h", "hr", "hrs", "hour", "hours"}, 3600 * kSecond},
        {{"m", "min", "mins", "minute", "minutes"}, 60 * kSecond},
        {{"s", "sec", "secs", "second", "seconds"}, kSecond},
    };
    for (const auto& unit : units)
        for (const char* name : unit.names)
            if (name && word == name)
                return unit.nanos;
    return 0;
}

}  // namespace

std::string NearestWord(const std::string& typed, const std::vector<std::string>& words)
{
    std::string best;
    size_t bestDistance = 3;
    for (const std::string& word : words) {
        const size_t distance = Distance(Lower(typed), word);
        if (distance < bestDistance && distance * 3 <= std::max(word.size(), size_t{3})) {
            best = word;
            bestDistance = distance;
        }
    }
    return best;
}

std::string DurationHint(const std::string& text, bool shift)
{
    {
        std::string error;
        int64_t nanos;
        engine::Shift parsed;
        if (shift ? engine::ParseShift(text, parsed, error) : engine::ParseDuration(text, nanos, error))
            return "";
    }
    const std::string lower = Lower(text);
    size_t at = 0;
    const auto skipSpaces = [&] {
        while (at < lower.size() && std::isspace(static_cast<unsigned char>(lower[at])))
            ++at;
    };
    skipSpaces();
    std::string sign;
    if (at < lower.size() && (lower[at] == '+' || lower[at] == '-')) {
        if (shift)
            sign = lower.substr(at, 1);
        ++at;
    }
    // Numbers (with a decimal fraction, perhaps) each followed by a unit;
    // one number alone is seconds. Summed whatever their order.
    int64_t total = 0;
    int parts = 0;
    std::string asTyped;  // one whole number and its unit: kept as typed ("60m", not "1h")
    bool unitless = false;
    while (skipSpaces(), at < lower.size()) {
        if (unitless)
            return "";  // a number without its unit, and more after it
        int64_t whole = 0, fraction = 0, scale = 1;
        size_t digits = 0;
        for (; at < lower.size() && std::isdigit(static_cast<unsigned char>(lower[at])); ++at, ++digits) {
            whole = whole * 10 + (lower[at] - '0');
            if (whole > engine::kMaxDurationNanos / kSecond)
                return "";
        }
        if (at < lower.size() && (lower[at] == '.' || lower[at] == ',')) {
            for (++at; at < lower.size() && std::isdigit(static_cast<unsigned char>(lower[at])); ++at, ++digits) {
                if (scale >= kSecond)
                    return "";
                fraction = fraction * 10 + (lower[at] - '0');
                scale *= 10;
            }
        }
        if (digits == 0)
            return "";
        skipSpaces();
        const size_t from = at;
        while (at < lower.size() && std::isalpha(static_cast<unsigned char>(lower[at])))
            ++at;
        int64_t unit = kSecond;
        if (at == from)
            unitless = true;
        else if (!(unit = UnitNanos(lower.substr(from, at - from))))
            return "";
        if (whole > engine::kMaxDurationNanos / unit)
            return "";
        // The fraction of the unit, held to whole nanoseconds.
        const int64_t part = whole * unit + unit / scale * fraction;
        if (unit % scale != 0 || part > engine::kMaxDurationNanos - total)
            return "";
        total += part;
        ++parts;
        if (scale == 1 && unit != 86400 * kSecond)
            asTyped = std::to_string(whole) + (unit == 3600 * kSecond ? "h" : unit == 60 * kSecond ? "m" : "s");
    }
    if (parts == 0 || (unitless && parts > 1) || total % kSecond != 0)
        return "";
    const std::string hint = sign + (parts == 1 && !asTyped.empty() ? asTyped : engine::FormatDuration(total));
    std::string error;
    int64_t nanos;
    engine::Shift parsed;
    const bool valid = shift ? engine::ParseShift(hint, parsed, error) : engine::ParseDuration(hint, nanos, error);
    return valid && hint != text ? hint : "";
}

std::string DurationMistake(const std::string& option, const std::string& text, bool shift)
{
    const char* what = shift ? "SHIFT" : "DURATION";
    const std::string hint = DurationHint(text, shift);
    std::string message = option + " \"" + text + "\" is not a " + what;
    if (!hint.empty())
        return message + "; did you mean " + hint + "?";
    message += ": write it as 1h, 90m, 1h30m or 3600s";
    if (shift)
        message += " (+1h: copies only later, -1h: only earlier)";
    return message;
}

}  // namespace cli
