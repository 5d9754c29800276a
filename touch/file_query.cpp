#include "touch/file_query.h"

#include <windows.h>

#include <ctime>

#include "touch/date_serial.h"
#include "winfs/file_facts.h"
#include "winfs/long_path.h"
#include "winfs/wide_text.h"

namespace {

const int64_t kSecondsPerDay = 86400;
const int64_t kDay1970 = 25569;
const int64_t kSecondsFrom1601To1970 = 11644473600LL;

// Local calendar fields of a UTC time through the runtime's 64-bit
// localtime, which applies the zone's daylight-saving rule of that date. It
// refuses times before 1970-01-01 00:00:00 UTC and after the year 3000.
bool LocalFields(int64_t seconds, struct tm& fields)
{
    const __time64_t time = seconds;
    const struct tm* local = _localtime64(&time);
    if (local == nullptr)
        return false;
    fields = *local;
    return true;
}

}  // namespace

bool LocalSecondsFromUnixTime(int64_t seconds, int64_t& localSeconds)
{
    struct tm fields;
    if (!LocalFields(seconds, fields))
        return false;
    const int64_t days = DayNumber(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday) - kDay1970;
    localSeconds = days * kSecondsPerDay + fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec;
    return true;
}

double LocalSerialFromUnixTime(int64_t seconds)
{
    struct tm fields;
    if (!LocalFields(seconds, fields))
        return 0;
    return SerialFromParts(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
                           fields.tm_hour, fields.tm_min, fields.tm_sec);
}

// The offsets from UTC a day before and a day after the local time are the
// only ones that can apply to it (the zone changes its offset at most once in
// two days). Each gives a candidate instant; the candidates that read back as
// the local time are its true instants, and the earlier one is taken. When
// none does, the local time lies in the gap of a spring change, and the
// offset in force before the change is applied.
bool UnixTimeFromLocalSeconds(int64_t localSeconds, int64_t& seconds)
{
    int64_t before = 0;
    int64_t after = 0;
    const bool hasBefore = LocalSecondsFromUnixTime(localSeconds - kSecondsPerDay, before);
    const bool hasAfter = LocalSecondsFromUnixTime(localSeconds + kSecondsPerDay, after);
    if (!hasBefore && !hasAfter)
        return false;
    const int64_t offsetBefore = hasBefore ? before - (localSeconds - kSecondsPerDay)
                                           : after - (localSeconds + kSecondsPerDay);
    const int64_t offsetAfter = hasAfter ? after - (localSeconds + kSecondsPerDay) : offsetBefore;
    const int64_t fromBefore = localSeconds - offsetBefore;
    const int64_t fromAfter = localSeconds - offsetAfter;
    int64_t readBack = 0;
    const bool beforeFits = LocalSecondsFromUnixTime(fromBefore, readBack) && readBack == localSeconds;
    const bool afterFits = LocalSecondsFromUnixTime(fromAfter, readBack) && readBack == localSeconds;
    if (afterFits && (!beforeFits || fromAfter < fromBefore))
        seconds = fromAfter;
    else
        seconds = fromBefore;
    return true;
}

// The last-write time is read as the system keeps it, in UTC, rather than
// through the runtime's stat: that one reports a file dated before 1970 with
// an unrelated time under Wine, and on Windows builds its seconds through a
// local-time conversion of its own.
double FileModifiedSerial(const Text& path)
{
    FileFacts facts;
    if (!FactsOfPath(SystemPath(path), facts))
        return 0;
    // A time the local-time conversion cannot represent (before 1970 or after
    // the year 3000) gives 0, as for a file that cannot be queried.
    return LocalSerialFromUnixTime(UnixSecondsFromTicks(facts.writeTicks));
}

int64_t UnixSecondsFromTicks(uint64_t ticks)
{
    return static_cast<int64_t>(ticks / 10000000) - kSecondsFrom1601To1970;
}

std::wstring SystemPath(const Text& path)
{
    return ExtendedPath(WideFromAnsi(path));
}

// Opened as the runtime's fopen opens a file for reading: others may go on
// reading and writing it; a folder cannot be opened so.
int64_t FileSizeBytes(const Text& path)
{
    HANDLE file = CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size;
    const bool measured = GetFileSizeEx(file, &size) != FALSE;
    CloseHandle(file);
    return measured && size.QuadPart > 0 ? size.QuadPart : 0;
}

bool FileIsReadable(const Text& path)
{
    return IsReadable(SystemPath(path));
}
