// Paths as they are on disk, shown as text: bytes that are not valid UTF-8
// written as \xNN (and backslashes then doubled, so the form reads back).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cli {

bool IsValidUtf8(const std::string& bytes);

// The length of the valid UTF-8 sequence at `at` and its character, or 0.
size_t SequenceLength(const std::string& bytes, size_t at, uint32_t& code);

// Characters that act on a terminal rather than show: C0 and C1 controls,
// DEL, and the marks that reorder the text around them.
bool IsControlCharacter(uint32_t code);

// The bytes unchanged when they are valid UTF-8 (and, with `controls`, hold
// no control character); otherwise escaped, each byte of a control character
// or of an invalid sequence as \xNN, with `escaped` set.
std::string ShownPath(const std::string& bytes, bool controls, bool& escaped);
std::string ShownPath(const std::string& bytes, bool controls);

}  // namespace cli
