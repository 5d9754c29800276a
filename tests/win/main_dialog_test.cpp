// RunMainDialog in the test process: the real class, template, procedures
// and loop, watched and closed from a second thread.
#include <atomic>
#include <string>
#include <thread>

#include "app/main_dialog.h"
#include "resource_ids.h"
#include "test_dialog.h"
#include "toolkit/dialog.h"
#include "toolkit/main_window.h"
#include "wait_until.h"

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

// How long the watcher waits for the main dialog to come up, and then to go
// once told to close.
const int kWatchDeadlineMs = 30000;

HWND FindInitialisedMainDialog()
{
    HWND candidate = FindWindowA(kClassName, nullptr);
    char caption[128] = {};
    if (candidate && GetWindowTextA(candidate, caption, sizeof caption) &&
        std::string(caption).find(" - v") != std::string::npos)
        return candidate;
    return nullptr;
}

// Waits for the initialised main dialog, looks at it, then closes it with
// `closeMessage`. When the dialog does not come up, or does not go, within
// the deadline, the test thread's loop is ended with WM_QUIT and the failure
// is recorded, so that the test fails instead of hanging.
class MainDialogWatcher {
public:
    MainDialogWatcher(UINT closeMessage, WPARAM closeWParam)
        : testThread_(GetCurrentThreadId()),
          thread_([this, closeMessage, closeWParam] { Watch(closeMessage, closeWParam); })
    {
    }

    // Called once RunMainDialog has returned; returns what was seen.
    Seen Join()
    {
        returned_ = true;
        thread_.join();
        // A WM_QUIT posted by the watcher too late for the loop is dropped.
        MSG message;
        while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        return seen_;
    }

    bool closedInTime() const { return closedInTime_; }

private:
    void Watch(UINT closeMessage, WPARAM closeWParam)
    {
        HWND main = nullptr;
        if (!WaitUntil([&] { return returned_ || (main = FindInitialisedMainDialog()) != nullptr; },
                       kWatchDeadlineMs) ||
            !main) {
            if (!returned_)
                PostThreadMessageA(testThread_, WM_QUIT, 99, 0);
            return;
        }
        Look(main);
        PostMessageA(main, closeMessage, closeWParam, 0);
        closedInTime_ = WaitUntil([&] { return returned_.load(); }, kWatchDeadlineMs);
        if (!closedInTime_)
            PostThreadMessageA(testThread_, WM_QUIT, 99, 0);
    }

    void Look(HWND main)
    {
        seen_.mainWindowFound = true;
        seen_.smallIconSet = SendMessageA(main, WM_GETICON, ICON_SMALL, 0) != 0;
        HWND list = GetDlgItem(main, IDC_RESULT_LIST);
        seen_.listSubclassed = GetWindowLongPtrA(list, GWLP_WNDPROC) ==
                               reinterpret_cast<LONG_PTR>(ResultListProc);
        seen_.listContextMenuAnswer = SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                                                   MAKELPARAM(20, 20));
        seen_.busyCursorAnswer = SendMessageA(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(main),
                                              MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        seen_.touchButton = GetDlgItem(main, IDC_TOUCH_BUTTON);
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
        seen_.focusId = GetDlgCtrlID(info.hwndFocus);
    }

    const DWORD testThread_;
    std::atomic<bool> returned_{false};
    bool closedInTime_ = false;
    Seen seen_;
    std::thread thread_;
};

}  // namespace

TEST(RunMainDialog, RunsUntilClosedAndReturnsZero)
{
    ForgetMainClass();
    NoArguments noArguments;
    MainDialogWatcher watcher(WM_CLOSE, 0);
    const int quitCode = RunMainDialog(GetModuleHandleA(nullptr), SW_SHOWDEFAULT);
    const Seen seen = watcher.Join();
    ASSERT_TRUE(seen.mainWindowFound) << "no initialised main dialog within the deadline";
    EXPECT_TRUE(watcher.closedInTime()) << "WM_CLOSE did not end the dialog";
    EXPECT_EQ(quitCode, 0);
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
    MainDialogWatcher watcher(WM_COMMAND, IDM_FILE_QUIT);
    const int quitCode = RunMainDialog(GetModuleHandleA(nullptr), SW_SHOWDEFAULT);
    const Seen seen = watcher.Join();
    Dialog(1, 0, "ARROW", -1, -1, -1, -1);
    ASSERT_TRUE(seen.mainWindowFound) << "no initialised main dialog within the deadline";
    EXPECT_TRUE(watcher.closedInTime()) << "the menu's Quitter did not end the dialog";
    EXPECT_EQ(quitCode, 0);
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
