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

// One folder opened for listing, closed however the reading of it ends.
struct OpenFolder {
    HANDLE handle;
    explicit OpenFolder(const std::wstring& path)
        : handle(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr))
    {
    }
    ~OpenFolder()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
};

// Room for the entries of one request: a few hundred at a time.
const DWORD kListingBytes = 64 * 1024;

// Reads one folder: its files go to the walk, its sub-folders to the end of
// the folder list when `scanned`. The entries come from the open folder, each
// with the file's size, times, attributes and index, as a directory search
// lists them.
void ReadFolder(const std::wstring& root, int index, bool scanned, TreeWalk& walk, std::vector<LONGLONG>& buffer)
{
    // A copy: the list may grow, and move its items, while the folder is read.
    const std::wstring relative = walk.folders[static_cast<size_t>(index)];
    const OpenFolder folder(JoinPath(root, relative));
    if (folder.handle == INVALID_HANDLE_VALUE)
        return;
    while (GetFileInformationByHandleEx(folder.handle, FileIdBothDirectoryInfo, buffer.data(), kListingBytes)) {
        const char* at = reinterpret_cast<const char*>(buffer.data());
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            const uint32_t attributes = entry->FileAttributes;
            if (!IsDotEntry(name.c_str()) && Accepted(attributes)) {
                if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                    if (scanned)
                        walk.folders.push_back(JoinPath(relative, name));
                } else {
                    WalkFile file;
                    file.folder = index;
                    file.name = name;
                    file.attributes = attributes;
                    file.size = entry->EndOfFile.QuadPart;
                    file.writeTicks = static_cast<uint64_t>(entry->LastWriteTime.QuadPart);
                    file.index = static_cast<uint64_t>(entry->FileId.QuadPart);
                    walk.files.push_back(std::move(file));
                }
            }
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
    }
}

}  // namespace

void WalkTree(const std::wstring& root, TreeWalk& walk)
{
    walk.folders.assign(1, std::wstring());
    walk.files.clear();
    if (root.empty())
        return;
    std::vector<LONGLONG> buffer(kListingBytes / sizeof(LONGLONG));
    // The list is its own queue.
    for (size_t index = 0; index < walk.folders.size(); ++index)
        ReadFolder(root, static_cast<int>(index), index < static_cast<size_t>(kMaxScannedFolders), walk, buffer);
}
