#include "app/layout.h"

#include <windows.h>

#include "resource_ids.h"
#include "toolkit/geometry.h"
#include "toolkit/main_window.h"
#include "toolkit/object_pos.h"

namespace {

enum LayoutMode { LAYOUT_UNDECIDED = 0, LAYOUT_ON = 1, LAYOUT_OFF = -1 };

// What the layout has decided and measured, for one main window.
struct LayoutState {
    HWND window = nullptr;   // the main window these values belong to
    int mode = LAYOUT_UNDECIDED;
    bool running = false;
    int minimumWidth = 0;
    int minimumHeight = 0;
};

LayoutState g_layout;

struct AnchorRule {
    int control;
    int kind;
    int distance;
};

// Applied in this order: the browse buttons follow the right edge, the folder
// fields, the progress bar and the result list stretch to it, and the result
// list also stretches down to the bottom.
const AnchorRule kAnchorRules[] = {
    {IDC_BROWSE_ORIGINALS, ANCHOR_MOVE_RIGHT, 5},
    {IDC_BROWSE_COPIES, ANCHOR_MOVE_RIGHT, 5},
    {IDC_ORIGINALS_FOLDER, ANCHOR_STRETCH_RIGHT, 40},
    {IDC_COPIES_FOLDER, ANCHOR_STRETCH_RIGHT, 40},
    {IDC_PROGRESS_BAR, ANCHOR_STRETCH_RIGHT, 5},
    {IDC_RESULT_LIST, ANCHOR_STRETCH_RIGHT, 5},
    {IDC_RESULT_LIST, ANCHOR_STRETCH_BOTTOM, 24},
};

// Decides once whether the window lays itself out: only a window with a
// sizing border does. A notification that comes before the main window is
// known decides nothing.
void DecideMode()
{
    HWND main = MainWindow();
    if (!main)
        return;
    const LONG style = GetWindowLongA(main, GWL_STYLE);
    g_layout.mode = (style & WS_THICKFRAME) ? LAYOUT_ON : LAYOUT_OFF;
}

// Gives the main window a client area of width x height without moving it.
void SetClientSize(int width, int height)
{
    int top = -1;
    int left = -1;
    int right = -1;
    int bottom = -1;
    HWND window = nullptr;
    _ObjectPos(1, 0, top, left, width, height, right, bottom, window);
}

}  // namespace

void LayoutMainDialog(int, int width, int height)
{
    // A new main window is laid out afresh: its own decision, its own minimum.
    if (g_layout.window != MainWindow() && !g_layout.running) {
        g_layout = LayoutState();
        g_layout.window = MainWindow();
    }
    if (g_layout.mode == LAYOUT_UNDECIDED)
        DecideMode();
    if (g_layout.mode != LAYOUT_ON || g_layout.running)
        return;
    g_layout.running = true;

    if (g_layout.minimumWidth + g_layout.minimumHeight == 0) {
        g_layout.minimumWidth = width;
        g_layout.minimumHeight = height;
    }
    if (width < g_layout.minimumWidth)
        width = g_layout.minimumWidth;
    if (height < g_layout.minimumHeight)
        height = g_layout.minimumHeight;

    // Moving the window sends WM_SIZE again at once; the running flag ignores it.
    SetClientSize(width, height);
    for (const AnchorRule& rule : kAnchorRules)
        DeplaceObjet(rule.kind, rule.control, 0, rule.distance, -1, -1, -1, -1);
    SetClientSize(width, height);

    g_layout.running = false;
}
