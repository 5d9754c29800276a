#include "toolkit/window_act.h"

#include <vector>

#include "toolkit/msg_box.h"

namespace {

// The child-window registry: slots 1 to the upper bound hold handles (null =
// free); slot 0 is never used, so one element means an empty registry.
std::vector<HWND> g_children(1, nullptr);

void SetCaption(HWND window, const Text& text)
{
    // One NUL after the text: the caption ends there whatever the text holds.
    Text caption = text;
    caption.push_back('\0');
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()));
}

// Shows each registered window that still exists and makes it active and
// foreground; frees the slots of those that are gone. Returns how many were shown.
int BringChildrenForward()
{
    int shown = 0;
    for (size_t slot = 1; slot < g_children.size(); ++slot) {
        HWND child = g_children[slot];
        if (!child)
            continue;
        if (!IsWindow(child)) {
            g_children[slot] = nullptr;
            continue;
        }
        ShowWindow(child, SW_SHOWNORMAL);
        SetActiveWindow(child);
        SetForegroundWindow(child);
        ++shown;
    }
    return shown;
}

}  // namespace

int WindowAct(int command, HWND window, const Text& text, int&, int&, int&, int&)
{
    if (command != 16)
        return UnknownMethod("'WindowAct'", command);
    SetCaption(window, text);
    return 1;
}

int DialogEnfant(int mode, HWND, const Text&)
{
    switch (mode) {
    case 1:
        g_children.assign(1, nullptr);
        return 1;
    case 2:
        return BringChildrenForward();
    default:
        return UnknownMethod("'DialogEnfant'", mode);
    }
}
