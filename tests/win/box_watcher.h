// Watches, from a second thread, for a message box or dialog that the test
// thread shows modally (optionally only one with a given caption): records
// its caption, message, owner and rectangle, then closes it so that the test
// thread's call returns.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "wait_until.h"

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
    const std::string* caption;   // nullptr: any caption
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
    if (search->caption && !search->caption->empty() && TextOf(window) != *search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

// A visible dialog of this process, with `caption` unless that is null or empty.
inline HWND FindBox(const std::string* caption)
{
    Search search = {GetCurrentProcessId(), caption, nullptr};
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline void Close(HWND box)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PostMessageA(box, WM_CLOSE, 0, 0);
}

}  // namespace box_watcher_detail

// Starts watching at construction and goes on until the first box with the
// caption has been seen and closed, or until Wait(). Wait() stops the watch
// and returns what was seen. As the box is modal to the test thread, a call
// that shows one has shown it by the time it returns: Wait() right after the
// call tells exactly whether it did.
//
// A dialog with another caption that stays up longer than `strayMs` would
// leave the test thread blocked: it is closed and reported as a failure.
class BoxWatcher {
public:
    explicit BoxWatcher(const std::string& caption = std::string(), int strayMs = 5000)
        : caption_(caption), strayMs_(strayMs), thread_([this] { Watch(); })
    {
    }

    ~BoxWatcher() { Stop(); }

    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    SeenBox Wait()
    {
        Stop();
        return box_;
    }

private:
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }

    void Watch()
    {
        using namespace box_watcher_detail;
        HWND stray = nullptr;
        DWORD straySince = 0;
        while (!stop_) {
            if (HWND box = FindBox(&caption_)) {
                Record(box);
                return;
            }
            HWND other = FindBox(nullptr);
            if (other != stray) {
                stray = other;
                straySince = GetTickCount();
            } else if (stray && GetTickCount() - straySince >= static_cast<DWORD>(strayMs_)) {
                ADD_FAILURE() << "a box \"" << TextOf(stray) << "\" stayed up while the test awaited \""
                              << caption_ << "\"; closed";
                Close(stray);
                stray = nullptr;
            }
            Sleep(kPollIntervalMs);
        }
    }

    void Record(HWND box)
    {
        using namespace box_watcher_detail;
        // The box is visible once its initialisation (and any centring) has
        // run; its place is read when it has stopped moving.
        RECT rect = {-1, -1, -1, -1};   // no window's rectangle: the first look never matches
        WaitUntil([&] {
            RECT now = {};
            GetWindowRect(box, &now);
            const bool still = EqualRect(&now, &rect) != FALSE;
            rect = now;
            return still;
        }, 1000);
        box_.caption = TextOf(box);
        HWND message = GetDlgItem(box, 0xFFFF);
        box_.text = message ? TextOf(message) : std::string();
        box_.owner = GetWindow(box, GW_OWNER);
        box_.rect = rect;
        box_.seen = true;
        Close(box);
    }

    std::string caption_;
    int strayMs_;
    std::atomic<bool> stop_{false};
    SeenBox box_;
    std::thread thread_;
};
