// Small file helpers of the Windows-only cases: wide names and long paths.
#pragma once

#include <windows.h>

#include <string>

namespace winfiles {

inline std::wstring Long(const std::string& path)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, path.data(), int(path.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.data(), int(path.size()), &wide[0], length);
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return L"\\\\?\\" + wide;
}

// The bytes of a file, read as they are.
inline std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[65536];
    DWORD n;
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0)
        bytes.append(buffer, n);
    CloseHandle(file);
    return bytes;
}

inline DWORD Attributes(const std::string& path)
{
    return GetFileAttributesW(Long(path).c_str());
}

}  // namespace winfiles
