// Sizes of rectangles and centring, as the tests look at windows.
#pragma once

#include <windows.h>

#include <cstdlib>

inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }

// True when inner's centre lies within a pixel of outer's in both directions.
inline bool CentredOver(const RECT& inner, const RECT& outer)
{
    // Twice the centres, so the integer halves are within one pixel.
    return std::abs((inner.left + inner.right) - (outer.left + outer.right)) <= 2 &&
           std::abs((inner.top + inner.bottom) - (outer.top + outer.bottom)) <= 2;
}
