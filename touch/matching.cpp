#include "touch/matching.h"

#include "touch/date_serial.h"

int32_t ShiftFromText(const Text& text)
{
    return RoundToInt32(ParseNumber(text));
}

int32_t ReduceShift(int32_t shift, const Text& unit)
{
    // C++ division truncates toward zero, so the remainder keeps the shift's sign.
    return unit == "h" ? shift % 24 : shift % 60;
}

int32_t Low32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

bool IsShiftedCopy(int64_t originalSeconds, int64_t originalSize, int64_t copySeconds,
                   int64_t copySize, const Text& unit, int32_t shift, int32_t& difference)
{
    if (originalSize != copySize || originalSeconds == copySeconds)
        return false;
    difference = Low32(UnitsBetweenInstants(unit, originalSeconds, copySeconds));
    const int64_t magnitude = difference < 0 ? -static_cast<int64_t>(difference) : difference;
    return magnitude == shift;
}

Text TouchedLine(const Text& copyPath, int32_t difference, const Text& unit)
{
    return copyPath + "  =->  " + IntegerText(difference) + unit;
}

Text FailedLine(const Text& copyPath, int32_t difference)
{
    return "ERR -> " + copyPath + "  =  " + IntegerText(difference);
}
