// The toolkit's in-memory list objects (identifiers 0 to 99): plain lists of
// lines that the List commands treat like a list box without a window.
#pragma once

#include <vector>

#include "toolkit/text.h"

// Hands out the lowest identifier not yet handed out, with an empty list;
// returns -1 when all 100 are in use.
int NewListObject();

// The lines of object `id` (0 to 99; every one of them exists, handed out or
// not), or null for any other identifier.
std::vector<Text>* ListObject(int id);
