// A main dialog made in the test process from the program's own template,
// with a plain dialog procedure, installed as the toolkit's main window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "resource_ids.h"
#include "toolkit/main_window.h"

inline INT_PTR CALLBACK TestDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

inline HWND CreateTestMainDialog()
{
    // Registered when missing: a test of the real main dialog unregisters the
    // class it registered under the same name.
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExA(instance, "ZRKelvoraCLASS", &existing)) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        InitCommonControls();
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefDlgProcA;
        windowClass.cbWndExtra = DLGWINDOWEXTRA;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = "ZRKelvoraCLASS";
        RegisterClassExA(&windowClass);
    }
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN_DIALOG), nullptr,
                              TestDialogProc, 0);
}

// Fixture: each test gets a fresh main dialog, destroyed afterwards.
class MainDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = CreateTestMainDialog();
        ASSERT_NE(window, nullptr);
        SetMainWindow(window);
    }

    void TearDown() override
    {
        DestroyWindow(window);
        SetMainWindow(nullptr);
    }

    HWND Item(int id) const { return GetDlgItem(window, id); }

    HWND window = nullptr;
};
