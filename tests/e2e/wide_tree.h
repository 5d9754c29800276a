// Files of any name and path length for the end-to-end tests, made and read
// from the Windows side through wide "\\?\" paths with exact UTC times.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "touch_tree.h"

namespace widetree {

// The "\\?\" form of a full Windows path (drive letter or "\\?\" already).
inline std::wstring Long(const std::wstring& path)
{
    return path.compare(0, 4, L"\\\\?\\") == 0 ? path : L"\\\\?\\" + path;
}

// UTF-16 of an ANSI (cp1252) text, as Kelvora's fields hold it.
inline std::wstring Wide(const std::string& ansi)
{
    std::wstring wide(ansi.size(), L'\0');
    const int length = MultiByteToWideChar(1252, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0],
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length > 0 ? length : 0));
    return wide;
}

inline void MakeFolders(const std::wstring& path)
{
    const std::wstring full = Long(path);
    for (size_t at = full.find(L'\\', 7); at != std::wstring::npos; at = full.find(L'\\', at + 1))
        CreateDirectoryW(full.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(full.c_str(), nullptr);
}

inline void WriteFile(const std::wstring& path, const std::string& content, int64_t written)
{
    MakeFolders(path.substr(0, path.rfind(L'\\')));
    HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path.size();
    DWORD done = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &done, nullptr);
    const FILETIME time = touchtree::FileTimeOf(written);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

// Seconds since 1970 of a file's last-write time, -1 when it cannot be read.
inline int64_t WrittenSeconds(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Long(path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    return static_cast<int64_t>(touchtree::Value(data.ftLastWriteTime) / 10000000ULL) - 11644473600LL;
}

}  // namespace widetree
