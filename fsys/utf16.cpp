#include "fsys/utf16.h"

namespace fsys {

namespace {

bool IsHigh(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code point at `at` (advanced past it), or false for an invalid form.
bool Decode(const std::string& text, size_t& at, char32_t& point)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(at);
    int length;
    char32_t least;
    if (first < 0x80) {
        point = first;
        ++at;
        return true;
    }
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2, point = first & 0x1F, least = 0x80;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3, point = first & 0x0F, least = 0x800;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4, point = first & 0x07, least = 0x10000;
    } else {
        return false;
    }
    if (at + length > text.size())
        return false;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        if ((next & 0xC0) != 0x80)
            return false;
        point = (point << 6) | (next & 0x3F);
    }
    if (point < least || point > 0x10FFFF)
        return false;
    at += length;
    return true;
}

void Encode(char32_t point, std::string& text)
{
    if (point < 0x80) {
        text.push_back(static_cast<char>(point));
    } else if (point < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (point >> 6)));
        text.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else if (point < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (point >> 12)));
        text.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (point >> 18)));
        text.push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    }
}

}  // namespace

bool ToUtf16(const std::string& text, std::u16string& wide)
{
    wide.clear();
    wide.reserve(text.size());
    bool afterHigh = false;  // the last unit written was an unpaired high surrogate
    for (size_t at = 0; at < text.size();) {
        char32_t point;
        if (!Decode(text, at, point))
            return false;
        // A low surrogate just after a high one would read back as the pair's
        // character: that text has a shorter form and is not taken.
        if (IsLow(point) && afterHigh)
            return false;
        afterHigh = IsHigh(point);
        if (point >= 0x10000) {
            point -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(point));
        }
    }
    return true;
}

std::string FromUtf16(const char16_t* wide, size_t length)
{
    std::string text;
    text.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        char32_t unit = wide[i];
        if (IsHigh(unit) && i + 1 < length && IsLow(wide[i + 1])) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        }
        Encode(unit, text);
    }
    return text;
}

}  // namespace fsys
