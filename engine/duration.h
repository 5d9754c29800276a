// Durations and shifts as typed on the command line, and their printed form.
//   DURATION  one or more <whole number><unit>, units h, m, s in that order,
//             each at most once: 1h, 90m, 1h30m, 3600s, 2s, 0s
//   SHIFT     a DURATION with an optional sign: none, the copy may be later or
//             earlier by that much; "+", only later; "-", only earlier
// Values are counts of nanoseconds.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

// The largest duration accepted: a million hours.
constexpr int64_t kMaxDurationNanos = int64_t{1000000} * 3600 * 1000000000;

enum class ShiftSign { Either, Later, Earlier };

struct Shift {
    int64_t nanos = 0;  // magnitude, never negative
    ShiftSign sign = ShiftSign::Either;
};

// True and the value when `text` is a DURATION; false and a message naming the
// text and the accepted forms otherwise.
bool ParseDuration(const std::string& text, int64_t& nanos, std::string& error);
bool ParseShift(const std::string& text, Shift& shift, std::string& error);

// The accepted forms, for messages and help.
extern const char* const kDurationForms;
extern const char* const kShiftForms;

// Printed as typed: the largest units first, zero parts left out ("1h30m",
// "2s", "0s"); a fraction of a second follows the seconds ("1.5s"). Negative
// durations start with "-".
std::string FormatDuration(int64_t nanos);
// The same for a whole number of seconds, any of them (centuries included).
std::string FormatSeconds(int64_t seconds);
// "+1h", "-1h" or "1h".
std::string FormatShift(const Shift& shift);

}  // namespace engine
