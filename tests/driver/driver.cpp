#include "driver/driver.h"

#include <commctrl.h>

#include "linux_shell.h"

#include <cstdio>
#include <cstring>

namespace driver {

namespace {

std::string ToAnsi(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    const int size = WideCharToMultiByte(1252, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(1252, 0, wide.data(), static_cast<int>(wide.size()), &result[0], size,
                        nullptr, nullptr);
    return result;
}

std::wstring ToWide(const std::string& ansi)
{
    if (ansi.empty())
        return std::wstring();
    const int size = MultiByteToWideChar(1252, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring result(size, L'\0');
    MultiByteToWideChar(1252, 0, ansi.data(), static_cast<int>(ansi.size()), &result[0], size);
    return result;
}

std::string ClassName(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The environment of this process without TZ, as an ANSI environment block.
std::string EnvironmentWithoutTz()
{
    std::string block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; *entry; entry += std::strlen(entry) + 1) {
        if (_strnicmp(entry, "TZ=", 3) == 0)
            continue;
        block.append(entry);
        block.push_back('\0');
    }
    FreeEnvironmentStringsA(strings);
    block.push_back('\0');
    return block;
}

struct FindData {
    DWORD processId;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM parameter)
{
    auto* data = reinterpret_cast<FindData*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != data->processId || !IsWindowVisible(window))
        return TRUE;
    if (ClassName(window) != data->className)
        return TRUE;
    data->found = window;
    return FALSE;
}

HWND FindProcessWindow(DWORD processId, const char* className)
{
    FindData data = {processId, className, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

}  // namespace

Process::~Process()
{
    Kill(*this);
}

std::string KelvoraPath()
{
    return WindowsPath(KELVORA_EXE_UNIX);
}

std::string WindowsPath(const std::string& unixPath)
{
    return ::WindowsPath(unixPath);
}

bool Start(Process& process, const std::string& arguments, const std::string& exe)
{
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::string environment = EnvironmentWithoutTz();
    // No standard handles: the program must not hold the test's output pipes.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, &environment[0],
                        nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process.handle = info.hProcess;
    process.id = info.dwProcessId;
    process.main = nullptr;
    return true;
}

bool WaitMainWindow(Process& process, int timeoutMs)
{
    return WaitFor([&] {
        HWND window = FindProcessWindow(process.id, "ZRKelvoraCLASS");
        if (!window || Text(window).find(" - v") == std::string::npos)
            return false;
        process.main = window;
        return true;
    }, timeoutMs);
}

int WaitExit(Process& process, int timeoutMs)
{
    if (!process.handle)
        return -1;
    if (WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.handle, &code);
    CloseHandle(process.handle);
    process.handle = nullptr;
    return static_cast<int>(code);
}

void Kill(Process& process)
{
    if (!process.handle)
        return;
    if (WaitForSingleObject(process.handle, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process.handle, 99);
        WaitForSingleObject(process.handle, 5000);
    }
    CloseHandle(process.handle);
    process.handle = nullptr;
}

HWND Control(const Process& process, int id)
{
    return GetDlgItem(process.main, id);
}

std::string Text(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::string();
    std::wstring buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(&buffer[0]),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    buffer.resize(copied);
    return ToAnsi(buffer);
}

std::string ControlText(const Process& process, int id)
{
    return Text(Control(process, id));
}

void SetControlText(const Process& process, int id, const std::string& text)
{
    std::wstring wide = ToWide(text);
    SendMessageW(Control(process, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

int CheckState(const Process& process, int id)
{
    return static_cast<int>(SendMessageW(Control(process, id), BM_GETCHECK, 0, 0));
}

void SetCheck(const Process& process, int id, int state)
{
    SendMessageW(Control(process, id), BM_SETCHECK, state, 0);
}

int LineCount(const Process& process, int id)
{
    return static_cast<int>(SendMessageW(Control(process, id), LB_GETCOUNT, 0, 0));
}

std::vector<std::string> ListLines(const Process& process, int id)
{
    std::vector<std::string> lines;
    HWND list = Control(process, id);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<int>(SendMessageW(list, LB_GETTEXTLEN, i, 0));
        std::wstring buffer(length > 0 ? length + 1 : 1, L'\0');
        const int copied = static_cast<int>(
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&buffer[0])));
        buffer.resize(copied > 0 ? copied : 0);
        lines.push_back(ToAnsi(buffer));
    }
    return lines;
}

int ProgressPosition(const Process& process, int id)
{
    return static_cast<int>(SendMessageW(Control(process, id), PBM_GETPOS, 0, 0));
}

std::string StatusText(const Process& process, int id)
{
    return Text(Control(process, id));
}

void Click(const Process& process, int id)
{
    PostMessageW(process.main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(process, id)));
}

void MenuCommand(const Process& process, int command)
{
    PostMessageW(process.main, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void PostClose(const Process& process)
{
    PostMessageW(process.main, WM_CLOSE, 0, 0);
}

void PressKey(HWND window, UINT virtualKey)
{
    const UINT scan = MapVirtualKeyW(virtualKey, 0);
    PostMessageW(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageW(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | (3u << 30));
}

HWND FocusWindow(const Process& process)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(process.main, nullptr);
    if (!GetGUIThreadInfo(thread, &info))
        return nullptr;
    return info.hwndFocus;
}

bool WaitBox(const Process& process, Box& box, int timeoutMs)
{
    return WaitFor([&] {
        HWND window = FindProcessWindow(process.id, "#32770");
        if (!window)
            return false;
        box.window = window;
        box.caption = Text(window);
        HWND message = GetDlgItem(window, 0xFFFF);
        box.text = message ? Text(message) : std::string();
        return true;
    }, timeoutMs);
}

namespace {

struct CaptionSearch {
    DWORD processId;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK FindDialogWithCaption(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<CaptionSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) || ClassName(window) != "#32770" ||
        Text(window) != *search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

bool WaitBoxWithCaption(const Process& process, const std::string& caption, Box& box, int timeoutMs)
{
    return WaitFor([&] {
        CaptionSearch search = {process.id, &caption, nullptr};
        EnumWindows(FindDialogWithCaption, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            return false;
        box.window = search.found;
        box.caption = caption;
        HWND message = GetDlgItem(search.found, 0xFFFF);
        box.text = message ? Text(message) : std::string();
        return true;
    }, timeoutMs);
}

bool CloseBox(const Box& box, int buttonId, int timeoutMs)
{
    HWND button = GetDlgItem(box.window, buttonId);
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return WaitFor([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, timeoutMs);
}

RECT WindowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

RECT ClientRect(HWND window)
{
    RECT rect = {};
    GetClientRect(window, &rect);
    return rect;
}

RECT ControlRect(const Process& process, int id)
{
    RECT rect = WindowRect(Control(process, id));
    MapWindowPoints(nullptr, process.main, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void ResizeMain(const Process& process, int width, int height)
{
    SetWindowPos(process.main, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// The marker of Sync: the horizontal extent of the result list, which the
// program never sets and which changes nothing on screen for a list without
// a horizontal scroll bar. Sent messages are handled before posted ones, so
// only a posted message is a barrier for posted input; the extent is a value
// a posted message can set and a sent one can read back.
const WPARAM kMarkers[] = {1, 2};

bool ReadMarker(HWND list, DWORD timeoutMs, WPARAM& marker)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(list, LB_GETHORIZONTALEXTENT, 0, 0, SMTO_NORMAL, timeoutMs, &result))
        return false;
    marker = static_cast<WPARAM>(result);
    return true;
}

// Posts a marker behind everything posted so far and waits until the
// program's thread has dispatched it.
bool PassMarker(HWND list, DWORD deadline)
{
    WPARAM before = 0;
    if (!ReadMarker(list, 5000, before))
        return false;
    const WPARAM marker = before == kMarkers[0] ? kMarkers[1] : kMarkers[0];
    if (!PostMessageW(list, LB_SETHORIZONTALEXTENT, marker, 0))
        return false;
    for (;;) {
        WPARAM now = 0;
        if (ReadMarker(list, 5000, now) && now == marker)
            return true;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0 || !IsWindow(list))
            return false;
        Sleep(kPollIntervalMs);
    }
}

}  // namespace

bool Sync(const Process& process, int timeoutMs)
{
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(timeoutMs);
    // Twice: the second marker also waits for what the handlers of the
    // messages before the first one posted.
    HWND list = Control(process, 1004);
    return PassMarker(list, deadline) && PassMarker(list, deadline);
}

bool BoxShown(const Process& process, Box* box)
{
    Box found;
    const bool shown = WaitBox(process, found, 0);
    if (shown && box)
        *box = found;
    return shown;
}

int RunUnix(const std::string& shellCommand)
{
    return ::RunUnix(shellCommand);
}

}  // namespace driver
