// Watches for a message box with a given caption from a helper thread, notes
// its text and owner, and closes it with OK, so that a test can call a
// routine that shows a modal box.
#pragma once

#include <windows.h>

#include <string>

struct BoxWatcher {
    explicit BoxWatcher(const std::string& caption) : caption(caption)
    {
        thread = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
    }
    ~BoxWatcher() { Finish(); }
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    // Waits for the helper thread (it gives up 10 seconds after it started).
    void Finish()
    {
        if (!thread)
            return;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = nullptr;
    }

    std::string caption;
    bool seen = false;
    std::string text;     // the texts of the box's static controls, joined
    HWND owner = nullptr;
    HANDLE thread = nullptr;

private:
    static BOOL CALLBACK AddStaticText(HWND child, LPARAM data)
    {
        char name[32] = {};
        GetClassNameA(child, name, sizeof name);
        char text[512] = {};
        if (std::string(name) == "Static" && GetWindowTextA(child, text, sizeof text) > 0)
            *reinterpret_cast<std::string*>(data) += text;
        return TRUE;
    }

    static DWORD WINAPI Watch(void* data)
    {
        BoxWatcher& watcher = *static_cast<BoxWatcher*>(data);
        for (int waited = 0; waited < 10000; waited += 20) {
            HWND box = FindWindowA("#32770", watcher.caption.c_str());
            if (box && IsWindowVisible(box)) {
                watcher.seen = true;
                watcher.owner = GetWindow(box, GW_OWNER);
                EnumChildWindows(box, AddStaticText, reinterpret_cast<LPARAM>(&watcher.text));
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return 0;
            }
            Sleep(20);
        }
        return 1;
    }
};
