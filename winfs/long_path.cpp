#include "winfs/long_path.h"

#include <windows.h>

#include <cwchar>

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

std::wstring FullPath(const std::wstring& path)
{
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    while (size > 0) {
        std::wstring full(size, L'\0');
        const DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
        if (length == 0)
            break;
        if (length < size) {
            full.resize(length);
            return full;
        }
        size = length;  // the current folder changed in between: try again
    }
    return std::wstring();
}

}  // namespace

std::wstring ExtendedPath(const std::wstring& path)
{
    if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\"))
        return path;
    if (path.empty())
        return std::wstring();
    const std::wstring full = FullPath(path);
    if (full.empty() || StartsWith(full, L"\\\\?\\") || StartsWith(full, L"\\\\.\\"))
        return full;
    if (StartsWith(full, L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name)
{
    if (folder.empty() || folder.back() == L'\\')
        return folder + name;
    return folder + L'\\' + name;
}
