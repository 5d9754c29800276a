#include "toolkit/list.h"

int List(int, int, Text&, int, int) { return 0; }
int List(int code, int id, const Text& text, int n1, int n2) { Text copy = text; return List(code, id, copy, n1, n2); }
Text ListLineText(int, int, int) { return Text(); }
