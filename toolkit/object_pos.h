// Reading and writing rectangles of the main window and its controls, and
// anchoring a control to an edge of its parent.
#pragma once

#include <windows.h>

// Mode 0 reads, mode 1 writes (a -1 in top, left, width or height keeps the
// current value). Identifier -2: main window, frame included, screen
// coordinates; -1: its client area in screen coordinates; 0: its client area
// relative to itself; a control: its rectangle in the main window's client
// coordinates, or in screen coordinates when the identifier is negated.
int _ObjectPos(int mode, int id, int& top, int& left, int& width, int& height,
               int& right, int& bottom, HWND& window);

// Kind 3: right edge `distance` from the parent's right; 4: bottom edge
// `distance` from the parent's bottom; 13: moved so that its right edge is
// `distance` from the parent's right. Returns the final write's result, 0 for
// an unknown kind.
int DeplaceObjet(int kind, int control, int parent, int distance, int a, int b, int c, int d);

// Puts the status bar along the bottom of the main window's client area, full width.
void DockStatusBar();

// The frame widths of a window: client rectangle against window rectangle.
void FrameMargins(HWND window, int& top, int& left, int& bottom, int& right);
