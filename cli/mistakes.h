// The nearest valid form of what was mistyped on the command line: a
// command or option name, a DURATION or a SHIFT.
#pragma once

#include <string>
#include <vector>

namespace cli {

// The word of `words` nearest to `typed` (a letter left out, added, changed
// or two swapped, twice at most, and never more than a third of the word),
// or "" when none is that near.
std::string NearestWord(const std::string& typed, const std::vector<std::string>& words);

// The DURATION (or with `shift`, the SHIFT) that `text` most likely meant:
// "1 h", "1H", "1hour" → "1h"; "60min" → "60m"; "3600" → "3600s";
// "1.5h" → "1h30m"; "1d" → "24h". "" when there is no such form, or when
// `text` is already valid.
std::string DurationHint(const std::string& text, bool shift);

// The message for a DURATION or SHIFT that is not one: short, with the
// hint when there is one. `option` is the option as typed ("--shift").
std::string DurationMistake(const std::string& option, const std::string& text, bool shift);

}  // namespace cli
