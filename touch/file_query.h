// Queries of one file by path: last-modification time, size, readability.
#pragma once

#include <cstdint>

#include "toolkit/text.h"

// Date serial of the file's last modification in local time (the daylight-
// saving rule of that date), whole seconds; 0 when the file cannot be queried
// or its time cannot be represented as a local date.
double FileModifiedSerial(const Text& path);

// Date serial, in local time, of a UTC time in seconds since 1970-01-01;
// 0 when the local-time conversion cannot represent it.
double LocalSerialFromUnixTime(int64_t seconds);

// Size in bytes; 0 when the file cannot be opened or measured.
int64_t FileSizeBytes(const Text& path);

// True when the file can be opened for reading.
bool FileIsReadable(const Text& path);
