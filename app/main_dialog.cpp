#include "app/main_dialog.h"

#include <shellapi.h>

#include "app/command_line.h"
#include "app/folder_choice.h"
#include "app/layout.h"
#include "resource_ids.h"
#include "toolkit/dialog.h"
#include "toolkit/main_window.h"
#include "toolkit/window_act.h"
#include "touch/touch_run.h"

namespace {

HINSTANCE g_instance = nullptr;
HICON g_mainIcon = nullptr;
WNDPROC g_previousListProc = nullptr;

const char kClassName[] = "ZRKelvoraCLASS";
const char kVersion[] = "1.1 (08/11/2011)";
const char kAboutCredits[] =
    "Remise \xE0 l'heure des copies de fichiers d\xE9" "cal\xE9" "es\r\n"
    "d'un nombre fixe d'heures, de minutes ou de secondes.";

const int kAbsent = -1;

bool RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainDialogProc;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN_MENU);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExA(&windowClass) != 0;
}

// The dialog manager wants a dialog procedure; the class procedure is the same
// one, so every message of the main window ends in MainDialogProc.
INT_PTR CALLBACK MainTemplateProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return MainDialogProc(window, message, wParam, lParam);
}

void RunMessageLoop(MSG& message)
{
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(MainWindow(), &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void SetControl(int id, const Text& text)
{
    Dialog(7, id, text, kAbsent, kAbsent, kAbsent, kAbsent);
}

// A click and a double click on the result list, with the LB_ITEMFROMPOINT
// answer: the places for a reaction to a click on a result line. None yet.
void ResultLineClicked(LRESULT) {}
void ResultLineDoubleClicked(LRESULT) {}

// --- Handlers of MainDialogProc, one per message ---------------------------

LRESULT OnBusyCursor()
{
    SetCursor(LoadCursorA(nullptr, IDC_APPSTARTING));
    ShowCursor(TRUE);
    return 1;
}

LRESULT OnInitDialog(HWND window)
{
    SetMainWindow(window);
    g_mainIcon = LoadIconA(g_instance, MAKEINTRESOURCEA(IDI_MAIN_ICON));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_mainIcon));
    HWND list = GetDlgItem(window, IDC_RESULT_LIST);
    g_previousListProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ResultListProc)));
    DialogEnfant(1, nullptr, "");
    // 0: the dialog manager sets no focus; InitMainDialog does.
    return 0;
}

LRESULT OnActivate(HWND window, WPARAM wParam)
{
    SetMainWindow(window);
    const WORD state = LOWORD(wParam);
    if (state == WA_ACTIVE || state == WA_CLICKACTIVE)
        DialogEnfant(2, nullptr, "");
    return 0;
}

void ShowAbout(HWND window)
{
    ShellAboutA(window, "Kelvora", kAboutCredits, nullptr);
}

// A run pumps messages while it works: no second run and no folder browser
// may start inside it.
LRESULT OnCommand(HWND window, WPARAM wParam)
{
    const WORD notification = HIWORD(wParam);
    if (notification > 1)
        return 0;
    switch (LOWORD(wParam)) {
    case IDM_FILE_QUIT:
        SendMessageA(window, WM_CLOSE, 0, 0);
        break;
    case IDM_HELP_ABOUT:
        ShowAbout(window);
        break;
    case IDC_BROWSE_ORIGINALS:
        if (!TouchRunActive())
            ChooseOriginalsFolder();
        break;
    case IDC_BROWSE_COPIES:
        if (!TouchRunActive())
            ChooseCopiesFolder();
        break;
    case IDC_TOUCH_BUTTON:
        if (!TouchRunActive())
            TouchRun();
        break;
    case IDC_QUIT_BUTTON:
        DestroyWindow(window);
        break;
    default:
        break;
    }
    return 0;
}

// For Tab, Shift+Tab and the arrow keys the system's dialog handling asks
// the dialog to move the focus (WM_NEXTDLGCTL); the default window procedure
// ignores that request, so the main dialog moves the focus itself.
LRESULT OnNextControl(HWND window, WPARAM wParam, LPARAM lParam)
{
    HWND next = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                               : GetNextDlgTabItem(window, GetFocus(), wParam != 0);
    if (!next)
        return 0;
    SetFocus(next);
    if (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageA(next, EM_SETSEL, 0, -1);
    return 0;
}

LRESULT OnSize(WPARAM wParam, LPARAM lParam)
{
    LayoutMainDialog(static_cast<int>(wParam), LOWORD(lParam), HIWORD(lParam));
    return 0;
}

LRESULT OnClose(HWND window)
{
    DestroyWindow(window);
    return 0;
}

LRESULT OnDestroy()
{
    // A run that is pumping messages stops before its next file.
    TouchRunRequestStop();
    PostQuitMessage(0);
    return 0;
}

}  // namespace

int RunMainDialog(HINSTANCE instance, int)
{
    g_instance = instance;
    if (!RegisterMainClass(instance))
        return -1;
    if (!CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN_DIALOG), nullptr, MainTemplateProc, 0))
        return -1;
    ShowWindow(MainWindow(), SW_SHOWNORMAL);
    UpdateWindow(MainWindow());
    InitMainDialog();
    MSG message = {};
    RunMessageLoop(message);
    return static_cast<int>(message.wParam);
}

void InitMainDialog()
{
    HWND main = MainWindow();
    int unused = 0;
    WindowAct(16, main, WindowText(main) + " - v" + kVersion, unused, unused, unused, unused);
    ReadCommandLine();
    SetControl(IDC_STATUS_BAR, "Initialisations...");
    SetControl(IDC_ORIGINALS_FOLDER, "");
    SetControl(IDC_COPIES_FOLDER, "");
    SetControl(IDC_SHIFT_EDIT, "1");
    SetControl(IDC_UNIT_HOURS, "1");
    Dialog(4, 0, "", kAbsent, kAbsent, kAbsent, kAbsent);
    SetFocus(FindDefaultButton());
    SetControl(IDC_STATUS_BAR, "Pr\xEAt.");
}

LRESULT CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETCURSOR && IsBusy())
        return OnBusyCursor();
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window);
    case WM_ACTIVATE:
        return OnActivate(window, wParam);
    case WM_COMMAND:
        return OnCommand(window, wParam);
    case WM_NEXTDLGCTL:
        return OnNextControl(window, wParam, lParam);
    case WM_SIZE:
        return OnSize(wParam, lParam);
    case WM_CLOSE:
        return OnClose(window);
    case WM_DESTROY:
        return OnDestroy();
    case WM_KEYDOWN:
    case WM_CONTEXTMENU:
    case WM_VSCROLL:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK ResultListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONUP:
        ResultLineClicked(SendMessageA(window, LB_ITEMFROMPOINT, 0, lParam));
        break;
    case WM_LBUTTONDBLCLK:
        ResultLineDoubleClicked(SendMessageA(window, LB_ITEMFROMPOINT, 0, lParam));
        break;
    case WM_CONTEXTMENU:
        return 0;
    default:
        break;
    }
    return CallWindowProcA(g_previousListProc, window, message, wParam, lParam);
}

HWND FindDefaultButton()
{
    HWND main = MainWindow();
    if (!main)
        return nullptr;
    HWND top = GetWindow(main, GW_CHILD);
    if (!top)
        return nullptr;
    for (HWND child = GetWindow(top, GW_HWNDLAST); child; child = GetWindow(child, GW_HWNDPREV)) {
        char name[16] = {};
        GetClassNameA(child, name, sizeof name);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (lstrcmpA(name, "Button") == 0 && (style & 0xF) == BS_DEFPUSHBUTTON)
            return child;
    }
    return nullptr;
}
