#include "touch/date_serial.h"

double SerialFromParts(int, int, int, int, int, int) { return 0; }
int64_t UnitsBetween(const Text&, double, double) { return 0; }
Text SerialField(double, const Text&) { return Text(); }
double ParseNumber(const Text&) { return 0; }
int32_t RoundToInt32(double) { return 0; }
Text IntegerText(int32_t) { return Text(); }
