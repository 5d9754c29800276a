#include "winfs/file_facts.h"

namespace {

uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

uint64_t Join(DWORD high, DWORD low)
{
    return (static_cast<uint64_t>(high) << 32) | low;
}

}  // namespace

bool FactsOfHandle(HANDLE file, FileFacts& facts)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info))
        return false;
    facts.size = static_cast<int64_t>(Join(info.nFileSizeHigh, info.nFileSizeLow));
    facts.writeTicks = Ticks(info.ftLastWriteTime);
    facts.creationTicks = Ticks(info.ftCreationTime);
    facts.attributes = info.dwFileAttributes;
    facts.identity.volume = info.dwVolumeSerialNumber;
    facts.identity.index = Join(info.nFileIndexHigh, info.nFileIndexLow);
    return true;
}

bool FactsOfPath(const std::wstring& path, FileFacts& facts)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    facts = FileFacts();
    facts.size = static_cast<int64_t>(Join(data.nFileSizeHigh, data.nFileSizeLow));
    facts.writeTicks = Ticks(data.ftLastWriteTime);
    facts.creationTicks = Ticks(data.ftCreationTime);
    facts.attributes = data.dwFileAttributes;
    return true;
}

bool IdentityOfPath(const std::wstring& path, FileIdentity& identity)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FileFacts facts;
    const bool known = FactsOfHandle(file, facts);
    CloseHandle(file);
    if (known)
        identity = facts.identity;
    return known;
}

bool IsReadable(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}
