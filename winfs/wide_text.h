// Conversions between the system's UTF-16 names and byte strings.
#pragma once

#include <string>

// UTF-16 of text in the system's ANSI code page.
std::wstring WideFromAnsi(const std::string& text);

// The ANSI code page form of UTF-16 text. Every character the code page
// lacks becomes its default character ("?"), never a look-alike, so that a
// name never reads as another path (a fullwidth backslash stays no
// separator).
std::string AnsiFromWide(const std::wstring& text);

// UTF-16 of UTF-8 text, and back; malformed sequences become U+FFFD.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
