// Date serials (days since 1899-12-30, time of day as the fraction), the unit
// difference between two serials, calendar fields and number conversions.
#pragma once

#include <cstdint>

#include "toolkit/text.h"

// Serial of a valid Gregorian date and time.
double SerialFromParts(int year, int month, int day, int hour, int minute, int second);

// Day number of a valid Gregorian date: days from 1899-12-30, which is day 0.
int64_t DayNumber(int year, int month, int day);

// Whole units ("h", "n" or "s") from first to second: the floor of the signed
// difference in that unit, counted after adding 1e-9 day.
int64_t UnitsBetween(const Text& unit, double first, double second);

// Whole units ("h", "n" or "s") from the instant `first` to the instant
// `second`, both whole seconds on one clock (seconds since 1970-01-01 UTC):
// the floor of the signed difference in that unit, as UnitsBetween counts it
// between the serials of the two instants read on that clock.
int64_t UnitsBetweenInstants(const Text& unit, int64_t first, int64_t second);

// One calendar field of a serial, zero-padded: "yyyy", "mm" (month), "dd",
// "hh", "nn" (minute) or "ss".
Text SerialField(double serial, const Text& code);

// Reads a number at the start of text: leading blanks skipped; "&H", "&O",
// "&B" and "&" prefixes for hexadecimal, octal, binary and octal integers;
// otherwise a decimal number in which "d" stands for the exponent "e".
// Reading stops at the first character that does not fit; no number gives 0.
double ParseNumber(const Text& text);

// Rounds to the nearest 32-bit signed integer, halves to even; values beyond
// the range, and not-a-number, give INT32_MIN.
int32_t RoundToInt32(double value);

// Decimal text of n: no leading zeros, "-" for negatives, nothing for positives.
Text IntegerText(int32_t n);
