// Instants as people read them: local time with its offset from UTC, to the
// second ("2026-03-29 03:00:00+02:00"), or UTC ("2026-03-29 01:00:00Z").
// Machine-readable output keeps engine::IsoUtc (UTC, nanoseconds).
#pragma once

#include <string>

#include "fsys/fsys.h"

namespace cli {

// `fractionDigits` (0, 3, 6 or 9) digits of the second follow the seconds.
// A time the system cannot convert to local time is shown in UTC.
std::string ShownTime(const fsys::Instant& instant, bool utc, int fractionDigits = 0);

// The digits of a second that two instants shown side by side need so that
// their difference can be read from them: 0 when it is whole seconds, else
// the fewest of 3, 6 or 9 that show both exactly.
int FractionDigits(const fsys::Instant& a, const fsys::Instant& b);

}  // namespace cli
