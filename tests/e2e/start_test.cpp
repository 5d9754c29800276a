// The real Kelvora.exe from start to end: the state after start, the keys,
// the menu, the boxes and every way of closing it.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "driver/driver.h"
#include "rect_util.h"
#include "resource_ids.h"

namespace {

class StartTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(driver::Start(kelvora, ""));
        ASSERT_TRUE(driver::WaitMainWindow(kelvora));
        ASSERT_TRUE(driver::Sync(kelvora));
    }

    bool Running() { return WaitForSingleObject(kelvora.handle, 0) == WAIT_TIMEOUT; }

    // Once everything posted so far has been handled, no box is up: a
    // handler that asked for one would have it shown by then.
    void ExpectNoBox()
    {
        ASSERT_TRUE(driver::Sync(kelvora)) << "the program no longer handles its messages";
        driver::Box box;
        EXPECT_FALSE(driver::BoxShown(kelvora, &box)) << box.caption << ": " << box.text;
    }

    driver::Process kelvora;
};

}  // namespace

TEST(Start, MainWindowComesUpAndClosesWithCodeZero)
{
    driver::Process kelvora;
    ASSERT_TRUE(driver::Start(kelvora, ""));
    ASSERT_TRUE(driver::WaitMainWindow(kelvora));
    driver::PostClose(kelvora);
    EXPECT_EQ(driver::WaitExit(kelvora), 0);
}

TEST_F(StartTest, StateRightAfterStart)
{
    EXPECT_EQ(driver::Text(kelvora.main), "Kelvora - v1.1 (08/11/2011)");
    EXPECT_EQ(driver::ControlText(kelvora, IDC_ORIGINALS_FOLDER), "");
    EXPECT_EQ(driver::ControlText(kelvora, IDC_COPIES_FOLDER), "");
    EXPECT_EQ(driver::ControlText(kelvora, IDC_SHIFT_EDIT), "1");
    EXPECT_EQ(driver::CheckState(kelvora, IDC_UNIT_HOURS), BST_CHECKED);
    EXPECT_EQ(driver::CheckState(kelvora, IDC_UNIT_MINUTES), BST_UNCHECKED);
    EXPECT_EQ(driver::CheckState(kelvora, IDC_UNIT_SECONDS), BST_UNCHECKED);
    EXPECT_TRUE(driver::ListLines(kelvora).empty());
    EXPECT_EQ(driver::StatusText(kelvora), "Pr\xEAt.");
    EXPECT_EQ(driver::ProgressPosition(kelvora), 0);
    EXPECT_EQ(driver::FocusWindow(kelvora), driver::Control(kelvora, IDC_TOUCH_BUTTON));
    // Dropped files are refused.
    EXPECT_EQ(GetWindowLongW(kelvora.main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
}

TEST_F(StartTest, EscapeLeavesTheWindowOpen)
{
    driver::PressKey(driver::FocusWindow(kelvora), VK_ESCAPE);
    ExpectNoBox();
    EXPECT_TRUE(IsWindowVisible(kelvora.main));
    EXPECT_TRUE(Running());
}

TEST_F(StartTest, TabReachesTheFolderFieldWhereEnterDoesNothing)
{
    HWND field = driver::Control(kelvora, IDC_ORIGINALS_FOLDER);
    for (int presses = 0; presses < 20 && driver::FocusWindow(kelvora) != field; ++presses) {
        driver::PressKey(driver::FocusWindow(kelvora), VK_TAB);
        ASSERT_TRUE(driver::Sync(kelvora));
    }
    ASSERT_EQ(driver::FocusWindow(kelvora), field);
    driver::PressKey(field, VK_RETURN);
    ExpectNoBox();
    EXPECT_TRUE(Running());
}

TEST_F(StartTest, EnterClicksTouchWhoseErrorBoxIsCentredOverTheWindow)
{
    driver::PressKey(driver::FocusWindow(kelvora), VK_RETURN);
    driver::Box box;
    ASSERT_TRUE(driver::WaitBox(kelvora, box));
    EXPECT_EQ(box.caption, "Erreur");
    EXPECT_EQ(box.text, "Veuillez saisir le r\xE9pertoire des fichiers originaux !");
    // The box is narrower and lower than the main window here.
    const RECT boxRect = driver::WindowRect(box.window);
    const RECT mainRect = driver::WindowRect(kelvora.main);
    ASSERT_LT(boxRect.right - boxRect.left, mainRect.right - mainRect.left);
    EXPECT_TRUE(CentredOver(boxRect, mainRect))
        << boxRect.left << "," << boxRect.top << " over " << mainRect.left << "," << mainRect.top;
    // The main window waits behind the box.
    EXPECT_FALSE(IsWindowEnabled(kelvora.main));
    driver::CloseBox(box);
    EXPECT_TRUE(driver::WaitFor([&] { return IsWindowEnabled(kelvora.main) != FALSE; }));
    EXPECT_TRUE(Running());
}

TEST_F(StartTest, AboutOpensTheSystemAboutBox)
{
    driver::MenuCommand(kelvora, IDM_HELP_ABOUT);
    driver::Box box;
    ASSERT_TRUE(driver::WaitBox(kelvora, box));
    EXPECT_NE(box.caption.find("Kelvora"), std::string::npos) << box.caption;
    driver::CloseBox(box);
    EXPECT_TRUE(Running());
    driver::PostClose(kelvora);
    EXPECT_EQ(driver::WaitExit(kelvora), 0);
}

TEST(Close, EveryWayEndsTheProcessWithCodeZero)
{
    struct Way {
        const char* name;
        std::function<void(const driver::Process&)> close;
    } ways[] = {
        {"menu Quitter", [](const driver::Process& p) { driver::MenuCommand(p, IDM_FILE_QUIT); }},
        {"button Quitter", [](const driver::Process& p) { driver::Click(p, IDC_QUIT_BUTTON); }},
        {"WM_CLOSE", [](const driver::Process& p) { driver::PostClose(p); }},
        {"close box", [](const driver::Process& p) {
             PostMessageW(p.main, WM_SYSCOMMAND, SC_CLOSE, 0);
         }},
    };
    for (const Way& way : ways) {
        driver::Process kelvora;
        ASSERT_TRUE(driver::Start(kelvora, "")) << way.name;
        ASSERT_TRUE(driver::WaitMainWindow(kelvora)) << way.name;
        way.close(kelvora);
        EXPECT_EQ(driver::WaitExit(kelvora), 0) << way.name;
    }
}

TEST_F(StartTest, OtherCommandsAndNotificationsAreIgnored)
{
    // IDOK, IDCANCEL, an unknown id, and "Quitter" with a notification code above 1.
    driver::MenuCommand(kelvora, IDOK);
    driver::MenuCommand(kelvora, IDCANCEL);
    driver::MenuCommand(kelvora, 4242);
    PostMessageW(kelvora.main, WM_COMMAND, MAKEWPARAM(IDC_QUIT_BUTTON, BN_SETFOCUS), 0);
    ExpectNoBox();
    EXPECT_TRUE(Running());
    EXPECT_EQ(driver::StatusText(kelvora), "Pr\xEAt.");
}
