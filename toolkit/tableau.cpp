#include "toolkit/tableau.h"

int Tableau(int, StringArray& array, int, Text&, int, Text&, int) { return UpperBound(array); }
int Tableau(int code, StringArray& array, int flag, const Text& text) { Text t = text; Text t2; return Tableau(code, array, flag, t, -1, t2, -1); }
