#include "toolkit/object_pos.h"

int _ObjectPos(int, int, int&, int&, int&, int&, int&, int&, HWND&) { return 0; }
int DeplaceObjet(int, int, int, int, int, int, int, int) { return 0; }
void DockStatusBar() {}
void FrameMargins(HWND, int&, int&, int&, int&) {}
