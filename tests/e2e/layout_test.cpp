// Resizing the main window: anchored controls follow the right and bottom
// edges, the others stay, the window never gets smaller than at start.
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "driver/driver.h"
#include "rect_util.h"
#include "resource_ids.h"

namespace {

const int kAllControls[] = {
    IDC_TOUCH_BUTTON,    IDC_QUIT_BUTTON,      IDC_RESULT_LIST,    IDC_ORIGINALS_LABEL,
    IDC_ORIGINALS_FOLDER, IDC_BROWSE_ORIGINALS, IDC_BROWSE_COPIES,  IDC_COPIES_FOLDER,
    IDC_COPIES_LABEL,    IDC_PROGRESS_BAR,     IDC_SHIFT_LABEL,    IDC_SHIFT_EDIT,
    IDC_UNIT_GROUP,      IDC_UNIT_HOURS,       IDC_UNIT_MINUTES,   IDC_UNIT_SECONDS,
};

using Snapshot = std::map<int, RECT>;

Snapshot TakeSnapshot(const driver::Process& kelvora)
{
    Snapshot rects;
    for (const int id : kAllControls)
        rects[id] = driver::ControlRect(kelvora, id);
    return rects;
}

// The anchoring that every layout pass leaves behind, for the present client size.
void ExpectLaidOut(const driver::Process& kelvora)
{
    const RECT client = driver::ClientRect(kelvora.main);
    for (const int id : {IDC_BROWSE_ORIGINALS, IDC_BROWSE_COPIES, IDC_PROGRESS_BAR, IDC_RESULT_LIST})
        EXPECT_EQ(driver::ControlRect(kelvora, id).right, client.right - 5) << id;
    for (const int id : {IDC_ORIGINALS_FOLDER, IDC_COPIES_FOLDER})
        EXPECT_EQ(driver::ControlRect(kelvora, id).right, client.right - 40) << id;
    EXPECT_EQ(driver::ControlRect(kelvora, IDC_RESULT_LIST).bottom, client.bottom - 24);

    const RECT bar = driver::ControlRect(kelvora, IDC_STATUS_BAR);
    EXPECT_EQ(bar.left, 0);
    EXPECT_EQ(bar.right, client.right);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_GT(Height(bar), 0);
}

// What a resize by dx x dy pixels should do: the controls of `moved` move
// right by dx, those of `widened` grow by dx, those of `lengthened` by dy;
// every other control keeps its place and size.
struct Change {
    int dx = 0;
    int dy = 0;
    std::set<int> moved;
    std::set<int> widened;
    std::set<int> lengthened;
};

void ExpectChange(const Snapshot& before, const Snapshot& after, const Change& change)
{
    for (const int id : kAllControls) {
        const RECT& b = before.at(id);
        const RECT& a = after.at(id);
        EXPECT_EQ(a.left, b.left + (change.moved.count(id) ? change.dx : 0)) << id;
        EXPECT_EQ(a.top, b.top) << id;
        EXPECT_EQ(Width(a), Width(b) + (change.widened.count(id) ? change.dx : 0)) << id;
        EXPECT_EQ(Height(a), Height(b) + (change.lengthened.count(id) ? change.dy : 0)) << id;
    }
}

void SystemCommand(const driver::Process& kelvora, WPARAM command)
{
    PostMessageW(kelvora.main, WM_SYSCOMMAND, command, 0);
    ASSERT_TRUE(driver::Sync(kelvora));
}

class Layout : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(driver::Start(kelvora, ""));
        ASSERT_TRUE(driver::WaitMainWindow(kelvora));
        ASSERT_TRUE(driver::Sync(kelvora));
        startWindow = driver::WindowRect(kelvora.main);
        startClient = driver::ClientRect(kelvora.main);
        start = TakeSnapshot(kelvora);
    }

    void TearDown() override
    {
        if (!kelvora.main)
            return;
        driver::PostClose(kelvora);
        EXPECT_EQ(driver::WaitExit(kelvora), 0);
    }

    // Resizes by dw x dh pixels from the starting outer size and waits until handled.
    void ResizeBy(int dw, int dh)
    {
        driver::ResizeMain(kelvora, Width(startWindow) + dw, Height(startWindow) + dh);
        ASSERT_TRUE(driver::Sync(kelvora));
    }

    driver::Process kelvora;
    RECT startWindow = {};
    RECT startClient = {};
    Snapshot start;
};

}  // namespace

TEST_F(Layout, FirstPassAnchorsTheControlsAtStart)
{
    ExpectLaidOut(kelvora);
}

TEST_F(Layout, WiderMovesTheBrowseButtonsAndWidensFieldsBarAndList)
{
    ResizeBy(150, 0);
    const RECT client = driver::ClientRect(kelvora.main);
    ASSERT_EQ(Width(client), Width(startClient) + 150);
    ASSERT_EQ(Height(client), Height(startClient));

    Change change;
    change.dx = 150;
    change.moved = {IDC_BROWSE_ORIGINALS, IDC_BROWSE_COPIES};
    change.widened = {IDC_ORIGINALS_FOLDER, IDC_COPIES_FOLDER, IDC_PROGRESS_BAR, IDC_RESULT_LIST};
    ExpectChange(start, TakeSnapshot(kelvora), change);
    ExpectLaidOut(kelvora);
}

TEST_F(Layout, TallerLengthensOnlyTheResultList)
{
    ResizeBy(0, 120);
    const RECT client = driver::ClientRect(kelvora.main);
    ASSERT_EQ(Height(client), Height(startClient) + 120);

    Change change;
    change.dy = 120;
    change.lengthened = {IDC_RESULT_LIST};
    ExpectChange(start, TakeSnapshot(kelvora), change);
    ExpectLaidOut(kelvora);
}

TEST_F(Layout, SmallerThanAtStartSpringsBack)
{
    struct Case {
        int dw;
        int dh;
    };
    for (const Case c : {Case{-100, 0}, Case{0, -80}, Case{-100, -80}, Case{-400, -300}}) {
        ResizeBy(c.dw, c.dh);
        const RECT client = driver::ClientRect(kelvora.main);
        EXPECT_EQ(Width(client), Width(startClient)) << c.dw << "," << c.dh;
        EXPECT_EQ(Height(client), Height(startClient)) << c.dw << "," << c.dh;
        ExpectChange(start, TakeSnapshot(kelvora), Change());
        ExpectLaidOut(kelvora);
    }
}

TEST_F(Layout, NarrowerOnlySpringsBackInWidth)
{
    ResizeBy(-100, 60);
    const RECT client = driver::ClientRect(kelvora.main);
    EXPECT_EQ(Width(client), Width(startClient));
    EXPECT_EQ(Height(client), Height(startClient) + 60);
    ExpectLaidOut(kelvora);
}

TEST_F(Layout, WindowDoesNotMoveWhenResized)
{
    ResizeBy(80, 40);
    const RECT window = driver::WindowRect(kelvora.main);
    EXPECT_EQ(window.left, startWindow.left);
    EXPECT_EQ(window.top, startWindow.top);
}

TEST_F(Layout, MaximiseAndRestoreLayOutEachTime)
{
    SystemCommand(kelvora, SC_MAXIMIZE);
    ASSERT_TRUE(driver::WaitFor([&] { return IsZoomed(kelvora.main) != 0; }));
    ASSERT_TRUE(driver::Sync(kelvora));
    const RECT maximised = driver::ClientRect(kelvora.main);
    EXPECT_GT(Width(maximised), Width(startClient));
    EXPECT_GT(Height(maximised), Height(startClient));
    ExpectLaidOut(kelvora);

    SystemCommand(kelvora, SC_RESTORE);
    ASSERT_TRUE(driver::WaitFor([&] { return IsZoomed(kelvora.main) == 0; }));
    ASSERT_TRUE(driver::Sync(kelvora));
    const RECT restored = driver::ClientRect(kelvora.main);
    EXPECT_EQ(Width(restored), Width(startClient));
    EXPECT_EQ(Height(restored), Height(startClient));
    ExpectChange(start, TakeSnapshot(kelvora), Change());
    ExpectLaidOut(kelvora);
}

TEST_F(Layout, MinimiseAndRestoreKeepTheLayout)
{
    SystemCommand(kelvora, SC_MINIMIZE);
    ASSERT_TRUE(driver::WaitFor([&] { return IsIconic(kelvora.main) != 0; }));
    SystemCommand(kelvora, SC_RESTORE);
    ASSERT_TRUE(driver::WaitFor([&] { return IsIconic(kelvora.main) == 0; }));
    ASSERT_TRUE(driver::Sync(kelvora));
    const RECT window = driver::WindowRect(kelvora.main);
    EXPECT_EQ(window.left, startWindow.left);
    EXPECT_EQ(window.top, startWindow.top);
    EXPECT_EQ(Width(window), Width(startWindow));
    EXPECT_EQ(Height(window), Height(startWindow));
    ExpectChange(start, TakeSnapshot(kelvora), Change());
    ExpectLaidOut(kelvora);
}

TEST_F(Layout, QuitButtonComesIntoViewAtItsFixedPlace)
{
    const RECT quit = start.at(IDC_QUIT_BUTTON);
    EXPECT_GE(quit.left, startClient.right) << "hidden beyond the right edge at start";

    ResizeBy(quit.right - startClient.right + 20, 0);
    const RECT client = driver::ClientRect(kelvora.main);
    const RECT now = driver::ControlRect(kelvora, IDC_QUIT_BUTTON);
    EXPECT_EQ(now.left, quit.left);
    EXPECT_EQ(now.top, quit.top);
    EXPECT_LE(now.right, client.right);

    // The button is what lies under its centre, and a click on it ends the program.
    POINT centre = {(now.left + now.right) / 2, (now.top + now.bottom) / 2};
    EXPECT_EQ(ChildWindowFromPoint(kelvora.main, centre), driver::Control(kelvora, IDC_QUIT_BUTTON));
    driver::Click(kelvora, IDC_QUIT_BUTTON);
    EXPECT_EQ(driver::WaitExit(kelvora), 0);
    kelvora.main = nullptr;
}
