#include "toolkit/geometry.h"

namespace {

// The start of a span of `size` over the span [low, high): centred, or at
// `low` when it is at least as large as the span. Integer halves truncate.
int CentredStart(int size, int low, int high)
{
    const int span = high - low;
    if (size >= span)
        return low;
    return low + span / 2 - size / 2;
}

}  // namespace

Rect WorkAreaFromTaskbar(const Rect& desktop, int edge, const Rect& taskbar)
{
    Rect area = desktop;
    switch (edge) {
    case EDGE_BOTTOM:
        area.bottom = taskbar.top;
        break;
    case EDGE_LEFT:
        area.left = taskbar.right;
        break;
    case EDGE_RIGHT:
        area.right = taskbar.left;
        break;
    case EDGE_TOP:
        area.top = taskbar.bottom;
        break;
    default:
        break;
    }
    return area;
}

Rect PlaceRect(const Rect& window, const Rect& reference, const Rect& workArea)
{
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    int x = CentredStart(width, reference.left, reference.right);
    int y = CentredStart(height, reference.top, reference.bottom);

    // Kept inside the work area; the top-left corner wins when it is too small.
    if (y + height > workArea.bottom)
        y = workArea.bottom - height;
    if (x + width > workArea.right)
        x = workArea.right - width;
    if (y < workArea.top)
        y = workArea.top;
    if (x < workArea.left)
        x = workArea.left;

    return Rect{x, y, x + width, y + height};
}

bool AnchorRect(int kind, const Rect& parent, int distance, Rect& control)
{
    switch (kind) {
    case ANCHOR_STRETCH_RIGHT:
        control.right = parent.right - distance;
        return true;
    case ANCHOR_STRETCH_BOTTOM:
        control.bottom = parent.bottom - distance;
        return true;
    case ANCHOR_MOVE_RIGHT: {
        const int width = control.right - control.left;
        control.right = parent.right - distance;
        control.left = control.right - width;
        return true;
    }
    default:
        return false;
    }
}
