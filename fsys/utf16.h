// Names between the layer's UTF-8 and the UTF-16 of the Windows calls. A name
// the system holds with an unpaired surrogate (NTFS allows it) comes out in
// WTF-8, the same three-byte form UTF-8 would give the code unit, so that
// every name read from a listing goes back to the system unchanged.
#pragma once

#include <string>

namespace fsys {

// False when `text` is neither UTF-8 nor WTF-8 (a stray byte, an overlong
// form, a surrogate pair written as two three-byte forms).
bool ToUtf16(const std::string& text, std::u16string& wide);
std::string FromUtf16(const char16_t* wide, size_t length);
inline std::string FromUtf16(const std::u16string& wide) { return FromUtf16(wide.data(), wide.size()); }

}  // namespace fsys
