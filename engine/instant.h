// Arithmetic and text of instants.
#pragma once

#include <cstdint>
#include <string>

#include "fsys/fsys.h"

namespace engine {

// later − earlier in nanoseconds, held to the range of int64_t.
int64_t Difference(const fsys::Instant& later, const fsys::Instant& earlier);

// ISO 8601 in UTC with nanoseconds: "2010-01-01T00:00:00.000000000Z".
std::string IsoUtc(const fsys::Instant& instant);
// The same, appended to `out`.
void AppendIsoUtc(std::string& out, const fsys::Instant& instant);
// The same, written to `text`, which has room for kIsoUtcRoom characters;
// returns how many were written.
constexpr size_t kIsoUtcRoom = 48;
size_t FormatIsoUtc(const fsys::Instant& instant, char* text);

}  // namespace engine

namespace engine {

// Reads the form IsoUtc writes, and only that form (any other spelling of
// the same instant is refused, so that a text reads back to one instant).
bool ParseIsoUtc(const std::string& text, fsys::Instant& instant);

}  // namespace engine

namespace engine {

// An instant as whole seconds since 1970 (signed) and, when not 0, a dot and
// nine digits of nanoseconds to add: "1500000000.987654321", "-5.000000001"
// (−5 s and 1 ns). Every instant of the whole range has exactly one such
// text, which ParseSeconds alone reads back.
constexpr size_t kSecondsRoom = 32;
size_t FormatSeconds(const fsys::Instant& instant, char* text);
bool ParseSeconds(const char* text, size_t length, fsys::Instant& instant);

}  // namespace engine
