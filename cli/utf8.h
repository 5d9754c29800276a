// Paths as they are on disk, shown as text: bytes that are not valid UTF-8
// written as \xNN (and backslashes then doubled, so the form reads back).
#pragma once

#include <string>

namespace cli {

bool IsValidUtf8(const std::string& bytes);

// The bytes unchanged when they are valid UTF-8 (and, with `controls`, hold
// no control character); otherwise escaped, with `escaped` set.
std::string ShownPath(const std::string& bytes, bool controls, bool& escaped);
std::string ShownPath(const std::string& bytes, bool controls);

}  // namespace cli
