#include "toolkit/geometry.h"

Rect WorkAreaFromTaskbar(const Rect& desktop, int, const Rect&) { return desktop; }
Rect PlaceRect(const Rect& window, const Rect&, const Rect&) { return window; }

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

Rect GrowRect(const Rect& client, const Rect& margins)
{
    return Rect{client.left - margins.left, client.top - margins.top,
                client.right + margins.right, client.bottom + margins.bottom};
}
