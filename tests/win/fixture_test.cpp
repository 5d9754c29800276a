#include "test_dialog.h"

TEST_F(MainDialogTest, TemplateHasItsSeventeenControls)
{
    for (int id = IDC_TOUCH_BUTTON; id <= IDC_UNIT_SECONDS; ++id)
        EXPECT_NE(Item(id), nullptr) << id;
    char name[64] = {};
    GetClassNameA(Item(IDC_STATUS_BAR), name, sizeof name);
    EXPECT_STREQ(name, "msctls_statusbar32");
}
