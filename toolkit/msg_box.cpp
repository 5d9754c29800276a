#include "toolkit/msg_box.h"

#include <shellapi.h>

#include <string>

#include "toolkit/geometry.h"
#include "toolkit/main_window.h"

namespace {

// The armed centring hook, null while nothing is armed, and the dialog it has
// subclassed for this arming (null until that dialog starts initialising).
HHOOK g_centringHook = nullptr;
HWND g_centringDialog = nullptr;

// Set once the pump has taken a quit request.
bool g_quitRequested = false;
bool g_pumpTookMessage = false;

// Each centred dialog keeps its own previous procedure in a window property,
// so two centred dialogs alive at once never share one.
const char kPreviousProcProperty[] = "KelvoraCentringPreviousProc";

void Disarm()
{
    if (g_centringHook)
        UnhookWindowsHookEx(g_centringHook);
    g_centringHook = nullptr;
    g_centringDialog = nullptr;
}

Rect ToRect(const RECT& rect)
{
    return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

// The desktop rectangle cut at the taskbar, as the shell reports it.
Rect WorkArea()
{
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    APPBARDATA taskbar = {};
    taskbar.cbSize = sizeof taskbar;
    taskbar.uEdge = static_cast<UINT>(-1);
    if (!SHAppBarMessage(ABM_GETTASKBARPOS, &taskbar))
        return ToRect(desktop);
    return WorkAreaFromTaskbar(ToRect(desktop), static_cast<int>(taskbar.uEdge), ToRect(taskbar.rc));
}

LRESULT CALLBACK CentringProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto previous = reinterpret_cast<WNDPROC>(GetPropA(window, kPreviousProcProperty));
    const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
    if (message == WM_INITDIALOG && window == g_centringDialog) {
        PlaceWindow(window);
        Disarm();
    }
    if (message == WM_NCDESTROY) {
        if (window == g_centringDialog)
            Disarm();
        RemovePropA(window, kPreviousProcProperty);
    }
    return result;
}

LRESULT CALLBACK CentringHook(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && !g_centringDialog) {
        g_centringDialog = call->hwnd;
        const LONG_PTR previous = SetWindowLongPtrA(call->hwnd, GWLP_WNDPROC,
                                                    reinterpret_cast<LONG_PTR>(CentringProc));
        SetPropA(call->hwnd, kPreviousProcProperty, reinterpret_cast<HANDLE>(previous));
    }
    return CallNextHookEx(g_centringHook, code, wParam, lParam);
}

int ShowBox(const Text& text, const char* caption, UINT type)
{
    CenterNextDialog(1);
    return MessageBoxA(MainWindow(), text.c_str(), caption, type);
}

}  // namespace

int MsgInfo(const Text& text)
{
    return ShowBox(text, "Info", MB_TASKMODAL | MB_ICONINFORMATION);
}

int MsgErreur(const Text& text)
{
    return ShowBox(text, "Erreur", MB_TASKMODAL | MB_ICONERROR);
}

LRESULT PumpMessage()
{
    MSG message = {};
    g_pumpTookMessage = PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
    if (!g_pumpTookMessage)
        return 0;
    // A quit request belongs to the main loop: put it back and remember it,
    // so the loop still ends once the caller of the pump returns.
    if (message.message == WM_QUIT) {
        g_quitRequested = true;
        PostQuitMessage(static_cast<int>(message.wParam));
        return 0;
    }
    TranslateMessage(&message);
    return DispatchMessageA(&message);
}

bool QuitRequested()
{
    return g_quitRequested;
}

bool LastPumpTookMessage()
{
    return g_pumpTookMessage;
}

int UnknownMethod(const char* caption, int code)
{
    const Text message = "M\xE9thode \xAB" + std::to_string(code) + "\xBB inconnue !";
    MessageBoxA(nullptr, message.c_str(), caption, MB_ICONWARNING);
    return 0;
}

int CenterNextDialog(int flag)
{
    if (flag != 1 || g_centringHook)
        return flag;
    g_centringHook = SetWindowsHookExA(WH_CALLWNDPROC, CentringHook, nullptr, GetCurrentThreadId());
    return flag;
}

void PlaceWindow(HWND window)
{
    RECT outer = {};
    GetWindowRect(window, &outer);
    const Rect workArea = WorkArea();
    Rect reference = workArea;
    HWND main = MainWindow();
    RECT mainRect = {};
    if (main && IsWindow(main) && GetWindowRect(main, &mainRect))
        reference = ToRect(mainRect);
    const Rect placed = PlaceRect(ToRect(outer), reference, workArea);
    MoveWindow(window, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, TRUE);
}
