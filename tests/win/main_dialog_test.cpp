// RunMainDialog in the test process: the real class, template, procedures
// and loop, watched and closed from a second thread.
#include <cstdlib>
#include <string>
#include <thread>

#include "app/main_dialog.h"
#include "resource_ids.h"
#include "test_dialog.h"
#include "toolkit/dialog.h"
#include "toolkit/main_window.h"

namespace {

const char kClassName[] = "ZRKelvoraCLASS";

// What the watching thread saw of the running main dialog.
struct Seen {
    bool mainWindowFound = false;
    bool smallIconSet = false;
    bool listSubclassed = false;
    LRESULT busyCursorAnswer = 0;
    LRESULT listContextMenuAnswer = -1;
    HWND defaultButton = nullptr;
    HWND touchButton = nullptr;
    int focusId = 0;
};

// The test program's own arguments are not meant for the dialog.
class NoArguments {
public:
    NoArguments() : count_(__argc) { __argc = 1; }
    ~NoArguments() { __argc = count_; }

private:
    int count_;
};

void ForgetMainClass()
{
    SetMainWindow(nullptr);
    UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
}

// Waits for the initialised main dialog, looks at it, then closes it.
void WatchAndClose(Seen& seen, UINT closeMessage, WPARAM closeWParam)
{
    HWND main = nullptr;
    for (int waited = 0; waited < 10000 && !main; waited += 20) {
        Sleep(20);
        HWND candidate = FindWindowA(kClassName, nullptr);
        char caption[128] = {};
        if (candidate && GetWindowTextA(candidate, caption, sizeof caption) &&
            std::string(caption).find(" - v") != std::string::npos)
            main = candidate;
    }
    if (!main)
        return;
    seen.mainWindowFound = true;
    seen.smallIconSet = SendMessageA(main, WM_GETICON, ICON_SMALL, 0) != 0;
    HWND list = GetDlgItem(main, IDC_RESULT_LIST);
    seen.listSubclassed = GetWindowLongPtrA(list, GWLP_WNDPROC) ==
                          reinterpret_cast<LONG_PTR>(ResultListProc);
    seen.listContextMenuAnswer = SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                                              MAKELPARAM(20, 20));
    seen.busyCursorAnswer = SendMessageA(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(main),
                                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    seen.touchButton = GetDlgItem(main, IDC_TOUCH_BUTTON);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
    seen.focusId = GetDlgCtrlID(info.hwndFocus);
    PostMessageA(main, closeMessage, closeWParam, 0);
}

}  // namespace

TEST(RunMainDialog, RunsUntilClosedAndReturnsZero)
{
    ForgetMainClass();
    NoArguments noArguments;
    Seen seen;
    std::thread watcher(WatchAndClose, std::ref(seen), WM_CLOSE, 0);
    const int quitCode = RunMainDialog(GetModuleHandleA(nullptr), SW_SHOWDEFAULT);
    watcher.join();
    EXPECT_EQ(quitCode, 0);
    ASSERT_TRUE(seen.mainWindowFound);
    EXPECT_TRUE(seen.smallIconSet);
    EXPECT_TRUE(seen.listSubclassed);
    EXPECT_EQ(seen.listContextMenuAnswer, 0);
    EXPECT_EQ(seen.focusId, IDC_TOUCH_BUTTON);
    // Not busy: WM_SETCURSOR goes to the default procedure, which sets the
    // class cursor and answers FALSE for the client area.
    EXPECT_EQ(seen.busyCursorAnswer, 0);
    ForgetMainClass();
}

TEST(RunMainDialog, BusyFlagShowsTheStartingCursor)
{
    ForgetMainClass();
    NoArguments noArguments;
    Dialog(1, 0, "WAIT", -1, -1, -1, -1);
    Seen seen;
    std::thread watcher(WatchAndClose, std::ref(seen), WM_COMMAND, IDM_FILE_QUIT);
    const int quitCode = RunMainDialog(GetModuleHandleA(nullptr), SW_SHOWDEFAULT);
    watcher.join();
    Dialog(1, 0, "ARROW", -1, -1, -1, -1);
    EXPECT_EQ(quitCode, 0);
    ASSERT_TRUE(seen.mainWindowFound);
    EXPECT_EQ(seen.busyCursorAnswer, 1);
    ForgetMainClass();
}

TEST(RunMainDialog, FailsWhenTheClassCannotBeRegistered)
{
    ForgetMainClass();
    // Another class of that name is already there.
    WNDCLASSEXA taken = {};
    taken.cbSize = sizeof taken;
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = GetModuleHandleA(nullptr);
    taken.lpszClassName = kClassName;
    ASSERT_NE(RegisterClassExA(&taken), 0);
    EXPECT_EQ(RunMainDialog(GetModuleHandleA(nullptr), SW_SHOWDEFAULT), -1);
    EXPECT_EQ(FindWindowA(kClassName, nullptr), nullptr);
    ForgetMainClass();
}

TEST_F(MainDialogTest, FindDefaultButtonIsTouch)
{
    EXPECT_EQ(FindDefaultButton(), Item(IDC_TOUCH_BUTTON));
    // Without a default push button there is none.
    SetWindowLongA(Item(IDC_TOUCH_BUTTON), GWL_STYLE,
                   (GetWindowLongA(Item(IDC_TOUCH_BUTTON), GWL_STYLE) & ~0xF) | BS_PUSHBUTTON);
    EXPECT_EQ(FindDefaultButton(), nullptr);
}
