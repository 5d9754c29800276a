#include "touch/touch_run.h"

void TouchRun() {}
bool TouchRunActive() { return false; }
void TouchRunRequestStop() {}
