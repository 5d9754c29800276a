// List commands: lines of list boxes, combo boxes, list views and the
// toolkit's in-memory list objects, addressed by identifier.
#pragma once

#include <vector>

#include "toolkit/text.h"

// Performs command `code` on the list `id`; see list.cpp for the table.
// Code 21 returns the lines in `text`.
int List(int code, int id, Text& text, int n1, int n2);

// Convenience for callers that pass a text they do not need back.
int List(int code, int id, const Text& text, int n1, int n2);

// The text of line `index` (from 0; below 0: the selected line) of the list
// `id`; `column` counts only for list views. "" when there is no such line.
Text ListLineText(int id, int index, int column);

// Suspends (false) or resumes (true) the drawing of the list `id`. While it
// is suspended, lines added or changed are not drawn and commands do not
// repaint it; resuming draws it whole, scroll bar included.
void SetListDrawing(int id, bool drawing);

// Keeps the names of the files last dropped on the main window, for code 30.
void RememberDroppedFiles(const std::vector<Text>& names);
