#include "toolkit/window_act.h"

int WindowAct(int, HWND, const Text&, int&, int&, int&, int&) { return 1; }
int DialogEnfant(int, HWND, const Text&) { return 0; }
