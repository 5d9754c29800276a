// Ctrl+C and Ctrl+Break ask the run to stop after the file in hand, as
// SIGINT does elsewhere. Closing the console window (or the end of the
// session) ends the process as soon as the handler returns, so there the
// handler does not return: the run finishes the file in hand, writes its
// end and exits, which ends this thread too, within the few seconds the
// system grants before it ends the process itself.
#include "cli/signals.h"

#include <windows.h>

namespace cli {

std::atomic<bool> g_stopRequested{false};
std::atomic<bool> g_resized{false};

namespace {

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    g_stopRequested.store(true);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    for (;;)
        Sleep(INFINITE);
}

}  // namespace

void InstallStopHandlers()
{
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

// Every stop on Windows comes from the console: the status of Ctrl+C.
int StopStatus(int status)
{
    return status;
}

}  // namespace cli
