#include "winfs/wide_text.h"

#include <windows.h>

namespace {

std::wstring ToWide(UINT codePage, const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string FromWide(UINT codePage, DWORD flags, const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int length = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr,
                                           0, nullptr, nullptr);
    if (length <= 0)
        return std::string();
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr,
                        nullptr);
    return bytes;
}

}  // namespace

std::wstring WideFromAnsi(const std::string& text)
{
    return ToWide(CP_ACP, text);
}

std::string AnsiFromWide(const std::wstring& text)
{
    return FromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, text);
}

std::wstring WideFromUtf8(const std::string& text)
{
    return ToWide(CP_UTF8, text);
}

std::string Utf8FromWide(const std::wstring& text)
{
    return FromWide(CP_UTF8, 0, text);
}
