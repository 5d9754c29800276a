#include "cli/utf8.h"

#include <cstdio>

namespace cli {

namespace {

// Length of the valid UTF-8 sequence starting at `at`, or 0.
size_t SequenceLength(const std::string& bytes, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    size_t length;
    unsigned long min, code;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool IsControl(unsigned char byte)
{
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

bool IsValidUtf8(const std::string& bytes)
{
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = SequenceLength(bytes, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string ShownPath(const std::string& bytes, bool controls, bool& escaped)
{
    bool plain = IsValidUtf8(bytes);
    if (plain && controls) {
        for (char c : bytes)
            plain = plain && !IsControl(static_cast<unsigned char>(c));
    }
    escaped = !plain;
    if (plain)
        return bytes;
    std::string shown;
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = SequenceLength(bytes, at);
        const unsigned char lead = static_cast<unsigned char>(bytes[at]);
        if (length == 0 || (controls && IsControl(lead))) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", lead);
            shown += hex;
            ++at;
        } else if (lead == '\\') {
            shown += "\\\\";
            ++at;
        } else {
            shown.append(bytes, at, length);
            at += length;
        }
    }
    return shown;
}

std::string ShownPath(const std::string& bytes, bool controls)
{
    bool escaped;
    return ShownPath(bytes, controls, escaped);
}

}  // namespace cli
