// Queries of one file by path: last-modification time, size, readability.
// Paths are ANSI text; the system is asked with their wide "\\?\" form, so
// that a path of any length is reached.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/text.h"

// Date serial of the file's last modification in local time (the daylight-
// saving rule of that date), whole seconds; 0 when the file cannot be queried
// or its time cannot be represented as a local date.
double FileModifiedSerial(const Text& path);

// Date serial, in local time, of a UTC time in seconds since 1970-01-01;
// 0 when the local-time conversion cannot represent it.
double LocalSerialFromUnixTime(int64_t seconds);

// Local date and time of a UTC time (seconds since 1970-01-01), as seconds
// from 1970-01-01 00:00:00 of the local calendar; false when the local-time
// conversion cannot represent it. The same conversion as the two above.
bool LocalSecondsFromUnixTime(int64_t seconds, int64_t& localSeconds);

// The inverse of LocalSecondsFromUnixTime: a UTC time whose local date and
// time is the given one, so that reading it back gives the same local time.
// A local time that occurs twice (when the clocks go back) gives the earlier
// instant; one that never occurs (when the clocks go forward) is taken with
// the offset in force before the change, and so reads back later by the
// daylight-saving difference. False when no nearby time can be converted.
bool UnixTimeFromLocalSeconds(int64_t localSeconds, int64_t& seconds);

// Size in bytes; 0 when the file cannot be opened or measured.
int64_t FileSizeBytes(const Text& path);

// True when the file can be opened for reading.
bool FileIsReadable(const Text& path);

// Whole seconds since 1970-01-01 UTC, rounded down, of a file time in ticks
// (100 ns since 1601-01-01 UTC).
int64_t UnixSecondsFromTicks(uint64_t ticks);

// The wide "\\?\" form of an ANSI path, as the system is asked with it.
std::wstring SystemPath(const Text& path);
