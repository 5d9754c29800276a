// Command-line front of the driver, for the run command, the demo and the
// benchmark:
//   kdriver run [arguments]                 start Kelvora and wait for its end
//   kdriver demo ORIGINALS COPIES SHOT.png  one touch run, its lines, a screenshot of the window
//   kdriver bench ORIGINALS COPIES          one touch run, timed, with peak memory
// Folders are Windows paths; the screenshot path is a Linux path.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "driver/driver.h"
#include "resource_ids.h"

namespace {

int Fail(const char* what)
{
    std::fprintf(stderr, "kdriver: %s\n", what);
    return 1;
}

// Starts Kelvora, fills both folders and a one-hour shift, clicks "Touch
// heure..." and waits for the end box; returns the seconds from the click
// to the box, or a negative value on failure.
double TouchOnce(driver::Process& kelvora, const std::string& originals, const std::string& copies,
                 driver::Box& endBox)
{
    if (!driver::Start(kelvora, "") || !driver::WaitMainWindow(kelvora))
        return -1;
    driver::SetControlText(kelvora, IDC_ORIGINALS_FOLDER, originals);
    driver::SetControlText(kelvora, IDC_COPIES_FOLDER, copies);
    driver::SetControlText(kelvora, IDC_SHIFT_EDIT, "1");
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    driver::Click(kelvora, IDC_TOUCH_BUTTON);
    if (!driver::WaitFor([&] {
            return driver::WaitBox(kelvora, endBox, 0) && endBox.caption == "Info";
        }, 3600 * 1000))
        return -1;
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
}

int Run(int argc, char** argv)
{
    std::string arguments;
    for (int i = 2; i < argc; ++i)
        arguments += (i > 2 ? " " : "") + std::string(argv[i]);
    driver::Process kelvora;
    if (!driver::Start(kelvora, arguments))
        return Fail("cannot start Kelvora.exe");
    return driver::WaitExit(kelvora, INFINITE);
}

int Demo(const std::string& originals, const std::string& copies, const std::string& shot)
{
    driver::Process kelvora;
    driver::Box endBox;
    if (TouchOnce(kelvora, originals, copies, endBox) < 0)
        return Fail("the touch run did not reach its end box");
    std::string text = endBox.text;
    for (char& c : text) {
        if (c == '\r')
            c = '\n';
    }
    std::printf("End box \"%s\":\n%s\n", endBox.caption.c_str(), text.c_str());
    driver::CloseBox(endBox);
    driver::Sync(kelvora);
    std::printf("Result lines:\n");
    for (const std::string& line : driver::ListLines(kelvora))
        std::printf("  %s\n", line.c_str());
    std::printf("Status: %s\n", driver::StatusText(kelvora).c_str());
    // The window alone, cut from the root window: its menu bar and client
    // area (without a window manager nobody draws the frame and caption).
    POINT origin = {0, 0};
    ClientToScreen(kelvora.main, &origin);
    const RECT client = driver::ClientRect(kelvora.main);
    const LONG menu = GetMenu(kelvora.main) ? GetSystemMetrics(SM_CYMENU) : 0;
    const LONG left = std::max<LONG>(origin.x, 0), top = std::max<LONG>(origin.y - menu, 0);
    const LONG width = origin.x + client.right - left, height = origin.y + client.bottom - top;
    driver::RunUnix("import -window root -crop " + std::to_string(width) + "x" + std::to_string(height) + "+" +
                    std::to_string(left) + "+" + std::to_string(top) + " +repage '" + shot + "'");
    driver::PostClose(kelvora);
    const int code = driver::WaitExit(kelvora);
    std::printf("Kelvora ended with exit code %d\n", code);
    return code;
}

int Bench(const std::string& originals, const std::string& copies)
{
    driver::Process kelvora;
    driver::Box endBox;
    const double seconds = TouchOnce(kelvora, originals, copies, endBox);
    if (seconds < 0)
        return Fail("the touch run did not reach its end box");
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(kelvora.handle, &memory, sizeof memory);
    driver::CloseBox(endBox);
    driver::Sync(kelvora);
    const size_t lines = driver::ListLines(kelvora).size();
    driver::PostClose(kelvora);
    driver::WaitExit(kelvora);
    std::printf("seconds=%.3f lines=%u peak_working_set_mb=%.1f peak_private_mb=%.1f\n", seconds,
                static_cast<unsigned>(lines), memory.PeakWorkingSetSize / 1048576.0,
                memory.PeakPagefileUsage / 1048576.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "run")
        return Run(argc, argv);
    if (command == "demo" && argc == 5)
        return Demo(argv[2], argv[3], argv[4]);
    if (command == "bench" && argc == 4)
        return Bench(argv[2], argv[3]);
    std::fprintf(stderr, "usage: kdriver run [arguments] | demo ORIGINALS COPIES SHOT.png | bench ORIGINALS COPIES\n");
    return 2;
}
