// Watches, from a second thread, for a message box or dialog that the test
// thread shows modally: records its caption, text and rectangle, then closes
// it so the test thread's call returns.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

struct SeenBox {
    bool seen = false;
    std::string caption;
    std::string text;
    RECT rect = {};
};

namespace box_watch_detail {

struct Search {
    DWORD processId;
    HWND found;
};

inline BOOL CALLBACK FindDialog(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (owner != search->processId || !IsWindowVisible(window) || lstrcmpA(name, "#32770") != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

inline std::string TextOf(HWND window)
{
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

}  // namespace box_watch_detail

// Starts watching at construction; Wait() joins and returns what was seen
// (nothing when no box came within `timeoutMs`).
class BoxWatcher {
public:
    explicit BoxWatcher(int timeoutMs = 10000)
        : thread_([this, timeoutMs] { Watch(timeoutMs); })
    {
    }

    ~BoxWatcher()
    {
        if (thread_.joinable())
            thread_.join();
    }

    SeenBox Wait()
    {
        if (thread_.joinable())
            thread_.join();
        return box_;
    }

private:
    void Watch(int timeoutMs)
    {
        using namespace box_watch_detail;
        for (int waited = 0; waited <= timeoutMs; waited += 20) {
            Search search = {GetCurrentProcessId(), nullptr};
            EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
            if (search.found) {
                Record(search.found);
                return;
            }
            Sleep(20);
        }
    }

    void Record(HWND box)
    {
        // Let the box finish its initialisation (and any centring) first.
        Sleep(200);
        box_.seen = true;
        box_.caption = box_watch_detail::TextOf(box);
        HWND message = GetDlgItem(box, 0xFFFF);
        box_.text = message ? box_watch_detail::TextOf(message) : std::string();
        GetWindowRect(box, &box_.rect);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        PostMessageA(box, WM_CLOSE, 0, 0);
    }

    SeenBox box_;
    std::thread thread_;
};
