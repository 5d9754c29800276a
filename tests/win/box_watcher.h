// Watches, from a second thread, for a message box or dialog that the test
// thread shows modally (optionally only one with a given caption): records
// its caption, message, owner and rectangle, then closes it so that the test
// thread's call returns.
#pragma once

#include <windows.h>

#include <string>
#include <thread>

struct SeenBox {
    bool seen = false;
    std::string caption;
    std::string text;      // a message box's message
    HWND owner = nullptr;
    RECT rect = {};
};

namespace box_watcher_detail {

struct Search {
    DWORD processId;
    const std::string* caption;
    HWND found;
};

inline std::string TextOf(HWND window)
{
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

inline BOOL CALLBACK FindDialog(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (owner != search->processId || !IsWindowVisible(window) || lstrcmpA(name, "#32770") != 0)
        return TRUE;
    if (!search->caption->empty() && TextOf(window) != *search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace box_watcher_detail

// Starts watching at construction; Wait() joins and returns what was seen
// (nothing when no box came within `timeoutMs`).
class BoxWatcher {
public:
    explicit BoxWatcher(int timeoutMs = 10000) : BoxWatcher(std::string(), timeoutMs) {}

    explicit BoxWatcher(const std::string& caption, int timeoutMs = 10000)
        : caption_(caption), thread_([this, timeoutMs] { Watch(timeoutMs); })
    {
    }

    ~BoxWatcher()
    {
        if (thread_.joinable())
            thread_.join();
    }

    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    SeenBox Wait()
    {
        if (thread_.joinable())
            thread_.join();
        return box_;
    }

private:
    void Watch(int timeoutMs)
    {
        using namespace box_watcher_detail;
        for (int waited = 0; waited <= timeoutMs; waited += 20) {
            Search search = {GetCurrentProcessId(), &caption_, nullptr};
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
        box_.caption = box_watcher_detail::TextOf(box);
        HWND message = GetDlgItem(box, 0xFFFF);
        box_.text = message ? box_watcher_detail::TextOf(message) : std::string();
        box_.owner = GetWindow(box, GW_OWNER);
        GetWindowRect(box, &box_.rect);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        PostMessageA(box, WM_CLOSE, 0, 0);
    }

    std::string caption_;
    SeenBox box_;
    std::thread thread_;
};
