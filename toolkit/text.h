// Text values: byte strings in the Windows ANSI code page (cp1252), with
// their own length. Every operation that returns text returns a new value.
#pragma once

#include <string>

using Text = std::string;

// The text without blanks (spaces, byte 32) at both ends.
Text TrimBlanks(const Text& text);

// The text with the ASCII letters a to z turned into A to Z; other bytes unchanged.
Text UpperAscii(const Text& text);
