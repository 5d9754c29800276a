#include "toolkit/dir_search.h"

#include <io.h>

#include <cstdint>

namespace {

// The one open search of a thread and what it knows of its last entry.
struct SearchState {
    bool open = false;
    intptr_t handle = -1;
    unsigned allowed = 0;
    __finddata64_t entry = {};
};

thread_local SearchState search;

// The attribute word of an entry: the system's attributes, except that a
// file whose only attribute is the plain-file flag 0x80 has none.
unsigned AttributeWord(const __finddata64_t& entry)
{
    const unsigned word = entry.attrib;
    return word == 0x80 ? 0 : word;
}

bool Accepted(const __finddata64_t& entry)
{
    return (AttributeWord(entry) & ~search.allowed) == 0;
}

void CloseSearch()
{
    if (search.open)
        _findclose(search.handle);
    search.open = false;
    search.handle = -1;
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
        info->size = search.entry.size;
        info->writeTime = search.entry.time_write;
    }
    return Text(search.entry.name);
}

// Reads entries of the open search until one is accepted; closes the search
// when it has no more.
Text NextAccepted(int* attributes, DirEntryInfo* info)
{
    while (search.open) {
        if (_findnext64(search.handle, &search.entry) != 0) {
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
    const intptr_t handle = _findfirst64(pattern.c_str(), &search.entry);
    if (handle == -1)
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
