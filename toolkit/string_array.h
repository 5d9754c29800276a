// StringArray: a growable array of text values whose items sit at indices 1
// to its upper bound; element 0 exists once there is storage but holds no item.
#pragma once

#include <vector>

#include "toolkit/text.h"

struct StringArray {
    // Empty: no storage (upper bound 0). Otherwise elements 0 to upper bound.
    std::vector<Text> elements;
};

// The number of items; 0 for an array without storage.
int UpperBound(const StringArray& array);

// Element access, for indices 0 to the upper bound. Reading an index outside
// that range gives an empty text; writing one is the caller's fault.
const Text& Element(const StringArray& array, int index);
Text& Element(StringArray& array, int index);

// Appends a copy of text after the last item; returns the new upper bound.
// The first append to an array without storage creates elements 0 and 1.
// Storage grows geometrically, so a long run of appends stays linear.
int AppendItem(StringArray& array, const Text& text);

// Drops every element and keeps storage for element 0 only: upper bound 0.
void ResetArray(StringArray& array);

// Drops every element and the storage: upper bound 0.
void EraseArray(StringArray& array);

// The text with its cp1252 letters in upper case (a-z, the accented letters
// of 0xE0-0xFE except 0xF7, and the letters of 0x9A, 0x9C, 0x9E, 0xFF).
// Item comparisons that ignore letter case compare these forms byte by byte.
Text FoldCase(const Text& text);

// Compares two items: byte order when `exact`, otherwise byte order of their
// FoldCase forms. Negative, 0 or positive like strcmp.
int CompareItems(const Text& a, const Text& b, bool exact);
