// The main window handle: set by the main dialog when it is initialised and
// activated, read by every toolkit routine as owner, parent and reference.
#pragma once

#include <windows.h>

HWND MainWindow();
void SetMainWindow(HWND window);
