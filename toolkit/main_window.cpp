#include "toolkit/main_window.h"

namespace {
HWND g_mainWindow = nullptr;
}

HWND MainWindow()
{
    return g_mainWindow;
}

void SetMainWindow(HWND window)
{
    g_mainWindow = window;
}
