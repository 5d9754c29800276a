#include "toolkit/object_pos.h"

#include <cstdio>
#include <cstring>

#include "toolkit/dialog.h"
#include "toolkit/geometry.h"
#include "toolkit/main_window.h"

namespace {

// The toolkit's box for a number outside a routine's list: no owner, so the
// system places it.
void ShowUnknownNumber(const char* before, int number, const char* after, const char* caption)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s%d%s", before, number, after);
    MessageBoxA(nullptr, text, caption, MB_TASKMODAL | MB_ICONERROR);
}

// The window that an identifier designates: the main window for -2, -1 and
// 0, otherwise the control with the identifier's absolute value.
HWND WindowOf(int id)
{
    if (id >= -2 && id <= 0)
        return MainWindow();
    return FindControl(id < 0 ? -id : id);
}

// The rectangle that an identifier designates, in the coordinates that go with it.
RECT ReadRect(int id, HWND window)
{
    RECT rect = {};
    if (!window)
        return rect;
    switch (id) {
    case -2:
        GetWindowRect(window, &rect);
        return rect;
    case -1:
        GetClientRect(window, &rect);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    case 0:
        GetClientRect(window, &rect);
        return rect;
    default:
        GetWindowRect(window, &rect);
        if (id > 0)
            MapWindowPoints(nullptr, MainWindow(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
}

Rect MarginsOf(HWND window)
{
    Rect margins;
    FrameMargins(window, margins.top, margins.left, margins.bottom, margins.right);
    return margins;
}

// Moves the main window and keeps the status bar along its bottom; returns the move's result.
int MoveMain(HWND window, int x, int y, int width, int height)
{
    const int moved = MoveWindow(window, x, y, width, height, TRUE);
    DockStatusBar();
    return moved;
}

int WriteRect(int id, HWND window, int top, int left, int width, int height)
{
    if (!window)
        return 0;
    if (id == -2)
        return MoveMain(window, left, top, width, height);
    if (id == -1 || id == 0) {
        // The values give the client area, in screen coordinates (-1) or
        // relative to the window's present position (0).
        const Rect margins = MarginsOf(window);
        const int outerWidth = width + margins.left + margins.right;
        const int outerHeight = height + margins.top + margins.bottom;
        if (id == -1)
            return MoveMain(window, left - margins.left, top - margins.top, outerWidth, outerHeight);
        RECT outer = {};
        GetWindowRect(window, &outer);
        return MoveMain(window, outer.left + left, outer.top + top, outerWidth, outerHeight);
    }
    RECT rect = {left, top, left + width, top + height};
    MapWindowPoints(id > 0 ? MainWindow() : nullptr, GetParent(window),
                    reinterpret_cast<POINT*>(&rect), 2);
    return MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                      TRUE);
}

HWND StatusBarOf(HWND main)
{
    HWND child = GetWindow(GetWindow(main, GW_CHILD), GW_HWNDLAST);
    for (; child; child = GetWindow(child, GW_HWNDPREV)) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        if (std::strcmp(name, "msctls_statusbar32") == 0)
            return child;
    }
    return nullptr;
}

}  // namespace

int _ObjectPos(int mode, int id, int& top, int& left, int& width, int& height, int& right,
               int& bottom, HWND& window)
{
    if (mode != 0 && mode != 1) {
        ShowUnknownNumber("Mode '", mode, "' inconnu !", "'_ObjectPos'");
        return 0;
    }
    window = WindowOf(id);
    const bool keeps = top == -1 || left == -1 || width == -1 || height == -1;
    RECT read = {};
    if (mode == 0 || keeps)
        read = ReadRect(id, window);
    const int values[6] = {read.top, read.left, read.right - read.left, read.bottom - read.top,
                           read.right, read.bottom};
    int* const arguments[6] = {&top, &left, &width, &height, &right, &bottom};
    for (int i = 0; i < 6; ++i) {
        if (mode == 0 || *arguments[i] == -1)
            *arguments[i] = values[i];
    }
    if (mode == 0)
        return 1;
    return WriteRect(id, window, top, left, width, height);
}

int DeplaceObjet(int kind, int control, int parent, int distance, int, int, int, int)
{
    if (kind != ANCHOR_STRETCH_RIGHT && kind != ANCHOR_STRETCH_BOTTOM && kind != ANCHOR_MOVE_RIGHT) {
        ShowUnknownNumber("M\xE9thode '", kind, "' inconnue !", "'DeplaceObjet'");
        return 0;
    }
    HWND window = nullptr;
    Rect outer;
    int width = 0;
    int height = 0;
    _ObjectPos(0, parent, outer.top, outer.left, width, height, outer.right, outer.bottom, window);

    int top = 0;
    int left = 0;
    int right = 0;
    int bottom = 0;
    _ObjectPos(0, control, top, left, width, height, right, bottom, window);
    Rect placed{left, top, left + width, top + height};
    AnchorRect(kind, outer, distance, placed);

    top = placed.top;
    left = placed.left;
    width = placed.right - placed.left;
    height = placed.bottom - placed.top;
    return _ObjectPos(1, control, top, left, width, height, right, bottom, window);
}

void DockStatusBar()
{
    HWND main = MainWindow();
    HWND statusBar = StatusBarOf(main);
    if (!statusBar)
        return;
    RECT bar = {};
    GetWindowRect(statusBar, &bar);
    const int height = bar.bottom - bar.top;
    RECT client = {};
    GetClientRect(main, &client);
    MoveWindow(statusBar, client.left, client.bottom - height, client.right - client.left, height,
               TRUE);
}

void FrameMargins(HWND window, int& top, int& left, int& bottom, int& right)
{
    RECT outer = {};
    GetWindowRect(window, &outer);
    RECT client = {};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    top = client.top - outer.top;
    left = client.left - outer.left;
    bottom = outer.bottom - client.bottom;
    right = outer.right - client.right;
}
