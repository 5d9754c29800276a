#include "toolkit/dir_search.h"

#include <windows.h>

#include <cstdint>

// The search rests on the system's wildcard directory search itself rather
// than on the runtime's _findfirst family: the entries are the same, and
// their last-write times come exactly as the file system keeps them, for any
// date (the runtime's conversion misreads times before 1970 under Wine).
namespace {

const int64_t kSecondsFrom1601To1970 = 11644473600LL;

// The one open search of a thread and what it knows of its last entry.
struct SearchState {
    bool open = false;
    HANDLE handle = INVALID_HANDLE_VALUE;
    unsigned allowed = 0;
    WIN32_FIND_DATAA entry = {};
};

thread_local SearchState search;

// The attribute word of an entry: the system's attributes, except that a
// file whose only attribute is the plain-file flag 0x80 has none.
unsigned AttributeWord(const WIN32_FIND_DATAA& entry)
{
    const unsigned word = entry.dwFileAttributes;
    return word == FILE_ATTRIBUTE_NORMAL ? 0 : word;
}

bool Accepted(const WIN32_FIND_DATAA& entry)
{
    return (AttributeWord(entry) & ~search.allowed) == 0;
}

// Whole seconds since 1970-01-01 UTC, rounded down, of a file time.
int64_t UnixSeconds(const FILETIME& time)
{
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                                               time.dwLowDateTime);
    const int64_t seconds = ticks / 10000000;
    return seconds - kSecondsFrom1601To1970;
}

void CloseSearch()
{
    if (search.open)
        FindClose(search.handle);
    search.open = false;
    search.handle = INVALID_HANDLE_VALUE;
}

Text NoEntry(int* attributes)
{
    if (attributes)
        *attributes = 0;
    return Text();
}

Text Report(int* attributes, DirEntryInfo* info)
{
    if (attributes)
        *attributes = static_cast<int>(AttributeWord(search.entry) & 0xFF);
    if (info) {
        info->size = static_cast<int64_t>((static_cast<uint64_t>(search.entry.nFileSizeHigh) << 32) |
                                          search.entry.nFileSizeLow);
        info->writeTime = UnixSeconds(search.entry.ftLastWriteTime);
    }
    return Text(search.entry.cFileName);
}

// Reads entries of the open search until one is accepted; closes the search
// when it has no more.
Text NextAccepted(int* attributes, DirEntryInfo* info)
{
    while (search.open) {
        if (!FindNextFileA(search.handle, &search.entry)) {
            CloseSearch();
            break;
        }
        if (Accepted(search.entry))
            return Report(attributes, info);
    }
    return NoEntry(attributes);
}

}  // namespace

Text DirSearch(const Text& pattern, int mask, int* attributes, DirEntryInfo* info)
{
    if (pattern.empty())
        return NextAccepted(attributes, info);

    CloseSearch();
    const HANDLE handle = FindFirstFileA(pattern.c_str(), &search.entry);
    if (handle == INVALID_HANDLE_VALUE)
        return NoEntry(attributes);

    search.open = true;
    search.handle = handle;
    search.allowed = static_cast<unsigned>(mask) | 0xFFFFFF00u;
    if ((mask & 0x10) == 0)
        search.allowed |= 0x20;
    if (Accepted(search.entry))
        return Report(attributes, info);
    return NextAccepted(attributes, info);
}
