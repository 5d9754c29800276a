#include "winfs/tree_walk.h"

#include <windows.h>

#include "winfs/long_path.h"

namespace {

const uint32_t kRejected = FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_NORMAL | 0x08;  // 0x08: volume label

bool IsDotEntry(const wchar_t* name)
{
    return (name[0] == L'.' && name[1] == L'\0') || (name[0] == L'.' && name[1] == L'.' && name[2] == L'\0');
}

bool Accepted(uint32_t attributes)
{
    // A file whose only attribute is the plain-file flag has none at all.
    return attributes == FILE_ATTRIBUTE_NORMAL || (attributes & kRejected) == 0;
}

uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// One directory search, closed however the reading of it ends.
struct Search {
    HANDLE handle;
    explicit Search(const std::wstring& pattern, WIN32_FIND_DATAW& entry)
        : handle(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0))
    {
    }
    ~Search()
    {
        if (handle != INVALID_HANDLE_VALUE)
            FindClose(handle);
    }
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;
};

// Reads one folder: its files go to the walk, its sub-folders to the end of
// the folder list when `scanned`.
void ReadFolder(const std::wstring& root, int index, bool scanned, TreeWalk& walk)
{
    // A copy: the list may grow, and move its items, while the folder is read.
    const std::wstring relative = walk.folders[static_cast<size_t>(index)];
    WIN32_FIND_DATAW entry;
    const Search search(JoinPath(JoinPath(root, relative), L"*"), entry);
    if (search.handle == INVALID_HANDLE_VALUE)
        return;
    do {
        const uint32_t attributes = entry.dwFileAttributes;
        if (IsDotEntry(entry.cFileName) || !Accepted(attributes))
            continue;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (scanned)
                walk.folders.push_back(JoinPath(relative, entry.cFileName));
            continue;
        }
        WalkFile file;
        file.folder = index;
        file.name = entry.cFileName;
        file.attributes = attributes;
        file.size = static_cast<int64_t>((static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
        file.writeTicks = Ticks(entry.ftLastWriteTime);
        walk.files.push_back(std::move(file));
    } while (FindNextFileW(search.handle, &entry));
}

}  // namespace

void WalkTree(const std::wstring& root, TreeWalk& walk)
{
    walk.folders.assign(1, std::wstring());
    walk.files.clear();
    if (root.empty())
        return;
    // The list is its own queue.
    for (size_t index = 0; index < walk.folders.size(); ++index)
        ReadFolder(root, static_cast<int>(index), index < static_cast<size_t>(kMaxScannedFolders), walk);
}
