// How often to draw what a long run changes faster than it is worth
// drawing (its result list, its progress bar): at most every so many
// milliseconds, and never so often that drawing takes more than a tenth of
// the run's time. Drawing costs a thousand times the handling of a file
// under Wine, and far less on Windows.
#pragma once

#include <cstdint>

class DrawPace {
public:
    // `minimumMs`: the shortest time between the end of one drawing and the
    // start of the next.
    explicit DrawPace(uint32_t minimumMs) : minimumMs_(minimumMs) {}

    // True when a drawing is due at `now` (milliseconds of a clock that
    // wraps around, such as GetTickCount): always before the first one.
    bool Due(uint32_t now) const;

    // Records a drawing that started at `start` and ended at `end`.
    void Drawn(uint32_t start, uint32_t end);

private:
    uint32_t minimumMs_;
    bool drawn_ = false;
    uint32_t lastEnd_ = 0;
    uint32_t lastCost_ = 0;
};
