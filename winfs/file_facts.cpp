#include "winfs/file_facts.h"

#include <winternl.h>

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

bool FactsOfHandle(HANDLE file, uint32_t volume, FileFacts& facts)
{
    // Three questions that the handle answers by itself: one answer that
    // holds times and size together (network-open information) makes Wine
    // ask its server for the file's name.
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard))
        return false;
    // The file's index on its volume (FILE_INTERNAL_INFORMATION).
    const auto kFileInternalInformation = static_cast<FILE_INFORMATION_CLASS>(6);
    IO_STATUS_BLOCK status;
    LARGE_INTEGER index;
    if (NtQueryInformationFile(file, &status, &index, sizeof index, kFileInternalInformation) < 0)
        return false;
    facts.size = standard.EndOfFile.QuadPart;
    facts.writeTicks = static_cast<uint64_t>(basic.LastWriteTime.QuadPart);
    facts.creationTicks = static_cast<uint64_t>(basic.CreationTime.QuadPart);
    facts.attributes = basic.FileAttributes;
    facts.identity.volume = volume;
    facts.identity.index = static_cast<uint64_t>(index.QuadPart);
    return true;
}

bool WriteTicksOfHandle(HANDLE file, uint64_t& writeTicks)
{
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic))
        return false;
    writeTicks = static_cast<uint64_t>(basic.LastWriteTime.QuadPart);
    return true;
}

uint32_t VolumeOfPath(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info) != FALSE;
    CloseHandle(file);
    return known ? info.dwVolumeSerialNumber : 0;
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

bool IdentityOfPath(const std::wstring& path, uint32_t volume, FileIdentity& identity)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FileFacts facts;
    const bool known = FactsOfHandle(file, volume, facts);
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
