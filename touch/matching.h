// The pure parts of a touch run: the shift as typed, the matching rule and
// the result lines.
#pragma once

#include <cstdint>

#include "toolkit/text.h"

// The shift typed by the user: its leading number rounded to the nearest
// 32-bit integer, halves to even; no number gives 0.
int32_t ShiftFromText(const Text& text);

// The shift reduced within its unit: remainder of 24 for hours ("h"), of 60
// for minutes ("n") and seconds ("s"), with the sign of the shift.
int32_t ReduceShift(int32_t shift, const Text& unit);

// The low 32 bits of a unit difference, as a signed integer.
int32_t Low32(int64_t value);

// A copy is to be touched when it has exactly the original's size, another
// last-write instant, and the whole units from the original's instant to the
// copy's (floored) have the shift as absolute value. Instants are whole
// seconds since 1970-01-01 UTC: a copy made across a change of the local
// offset is off by the shift there, while its local date and time may be off
// by the shift plus or minus the change. `difference` receives the signed
// count (low 32 bits) whenever the sizes match and the instants differ.
bool IsShiftedCopy(int64_t originalSeconds, int64_t originalSize, int64_t copySeconds,
                   int64_t copySize, const Text& unit, int32_t shift, int32_t& difference);

// Result lines: "<copy>  =->  <difference><unit>" after a touch,
// "ERR -> <copy>  =  <difference>" when the touch failed.
Text TouchedLine(const Text& copyPath, int32_t difference, const Text& unit);
Text FailedLine(const Text& copyPath, int32_t difference);
