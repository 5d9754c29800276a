// Sets the last-write time of one file from local calendar fields.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "toolkit/text.h"

// Result codes of TouchFileTime.
enum TouchResult {
    TOUCH_CANNOT_OPEN = -1,
    TOUCH_NO_CREATION_TIME = -2,
    TOUCH_CANNOT_BREAK_DOWN = -3,
    TOUCH_INVALID_FIELDS = -4,
    TOUCH_REFUSED = 0,
    TOUCH_NOT_READABLE = -5,  // TouchReadableFile only: nothing was done
};

// Gives the file the local date and time of the fields as its last-write
// time; a field of -1 keeps the creation time's value. Returns above 0 on
// success, or one of the codes above. Only the last-write time changes.
int TouchFileTime(const Text& path, int year, int month, int day, int hour, int minute, int second);

// TouchFileTime for a file that can be opened for reading, as a plain
// read-only open would find it; TOUCH_NOT_READABLE, and nothing done, when it
// cannot. Otherwise the result and the effect are TouchFileTime's, for the
// cost of one open.
int TouchReadableFile(const Text& path, int year, int month, int day, int hour, int minute, int second);

// The opens of the two above, for a caller that keeps the handle:
// TouchFileTime's (attribute access, with its sharing), and TouchReadableFile's,
// which also reads and succeeds exactly when a plain read-only open and
// TouchFileTime's both would. INVALID_HANDLE_VALUE when refused.
HANDLE OpenForTouch(const std::wstring& path);
HANDLE OpenReadableForTouch(const std::wstring& path);

// Sets the last-write time of a file opened by one of the two above to the
// UTC instant `seconds` (since 1970-01-01), with the milliseconds of the
// file's creation time, as TouchFileTime does. Result codes of TouchFileTime.
int SetLastWriteInstant(HANDLE file, int64_t seconds);

// The same, for a caller that has just read the file's creation time on the
// handle (100 ns since 1601-01-01 UTC).
int SetLastWriteInstant(HANDLE file, int64_t seconds, uint64_t creationTicks);
