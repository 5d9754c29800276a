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

// Element access, for indices 0 to the upper bound.
const Text& Element(const StringArray& array, int index);
Text& Element(StringArray& array, int index);

// Appends a copy of text after the last item; returns the new upper bound.
// The first append to an array without storage creates elements 0 and 1.
int AppendItem(StringArray& array, const Text& text);

// Drops every element and keeps storage for element 0 only: upper bound 0.
void ResetArray(StringArray& array);

// Drops every element and the storage: upper bound 0.
void EraseArray(StringArray& array);
