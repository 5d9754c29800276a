#include "toolkit/string_array.h"

int UpperBound(const StringArray& array) { return array.elements.empty() ? 0 : static_cast<int>(array.elements.size()) - 1; }
const Text& Element(const StringArray& array, int index) { return array.elements[index]; }
Text& Element(StringArray& array, int index) { return array.elements[index]; }
int AppendItem(StringArray& array, const Text& text) { if (array.elements.empty()) array.elements.emplace_back(); array.elements.push_back(text); return UpperBound(array); }
void ResetArray(StringArray& array) { array.elements.assign(1, Text()); }
void EraseArray(StringArray& array) { array.elements.clear(); array.elements.shrink_to_fit(); }
