// The main dialog: class registration, creation, initialisation, message loop
// and the procedures of the main window and of its result list.
#pragma once

#include <windows.h>

// Registers the main window class, creates the main dialog, initialises it
// and runs the message loop. Returns the quit code, or -1 when the class
// cannot be registered or the dialog cannot be created.
int RunMainDialog(HINSTANCE instance, int showCommand);

void InitMainDialog();
LRESULT CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ResultListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The first default push button from the bottom of the z-order, or null.
HWND FindDefaultButton();
