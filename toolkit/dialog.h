// Control commands: the toolkit addresses the controls of the main dialog by
// identifier and acts by the control's window class.
#pragma once

#include <windows.h>

#include "toolkit/text.h"

// Performs command `code` on the control `id` (see dialog.cpp for the table).
// Integers of -1 are absent. Returns 1 for commands 1, 2, 4 and 7 (7 only when
// a window was found), 0 for other commands and when no window has the id.
int Dialog(int code, int id, const Text& text, int n1, int n2, int n3, int n4);

// The control's text or value as text, whatever its class: an edit's text as
// typed, "1" or "0" for a check box or radio button, and so on.
Text ControlText(int id);

// The window of a control of the main dialog, or null.
HWND FindControl(int id);

// The class tag of an identifier: "New_VDS_List" for -1, "VDS_List" for 0 to
// 99, the window class name for 100 and above ("" when no window has it), ""
// below -1. `window` receives the window (ids >= 100); `object` receives the
// id itself for -1 and 0 to 99. Either may be null; they are left untouched
// for other identifiers.
Text ControlClass(int id, HWND* window, int* object);

// The text of a window ("" when it has none).
Text WindowText(HWND window);

// The busy flag: while set, the main window shows the application-starting cursor.
bool IsBusy();
