// The control lookup hands out only windows that still exist.
#include "resource_ids.h"
#include "test_dialog.h"
#include "toolkit/dialog.h"

namespace {

TEST_F(MainDialogTest, ADestroyedControlIsNoLongerFound)
{
    HWND list = FindControl(IDC_RESULT_LIST);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(FindControl(IDC_STATUS_BAR), nullptr);
    DestroyWindow(list);
    EXPECT_EQ(FindControl(IDC_RESULT_LIST), nullptr);
    EXPECT_EQ(Dialog(7, IDC_RESULT_LIST, "x", -1, -1, -1, -1), 0);
    EXPECT_NE(FindControl(IDC_STATUS_BAR), nullptr);
}

TEST_F(MainDialogTest, NoControlIsFoundOnceTheMainWindowIsGone)
{
    // As after "/?" closed the window, or when it is closed while the folder
    // browser is up: the handle stays the toolkit's main window.
    ASSERT_NE(FindControl(IDC_PROGRESS_BAR), nullptr);
    DestroyWindow(window);
    for (int id = 1001; id <= 1017; ++id)
        EXPECT_EQ(FindControl(id), nullptr) << id;
    EXPECT_EQ(ControlText(IDC_ORIGINALS_FOLDER), "");
}

}  // namespace
