// Rectangles of the main window and its controls read and written by
// identifier, anchoring against the client area, the docked status bar, and
// the layout's first decision.
#include <string>

#include "app/layout.h"
#include "box_watcher.h"
#include "test_dialog.h"
#include "toolkit/object_pos.h"

namespace {

struct Values {
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;
    int right = 0;
    int bottom = 0;
    HWND window = nullptr;
};

Values Read(int id)
{
    Values v;
    EXPECT_EQ(_ObjectPos(0, id, v.top, v.left, v.width, v.height, v.right, v.bottom, v.window), 1);
    return v;
}

int Write(int id, Values v)
{
    return _ObjectPos(1, id, v.top, v.left, v.width, v.height, v.right, v.bottom, v.window);
}

void ExpectRect(const Values& v, const RECT& r, const std::string& what)
{
    EXPECT_EQ(v.left, r.left) << what;
    EXPECT_EQ(v.top, r.top) << what;
    EXPECT_EQ(v.right, r.right) << what;
    EXPECT_EQ(v.bottom, r.bottom) << what;
    EXPECT_EQ(v.width, r.right - r.left) << what;
    EXPECT_EQ(v.height, r.bottom - r.top) << what;
}

RECT ScreenClient(HWND window)
{
    RECT r = {};
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT InClient(HWND main, HWND control)
{
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT OnScreen(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

RECT Client(HWND window)
{
    RECT r = {};
    GetClientRect(window, &r);
    return r;
}

}  // namespace

TEST_F(MainDialogTest, ReadGivesTheRectangleOfEachIdentifier)
{
    ExpectRect(Read(-2), OnScreen(window), "-2: window, screen");
    ExpectRect(Read(-1), ScreenClient(window), "-1: client, screen");
    const Values client = Read(0);
    ExpectRect(client, Client(window), "0: client, own");
    EXPECT_EQ(client.top, 0);
    EXPECT_EQ(client.left, 0);
    for (const int id : {IDC_ORIGINALS_FOLDER, IDC_RESULT_LIST, IDC_QUIT_BUTTON}) {
        const Values positive = Read(id);
        EXPECT_EQ(positive.window, Item(id));
        ExpectRect(positive, InClient(window, Item(id)), "control " + std::to_string(id));
        const Values negative = Read(-id);
        EXPECT_EQ(negative.window, Item(id));
        ExpectRect(negative, OnScreen(Item(id)), "negated control " + std::to_string(id));
    }
    EXPECT_EQ(Read(-2).window, window);
    EXPECT_EQ(Read(0).window, window);
}

TEST_F(MainDialogTest, WriteOfAControlKeepsTheValuesGivenAsMinusOne)
{
    const RECT before = InClient(window, Item(IDC_ORIGINALS_FOLDER));
    Values v;
    v.top = -1;
    v.left = -1;
    v.width = 200;
    v.height = -1;
    v.right = -1;
    v.bottom = -1;
    EXPECT_NE(Write(IDC_ORIGINALS_FOLDER, v), 0);
    const RECT after = InClient(window, Item(IDC_ORIGINALS_FOLDER));
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    EXPECT_EQ(after.right - after.left, 200);
}

TEST_F(MainDialogTest, WriteOfAControlInClientOrScreenCoordinates)
{
    Values v;
    v.top = 30;
    v.left = 40;
    v.width = 50;
    v.height = 20;
    EXPECT_NE(Write(IDC_TOUCH_BUTTON, v), 0);
    const RECT inClient = InClient(window, Item(IDC_TOUCH_BUTTON));
    EXPECT_EQ(inClient.left, 40);
    EXPECT_EQ(inClient.top, 30);
    EXPECT_EQ(inClient.right, 90);
    EXPECT_EQ(inClient.bottom, 50);

    const RECT client = ScreenClient(window);
    v.top = client.top + 7;
    v.left = client.left + 9;
    EXPECT_NE(Write(-IDC_TOUCH_BUTTON, v), 0);
    const RECT onScreen = OnScreen(Item(IDC_TOUCH_BUTTON));
    EXPECT_EQ(onScreen.left, client.left + 9);
    EXPECT_EQ(onScreen.top, client.top + 7);
    EXPECT_EQ(onScreen.right - onScreen.left, 50);
}

TEST_F(MainDialogTest, WriteOfTheMainWindowByEachIdentifier)
{
    const RECT start = OnScreen(window);

    // 0: client size given, the window stays where it is.
    Values size;
    size.top = -1;
    size.left = -1;
    size.width = 600;
    size.height = 420;
    size.right = -1;
    size.bottom = -1;
    EXPECT_NE(Write(0, size), 0);
    EXPECT_EQ(Client(window).right, 600);
    EXPECT_EQ(Client(window).bottom, 420);
    EXPECT_EQ(OnScreen(window).left, start.left);
    EXPECT_EQ(OnScreen(window).top, start.top);

    // -1: client area placed on the screen.
    Values client;
    client.top = 100;
    client.left = 120;
    client.width = 500;
    client.height = 380;
    EXPECT_NE(Write(-1, client), 0);
    const RECT screenClient = ScreenClient(window);
    EXPECT_EQ(screenClient.left, 120);
    EXPECT_EQ(screenClient.top, 100);
    EXPECT_EQ(screenClient.right, 620);
    EXPECT_EQ(screenClient.bottom, 480);

    // -2: the whole window, frame included.
    Values outer;
    outer.top = 50;
    outer.left = 60;
    outer.width = 640;
    outer.height = 480;
    EXPECT_NE(Write(-2, outer), 0);
    const RECT now = OnScreen(window);
    EXPECT_EQ(now.left, 60);
    EXPECT_EQ(now.top, 50);
    EXPECT_EQ(now.right, 700);
    EXPECT_EQ(now.bottom, 530);

    // Each write leaves the status bar along the bottom, full width.
    const RECT bar = InClient(window, Item(IDC_STATUS_BAR));
    EXPECT_EQ(bar.left, 0);
    EXPECT_EQ(bar.right, Client(window).right);
    EXPECT_EQ(bar.bottom, Client(window).bottom);
}

TEST_F(MainDialogTest, FrameMarginsAreTheFrameAroundTheClientArea)
{
    int top = -1, left = -1, bottom = -1, right = -1;
    FrameMargins(window, top, left, bottom, right);
    // The system's own frame for this style and menu around an empty client area.
    RECT frame = {0, 0, 0, 0};
    ASSERT_TRUE(AdjustWindowRectEx(&frame, GetWindowLongA(window, GWL_STYLE), GetMenu(window) != nullptr,
                                   GetWindowLongA(window, GWL_EXSTYLE)));
    EXPECT_EQ(top, -frame.top);
    EXPECT_EQ(left, -frame.left);
    EXPECT_EQ(bottom, frame.bottom);
    EXPECT_EQ(right, frame.right);
    EXPECT_EQ(left, right) << "the same border on both sides";
    EXPECT_GT(top, bottom) << "caption and menu lie above the client area";
}

TEST_F(MainDialogTest, DeplaceObjetAnchorsToTheClientArea)
{
    const RECT client = Client(window);
    const RECT list = InClient(window, Item(IDC_RESULT_LIST));
    const RECT button = InClient(window, Item(IDC_BROWSE_ORIGINALS));

    EXPECT_NE(DeplaceObjet(3, IDC_RESULT_LIST, 0, 5, -1, -1, -1, -1), 0);
    RECT now = InClient(window, Item(IDC_RESULT_LIST));
    EXPECT_EQ(now.left, list.left);
    EXPECT_EQ(now.right, client.right - 5);
    EXPECT_EQ(now.bottom, list.bottom);

    EXPECT_NE(DeplaceObjet(4, IDC_RESULT_LIST, 0, 24, -1, -1, -1, -1), 0);
    now = InClient(window, Item(IDC_RESULT_LIST));
    EXPECT_EQ(now.top, list.top);
    EXPECT_EQ(now.bottom, client.bottom - 24);

    EXPECT_NE(DeplaceObjet(13, IDC_BROWSE_ORIGINALS, 0, 5, -1, -1, -1, -1), 0);
    now = InClient(window, Item(IDC_BROWSE_ORIGINALS));
    EXPECT_EQ(now.right, client.right - 5);
    EXPECT_EQ(now.right - now.left, button.right - button.left);
    EXPECT_EQ(now.top, button.top);
}

TEST_F(MainDialogTest, DeplaceObjetOnAControlThatDoesNotExistMovesNothing)
{
    EXPECT_EQ(DeplaceObjet(3, 4242, 0, 5, -1, -1, -1, -1), 0);
}

TEST_F(MainDialogTest, UnknownModeAndKindAreReportedInABox)
{
    const RECT before = InClient(window, Item(IDC_RESULT_LIST));
    {
        BoxWatcher watcher("'_ObjectPos'");
        Values v;
        EXPECT_EQ(_ObjectPos(2, IDC_RESULT_LIST, v.top, v.left, v.width, v.height, v.right, v.bottom,
                             v.window),
                  0);
        EXPECT_EQ(watcher.Wait().text, "Mode '2' inconnu !");
    }
    {
        BoxWatcher watcher("'DeplaceObjet'");
        EXPECT_EQ(DeplaceObjet(5, IDC_RESULT_LIST, 0, 5, -1, -1, -1, -1), 0);
        EXPECT_EQ(watcher.Wait().text, "M\xE9thode '5' inconnue !");
    }
    {
        BoxWatcher watcher("'DeplaceObjet'");
        EXPECT_EQ(DeplaceObjet(-13, IDC_RESULT_LIST, 0, 5, -1, -1, -1, -1), 0);
        EXPECT_EQ(watcher.Wait().text, "M\xE9thode '-13' inconnue !");
    }
    const RECT after = InClient(window, Item(IDC_RESULT_LIST));
    EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(MainDialogTest, DockStatusBarPutsItAlongTheBottom)
{
    SetWindowPos(Item(IDC_STATUS_BAR), nullptr, 10, 10, 50, 20, SWP_NOZORDER);
    SetWindowPos(window, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    DockStatusBar();
    const RECT client = Client(window);
    const RECT bar = InClient(window, Item(IDC_STATUS_BAR));
    EXPECT_EQ(bar.left, 0);
    EXPECT_EQ(bar.right, client.right);
    EXPECT_EQ(bar.bottom, client.bottom);
}

// The layout decides afresh for a new main window, as for this test's dialog.
TEST_F(MainDialogTest, LayoutIgnoresANotificationBeforeTheMainWindowIsKnown)
{
    SetMainWindow(nullptr);
    LayoutMainDialog(SIZE_RESTORED, 10, 10);
    SetMainWindow(window);

    const RECT client = Client(window);
    LayoutMainDialog(SIZE_RESTORED, client.right, client.bottom);
    EXPECT_EQ(InClient(window, Item(IDC_RESULT_LIST)).bottom, client.bottom - 24);
    EXPECT_EQ(InClient(window, Item(IDC_BROWSE_COPIES)).right, client.right - 5);

    // The size first laid out is the minimum: a smaller one is raised to it.
    LayoutMainDialog(SIZE_RESTORED, client.right - 50, client.bottom - 50);
    EXPECT_EQ(Client(window).right, client.right);
    EXPECT_EQ(Client(window).bottom, client.bottom);
}

TEST_F(MainDialogTest, LayoutStaysOffForAWindowWithoutSizingBorder)
{
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    SetWindowLongA(window, GWL_STYLE, style & ~WS_THICKFRAME);
    const RECT list = InClient(window, Item(IDC_RESULT_LIST));
    LayoutMainDialog(SIZE_RESTORED, 700, 500);

    SetWindowLongA(window, GWL_STYLE, style);
    LayoutMainDialog(SIZE_RESTORED, 700, 500);
    const RECT after = InClient(window, Item(IDC_RESULT_LIST));
    EXPECT_TRUE(EqualRect(&list, &after));
}
