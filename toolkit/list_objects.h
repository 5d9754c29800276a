// The toolkit's in-memory list objects (identifiers 0 to 99).
#pragma once

#include <vector>

#include "toolkit/text.h"

// Creates a new empty list object; returns its identifier, or -1 when all
// 100 are in use.
int NewListObject();

// The lines of object `id`, or null when `id` names no object.
std::vector<Text>* ListObject(int id);
