// The items of a string array as a vector, for comparisons in tests.
#pragma once

#include <string>
#include <vector>

#include "toolkit/string_array.h"

// Items 1 to the upper bound, in order.
inline std::vector<std::string> ItemsOf(const StringArray& array)
{
    std::vector<std::string> items;
    for (int i = 1; i <= UpperBound(array); ++i)
        items.push_back(Element(array, i));
    return items;
}
