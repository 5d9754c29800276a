#include "toolkit/geometry.h"

Rect WorkAreaFromTaskbar(const Rect& desktop, int, const Rect&) { return desktop; }
Rect PlaceRect(const Rect& window, const Rect&, const Rect&) { return window; }
