#include "app/layout.h"

void LayoutMainDialog(int, int, int) {}
