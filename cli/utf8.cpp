#include "cli/utf8.h"

#include <cstdio>

namespace cli {

size_t SequenceLength(const std::string& bytes, size_t at, uint32_t& code)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    code = lead;
    if (lead < 0x80)
        return 1;
    size_t length;
    uint32_t min;
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

bool IsControlCharacter(uint32_t code)
{
    // C0, DEL and C1 (U+009B reads as the terminal's escape sequence start),
    // and the marks that reorder text on screen (U+202E shows the rest of a
    // name backwards).
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C || code == 0x200E ||
           code == 0x200F || (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

bool IsValidUtf8(const std::string& bytes)
{
    uint32_t code;
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = SequenceLength(bytes, at, code);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string ShownPath(const std::string& bytes, bool controls, bool& escaped)
{
    bool plain = true;
    uint32_t code;
    for (size_t at = 0; at < bytes.size() && plain;) {
        const size_t length = SequenceLength(bytes, at, code);
        plain = length != 0 && !(controls && IsControlCharacter(code));
        at += length;
    }
    escaped = !plain;
    if (plain)
        return bytes;
    std::string shown;
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = SequenceLength(bytes, at, code);
        const unsigned char lead = static_cast<unsigned char>(bytes[at]);
        if (length == 0 || (controls && IsControlCharacter(code))) {
            // Each byte of the character (one, when it is not UTF-8).
            for (size_t i = 0; i < (length ? length : 1); ++i) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(bytes[at + i]));
                shown += hex;
            }
            at += length ? length : 1;
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
