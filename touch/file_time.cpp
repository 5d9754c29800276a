#include "touch/file_time.h"

#include <windows.h>

#include <cstdint>

#include "touch/file_query.h"
#include "winfs/file_facts.h"

namespace {

const uint64_t kTicksPerSecond = 10000000;
const int64_t kSecondsFrom1601To1970 = 11644473600LL;

uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FileTimeFromTicks(uint64_t ticks)
{
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

// A field of -1 is kept; any other value goes into the 16-bit field as is.
void Replace(WORD& field, int value)
{
    if (value != -1)
        field = static_cast<WORD>(value);
}

// True when the file time gives back exactly the calendar fields it was
// built from. Some systems accept a 29 February in any year; read back, it
// turns into 1 March and is caught here.
bool SameFields(const FILETIME& time, const SYSTEMTIME& fields)
{
    SYSTEMTIME back;
    if (!FileTimeToSystemTime(&time, &back))
        return false;
    return back.wYear == fields.wYear && back.wMonth == fields.wMonth &&
           back.wDay == fields.wDay && back.wHour == fields.wHour &&
           back.wMinute == fields.wMinute && back.wSecond == fields.wSecond;
}

// Converts a local file time to UTC with the offset in force at that local
// date and time: the inverse of the conversion through which file times are
// read back as local times, so a file given the local time of another reads
// back equal to it whatever the season of the present moment. Fractions of a
// second are carried over unchanged. A local time that the runtime cannot
// convert (before 1970 or after the year 3000) falls back on the system's
// conversion with the present offset.
bool LocalToUtc(const FILETIME& local, FILETIME& utc)
{
    const uint64_t ticks = Ticks(local);
    const int64_t localSeconds = static_cast<int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
    int64_t seconds = 0;
    if (!UnixTimeFromLocalSeconds(localSeconds, seconds))
        return LocalFileTimeToFileTime(&local, &utc) != FALSE;
    if (seconds < -kSecondsFrom1601To1970)
        return false;
    const uint64_t whole = static_cast<uint64_t>(seconds + kSecondsFrom1601To1970);
    utc = FileTimeFromTicks(whole * kTicksPerSecond + ticks % kTicksPerSecond);
    return true;
}

// The file's creation time broken down into calendar fields; 1, or the
// result code when that time cannot be read or broken down.
int CreationFields(HANDLE file, SYSTEMTIME& fields)
{
    FILETIME creation;
    if (!GetFileTime(file, &creation, nullptr, nullptr))
        return TOUCH_NO_CREATION_TIME;
    if (!FileTimeToSystemTime(&creation, &fields))
        return TOUCH_CANNOT_BREAK_DOWN;
    return 1;
}

// The steps after the open; the caller closes the handle.
int SetLastWriteFromFields(HANDLE file, int year, int month, int day, int hour, int minute, int second)
{
    SYSTEMTIME fields;
    const int known = CreationFields(file, fields);
    if (known <= 0)
        return known;
    // Day of week and milliseconds stay those of the creation time.
    Replace(fields.wYear, year);
    Replace(fields.wMonth, month);
    Replace(fields.wDay, day);
    Replace(fields.wHour, hour);
    Replace(fields.wMinute, minute);
    Replace(fields.wSecond, second);
    FILETIME local;
    if (!SystemTimeToFileTime(&fields, &local) || !SameFields(local, fields))
        return TOUCH_INVALID_FIELDS;
    FILETIME utc;
    if (!LocalToUtc(local, utc))
        return TOUCH_REFUSED;
    if (!SetFileTime(file, nullptr, nullptr, &utc))
        return TOUCH_REFUSED;
    return 1;
}


}  // namespace

HANDLE OpenForTouch(const std::wstring& path)
{
    // Attribute access only, which no other program's sharing can refuse;
    // others may go on reading or deleting the file, not writing it.
    // OPEN_EXISTING never creates a file; backup semantics also let a folder
    // be opened.
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                       nullptr);
}

HANDLE OpenReadableForTouch(const std::wstring& path)
{
    // Reading access is granted exactly when a plain open for reading would
    // be (the same sharing with other handles); attribute access, which no
    // sharing refuses, whenever OpenForTouch's would be: one open answers both.
    return CreateFileW(path.c_str(), GENERIC_READ | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

int SetLastWriteInstant(HANDLE file, int64_t seconds)
{
    FILETIME creation;
    if (!GetFileTime(file, &creation, nullptr, nullptr))
        return TOUCH_NO_CREATION_TIME;
    return SetLastWriteInstant(file, seconds, Ticks(creation));
}

int SetLastWriteInstant(HANDLE file, int64_t seconds, uint64_t creationTicks)
{
    const FILETIME creation = FileTimeFromTicks(creationTicks);
    SYSTEMTIME fields;
    if (!FileTimeToSystemTime(&creation, &fields))
        return TOUCH_CANNOT_BREAK_DOWN;
    const uint64_t milliseconds = static_cast<uint64_t>(fields.wMilliseconds) * (kTicksPerSecond / 1000);
    if (seconds < -kSecondsFrom1601To1970)
        return TOUCH_REFUSED;
    const FILETIME time =
        FileTimeFromTicks(static_cast<uint64_t>(seconds + kSecondsFrom1601To1970) * kTicksPerSecond + milliseconds);
    return SetFileTime(file, nullptr, nullptr, &time) ? 1 : TOUCH_REFUSED;
}

int TouchReadableFile(const Text& path, int year, int month, int day, int hour, int minute, int second)
{
    const std::wstring systemPath = SystemPath(path);
    HANDLE file = OpenReadableForTouch(systemPath);
    if (file == INVALID_HANDLE_VALUE) {
        // Not both: ask each question on its own, as the caller would.
        if (!IsReadable(systemPath))
            return TOUCH_NOT_READABLE;
        return TouchFileTime(path, year, month, day, hour, minute, second);
    }
    const int result = SetLastWriteFromFields(file, year, month, day, hour, minute, second);
    CloseHandle(file);
    return result;
}

int TouchFileTime(const Text& path, int year, int month, int day, int hour, int minute, int second)
{
    HANDLE file = OpenForTouch(SystemPath(path));
    if (file == INVALID_HANDLE_VALUE)
        return TOUCH_CANNOT_OPEN;
    const int result = SetLastWriteFromFields(file, year, month, day, hour, minute, second);
    CloseHandle(file);
    return result;
}
