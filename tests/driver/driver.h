// Drives a running Kelvora.exe from another process: start it, find its
// windows, read and set controls, click, type, handle its message boxes,
// resize it, close it and read its exit code. Texts are cp1252.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "wait_until.h"

namespace driver {

// A started program; ended (killed if still running) when it goes out of scope.
struct Process {
    HANDLE handle = nullptr;
    DWORD id = 0;
    HWND main = nullptr;   // the main dialog, once found

    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();
};

// The path of Kelvora.exe in the build tree.
std::string KelvoraPath();

// Starts `exe` with the command-line `arguments` and an environment without
// TZ (so the C runtime takes the zone from the system). Returns false when
// it cannot be started.
bool Start(Process& process, const std::string& arguments, const std::string& exe = KelvoraPath());

// Waits up to `timeoutMs` for a visible top-level window of the process with
// class "ZRKelvoraCLASS" whose caption is final (contains " - v"); stores it
// in process.main.
bool WaitMainWindow(Process& process, int timeoutMs = 30000);

// Waits up to `timeoutMs` for the process to end; returns its exit code, or
// -1 when it is still running.
int WaitExit(Process& process, int timeoutMs = 30000);

// Ends the process if still running and releases the handle.
void Kill(Process& process);

// A control of the main dialog.
HWND Control(const Process& process, int id);

// Text of any window (WM_GETTEXT, read as Unicode and converted to cp1252).
std::string Text(HWND window);
std::string ControlText(const Process& process, int id);
void SetControlText(const Process& process, int id, const std::string& text);

// BM_GETCHECK of a button: 0, 1 or 2.
int CheckState(const Process& process, int id);
void SetCheck(const Process& process, int id, int state);

// Number of lines of list box 1004 (or any list box id), one message.
int LineCount(const Process& process, int id = 1004);

// Lines of list box 1004 (or any list box id).
std::vector<std::string> ListLines(const Process& process, int id = 1004);

// Position of progress bar 1011.
int ProgressPosition(const Process& process, int id = 1011);

// Text of part 0 of status bar 1003.
std::string StatusText(const Process& process, int id = 1003);

// Posts a click on a button (WM_COMMAND BN_CLICKED to the main window); returns at once.
void Click(const Process& process, int id);

// Posts a menu command to the main window.
void MenuCommand(const Process& process, int command);

// Posts WM_CLOSE to the main window.
void PostClose(const Process& process);

// Sends a key press and release to a window through the thread input (posted
// WM_KEYDOWN/WM_KEYUP, so the message loop's dialog handling sees them).
void PressKey(HWND window, UINT virtualKey);

// The window that has the keyboard focus in the process's GUI thread.
HWND FocusWindow(const Process& process);

// A visible top-level dialog window of the process (class "#32770"): a
// message box or the folder browser.
struct Box {
    HWND window = nullptr;
    std::string caption;
    std::string text;      // a message box's message, "" for other dialogs
};

// Waits up to `timeoutMs` for a box; returns false on time-out.
bool WaitBox(const Process& process, Box& box, int timeoutMs = 30000);

// The same for a box with the given caption, whatever other dialogs are up.
bool WaitBoxWithCaption(const Process& process, const std::string& caption, Box& box, int timeoutMs = 30000);

// Clicks OK (or the given button id) of a box and waits until it is gone;
// false when it is still there after `timeoutMs`.
bool CloseBox(const Box& box, int buttonId = IDOK, int timeoutMs = 30000);

// Window rectangle in screen coordinates, and a control's rectangle in the
// main window's client coordinates.
RECT WindowRect(HWND window);
RECT ControlRect(const Process& process, int id);
RECT ClientRect(HWND window);

// Resizes the main window to outer size width x height (SetWindowPos, no move).
void ResizeMain(const Process& process, int width, int height);

// Waits until the program's thread has handled every message sent or posted
// to any of its windows before the call (clicks, keys, commands, closes), and
// the messages those handlers posted in turn. A handler that opened a modal
// box or the folder browser counts as handled once the box is up, so right
// after Sync a box is either there or was never asked for. False when the
// program did not get there within `timeoutMs`.
bool Sync(const Process& process, int timeoutMs = 30000);

// Polls `condition` until it holds or `timeoutMs` passes.
template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 30000)
{
    return WaitUntil(condition, timeoutMs);
}

// True when the process shows a box right now; fills `box` when given.
bool BoxShown(const Process& process, Box* box = nullptr);

// Runs a Linux command line through /bin/sh (Wine starts Unix programs);
// returns its exit code, -1 when it cannot be started.
int RunUnix(const std::string& shellCommand);

// Windows path (Z:\...) of a Linux path and back.
std::string WindowsPath(const std::string& unixPath);

}  // namespace driver
