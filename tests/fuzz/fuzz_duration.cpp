// The DURATION and SHIFT grammar of kelvora-cli. Input: the text to read;
// its first eight bytes are also taken as a count of nanoseconds to print.
// Reading is checked against a reference that matches the grammar by hand
// and sums in 128 bits; whatever is read, printed and read again gives the
// same value, and any whole number of seconds up to the largest duration
// printed reads back as itself.
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/duration.h"
#include "fuzz_check.h"

namespace {

const int64_t kSecond = 1000000000;

// A DURATION at text[from..]: ([0-9]+h)?([0-9]+m)?([0-9]+s)?, not empty, at
// most the largest duration.
bool ReferenceDuration(const std::string& text, size_t from, int64_t& nanos)
{
    const char units[] = {'h', 'm', 's'};
    const __int128 unitNanos[] = {3600 * __int128{kSecond}, 60 * __int128{kSecond}, kSecond};
    const __int128 cap = __int128{engine::kMaxDurationNanos} + 1;
    __int128 total = 0;
    size_t i = from;
    int next = 0;  // the first unit still allowed
    bool any = false;
    while (i < text.size()) {
        const size_t digits = i;
        __int128 count = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            count = count * 10 + (text[i] - '0');
            if (count > cap)
                count = cap;
        }
        if (i == digits || i == text.size())
            return false;
        int unit = next;
        while (unit < 3 && units[unit] != text[i])
            ++unit;
        if (unit == 3)
            return false;
        ++i;
        next = unit + 1;
        total += count * unitNanos[unit];
        if (total > cap)
            total = cap;
        any = true;
    }
    if (!any || total > engine::kMaxDurationNanos)
        return false;
    nanos = static_cast<int64_t>(total);
    return true;
}

void CheckDuration(const std::string& text)
{
    int64_t nanos = -1;
    std::string error;
    const bool read = engine::ParseDuration(text, nanos, error);
    int64_t expected = -1;
    const bool accepted = ReferenceDuration(text, 0, expected);
    const std::string detail = "read " + std::to_string(read) + " " + std::to_string(nanos) +
                               ", reference " + std::to_string(accepted) + " " +
                               std::to_string(expected);
    FUZZ_CHECK(read == accepted, text, detail);
    if (!read) {
        // The message names the text and the accepted forms.
        FUZZ_CHECK(error.find("\"" + text + "\"") != std::string::npos &&
                       error.find(engine::kDurationForms) != std::string::npos,
                   text, error);
        return;
    }
    FUZZ_CHECK(nanos == expected, text, detail);

    const std::string printed = engine::FormatDuration(nanos);
    int64_t again = -1;
    FUZZ_CHECK(engine::ParseDuration(printed, again, error) && again == nanos, text,
               "printed \"" + printed + "\" read " + std::to_string(again));
}

void CheckShift(const std::string& text)
{
    engine::Shift shift;
    std::string error;
    const bool read = engine::ParseShift(text, shift, error);
    const bool signed_ = !text.empty() && (text[0] == '+' || text[0] == '-');
    int64_t expected = -1;
    const bool accepted = ReferenceDuration(text, signed_ ? 1 : 0, expected);
    FUZZ_CHECK(read == accepted, text, "shift read " + std::to_string(read));
    if (!read)
        return;
    const engine::ShiftSign sign = !signed_          ? engine::ShiftSign::Either
                                   : text[0] == '+' ? engine::ShiftSign::Later
                                                    : engine::ShiftSign::Earlier;
    FUZZ_CHECK(shift.nanos == expected && shift.sign == sign, text, "");

    const std::string printed = engine::FormatShift(shift);
    engine::Shift again;
    FUZZ_CHECK(engine::ParseShift(printed, again, error) && again.nanos == shift.nanos &&
                   again.sign == shift.sign,
               text, "printed \"" + printed + "\"");
}

// Any whole number of seconds within range, printed, reads back as itself.
void CheckPrinted(uint64_t bits, const std::string& text)
{
    const int64_t seconds = static_cast<int64_t>(bits % (engine::kMaxDurationNanos / kSecond + 1));
    const int64_t nanos = seconds * kSecond;
    const std::string printed = engine::FormatDuration(nanos);
    int64_t again = -1;
    std::string error;
    FUZZ_CHECK(engine::ParseDuration(printed, again, error) && again == nanos, text,
               "printed " + std::to_string(nanos) + " as \"" + printed + "\"");
    FUZZ_CHECK(engine::FormatDuration(-nanos) == (nanos == 0 ? printed : "-" + printed), text,
               printed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckDuration(text);
    CheckShift(text);
    uint64_t bits = 0;
    std::memcpy(&bits, data, size < sizeof bits ? size : sizeof bits);
    CheckPrinted(bits, text);
    // Any count at all, negative or with a fraction of a second, prints;
    // a fraction is for reports and is no DURATION, so it is refused.
    int64_t any;
    std::memcpy(&any, &bits, sizeof any);
    const std::string printed = engine::FormatDuration(any);
    int64_t back = -1;
    std::string error;
    const bool whole = any >= 0 && any <= engine::kMaxDurationNanos && any % kSecond == 0;
    FUZZ_CHECK(engine::ParseDuration(printed, back, error) == whole && (!whole || back == any),
               text, "printed " + std::to_string(any) + " as \"" + printed + "\"");
    return 0;
}
