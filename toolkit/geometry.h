// Rectangle arithmetic for window placement, without Windows types.
#pragma once

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Taskbar edges as the shell reports them.
enum TaskbarEdge { EDGE_LEFT = 0, EDGE_TOP = 1, EDGE_RIGHT = 2, EDGE_BOTTOM = 3 };

// The desktop rectangle with the side where the taskbar stands cut at the
// taskbar; any other edge leaves the desktop rectangle.
Rect WorkAreaFromTaskbar(const Rect& desktop, int edge, const Rect& taskbar);

// Where a window of rectangle `window` goes: centred over `reference` (aligned
// left/top when wider/taller than it), then kept inside `workArea`. Returns
// the new rectangle, same size.
Rect PlaceRect(const Rect& window, const Rect& reference, const Rect& workArea);

// Anchoring kinds of a control against its parent.
enum AnchorKind {
    ANCHOR_STRETCH_RIGHT = 3,   // right edge `distance` from the parent's right
    ANCHOR_STRETCH_BOTTOM = 4,  // bottom edge `distance` from the parent's bottom
    ANCHOR_MOVE_RIGHT = 13,     // moved, same size, right edge `distance` from the parent's right
};

// Applies an anchoring kind to `control` (coordinates of the same system as
// `parent`, whose right and bottom count). The other edges keep their places.
// Returns false, leaving `control` alone, for a kind not listed above.
bool AnchorRect(int kind, const Rect& parent, int distance, Rect& control);
