// Process entry: register the common controls, run the main dialog, exit.
#include <windows.h>
#include <commctrl.h>

#include "app/main_dialog.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    InitCommonControls();

    // Without a main window the loop would wait for ever: end at once instead.
    const int quitCode = RunMainDialog(instance, SW_SHOWDEFAULT);
    ExitProcess(quitCode < 0 ? 1 : 0);
}
