#include "touch/draw_pace.h"

namespace {

// Between two drawings, at least this many times the last one's cost: at
// most a tenth of the time goes to drawing.
const uint32_t kIdleTimesCost = 9;

}  // namespace

bool DrawPace::Due(uint32_t now) const
{
    if (!drawn_)
        return true;
    const uint64_t scaled = static_cast<uint64_t>(lastCost_) * kIdleTimesCost;
    const uint64_t interval = scaled > minimumMs_ ? scaled : minimumMs_;
    // Unsigned subtraction: right across a wrap of the clock.
    return static_cast<uint32_t>(now - lastEnd_) >= interval;
}

void DrawPace::Drawn(uint32_t start, uint32_t end)
{
    drawn_ = true;
    lastEnd_ = end;
    lastCost_ = end - start;
}
