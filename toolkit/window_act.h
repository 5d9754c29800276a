// Window activation and the child-window registry.
#pragma once

#include <windows.h>

#include "toolkit/text.h"

// Command 16: sets the caption of `window` to `text`. Returns 1.
int WindowAct(int command, HWND window, const Text& text, int& a, int& b, int& c, int& d);

// Mode 1 empties the child-window registry; mode 2 brings its live windows
// forward and clears the slots of those that no longer exist.
int DialogEnfant(int mode, HWND window, const Text& text);
