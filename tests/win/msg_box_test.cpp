// Message boxes, their centring over the main window, and the one-message pump.
#include <cstdlib>

#include "box_watcher.h"
#include "rect_util.h"
#include "test_dialog.h"
#include "toolkit/msg_box.h"

namespace {

// A small captioned popup dialog with no owner at the screen's top-left
// corner, where the system leaves it unless something moves it.
struct CornerTemplate {
    DLGTEMPLATE header;
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

INT_PTR CALLBACK SelfDestroyingProc(HWND window, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
        DestroyWindow(window);
    return FALSE;
}

HWND CreateCornerDialog(DLGPROC procedure = PlainDialogProc)
{
    alignas(4) static CornerTemplate corner;
    corner.header.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
    corner.header.x = 0;
    corner.header.y = 0;
    corner.header.cx = 80;
    corner.header.cy = 40;
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &corner.header, nullptr,
                                      procedure, 0);
}

RECT RectOf(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

void DrainQueue()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int g_counted = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_APP && message < WM_APP + 100) {
        ++g_counted;
        return 5;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateCountingWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = CountingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KelvoraCountingWindow";
        registered = RegisterClassA(&windowClass) != 0;
    }
    return CreateWindowA("KelvoraCountingWindow", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

class MsgBoxTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        // Away from the corner and from the screen's centre.
        SetWindowPos(window, nullptr, 500, 420, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
};

TEST_F(MsgBoxTest, InfoAndErrorBoxesComeUpCentredOverMainWindow)
{
    struct Case {
        int (*show)(const Text&);
        const char* caption;
    } cases[] = {{MsgInfo, "Info"}, {MsgErreur, "Erreur"}};
    for (const Case& c : cases) {
        BoxWatcher watcher;
        c.show("Premi\xE8re ligne\rSeconde ligne");
        const SeenBox box = watcher.Wait();
        ASSERT_TRUE(box.seen) << c.caption;
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_NE(box.text.find("Premi\xE8re ligne"), std::string::npos) << box.text;
        EXPECT_TRUE(CentredOver(box.rect, RectOf(window))) << c.caption;
    }
}

TEST_F(MsgBoxTest, ArmedCentringMovesOnlyTheNextDialog)
{
    // Armed twice, yet one centring: the second dialog stays in its corner.
    CenterNextDialog(1);
    CenterNextDialog(1);
    HWND first = CreateCornerDialog();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(CentredOver(RectOf(first), RectOf(window)));
    DestroyWindow(first);

    HWND second = CreateCornerDialog();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(RectOf(second).left, 0);
    EXPECT_EQ(RectOf(second).top, 0);
    DestroyWindow(second);
}

TEST_F(MsgBoxTest, ArmingWithAnotherFlagDoesNothing)
{
    EXPECT_EQ(CenterNextDialog(0), 0);
    EXPECT_EQ(CenterNextDialog(2), 2);
    HWND dialog = CreateCornerDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(RectOf(dialog).left, 0);
    EXPECT_EQ(RectOf(dialog).top, 0);
    DestroyWindow(dialog);
}

TEST_F(MsgBoxTest, DialogDestroyedDuringItsInitialisationDisarms)
{
    // The armed dialog goes away inside its own WM_INITDIALOG: the centring
    // must not stay pending for a later dialog.
    CenterNextDialog(1);
    EXPECT_FALSE(IsWindow(CreateCornerDialog(SelfDestroyingProc)));
    HWND later = CreateCornerDialog();
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(RectOf(later).left, 0);
    EXPECT_EQ(RectOf(later).top, 0);
    DestroyWindow(later);
}

TEST_F(MsgBoxTest, WithoutMainWindowCentredOnScreen)
{
    SetMainWindow(nullptr);
    CenterNextDialog(1);
    HWND dialog = CreateCornerDialog();
    ASSERT_NE(dialog, nullptr);
    const RECT placed = RectOf(dialog);
    const RECT screen = RectOf(GetDesktopWindow());
    EXPECT_LE(std::abs((placed.left + placed.right) - (screen.left + screen.right)), 2);
    EXPECT_GT(placed.top, screen.top);
    DestroyWindow(dialog);
}

TEST(PumpMessage, HandlesOneOfTenWaitingMessages)
{
    HWND counter = CreateCountingWindow();
    ASSERT_NE(counter, nullptr);
    DrainQueue();
    g_counted = 0;
    for (int i = 0; i < 10; ++i)
        PostMessageA(counter, WM_APP + i, 0, 0);
    EXPECT_EQ(PumpMessage(), 5);
    EXPECT_EQ(g_counted, 1);
    int left = 0;
    MSG message;
    while (PeekMessageA(&message, counter, WM_APP, WM_APP + 99, PM_REMOVE))
        ++left;
    EXPECT_EQ(left, 9);
    DestroyWindow(counter);
}

TEST(PumpMessage, EmptyQueueReturnsZero)
{
    HWND counter = CreateCountingWindow();
    DrainQueue();
    g_counted = 0;
    EXPECT_EQ(PumpMessage(), 0);
    EXPECT_EQ(g_counted, 0);
    DestroyWindow(counter);
}

TEST(PumpMessage, QuitRequestGoesBackToTheQueue)
{
    DrainQueue();
    PostQuitMessage(7);
    EXPECT_EQ(PumpMessage(), 0);
    EXPECT_TRUE(QuitRequested());
    MSG message = {};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
}
