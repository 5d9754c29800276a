// Tableau: numbered commands on a StringArray (append, insert, sort, search,
// split, join, files, list controls, folder listings).
#pragma once

#include "toolkit/string_array.h"
#include "toolkit/text.h"

// Performs command `code` on `array`; see tableau.cpp for the table. Unless
// a command says otherwise the result is the array's upper bound afterwards.
int Tableau(int code, StringArray& array, int flag, Text& text, int index, Text& text2, int last);

// Convenience for callers whose texts are inputs only.
int Tableau(int code, StringArray& array, int flag, const Text& text);
