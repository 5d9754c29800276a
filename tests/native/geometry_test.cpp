#include "toolkit/geometry.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

Rect Sized(int width, int height)
{
    // Anywhere: placement must not depend on where the window was.
    return Rect{37, 53, 37 + width, 53 + height};
}

int Width(const Rect& rect) { return rect.right - rect.left; }
int Height(const Rect& rect) { return rect.bottom - rect.top; }

// Twice the centre, so odd sizes compare without rounding.
int CentreX2(const Rect& rect) { return rect.left + rect.right; }
int CentreY2(const Rect& rect) { return rect.top + rect.bottom; }

const Rect kScreen = {0, 0, 1280, 1024};
const Rect kBelowTaskbar = {0, 0, 1280, 994};   // taskbar 30 high at the bottom

}  // namespace

TEST(PlaceRect, SmallerWindowIsCentredOnReferenceWithinAPixel)
{
    struct Case {
        Rect reference;
        int width, height;
    } cases[] = {
        {{100, 100, 600, 500}, 200, 100},
        {{100, 100, 601, 501}, 201, 101},   // odd reference and window
        {{333, 211, 900, 700}, 120, 77},
        {{0, 0, 3, 3}, 1, 1},
    };
    for (const Case& c : cases) {
        const Rect placed = PlaceRect(Sized(c.width, c.height), c.reference, kScreen);
        EXPECT_EQ(Width(placed), c.width);
        EXPECT_EQ(Height(placed), c.height);
        EXPECT_LE(std::abs(CentreX2(placed) - CentreX2(c.reference)), 2) << c.width;
        EXPECT_LE(std::abs(CentreY2(placed) - CentreY2(c.reference)), 2) << c.height;
    }
}

TEST(PlaceRect, WiderAlignsLeftTallerAlignsTop)
{
    const Rect reference = {200, 300, 500, 500};   // 300 x 200
    // Wider only: left edge on the reference's, still centred vertically.
    Rect placed = PlaceRect(Sized(400, 100), reference, kScreen);
    EXPECT_EQ(placed.left, 200);
    EXPECT_EQ(placed.top, 350);
    // Exactly as wide counts as wider.
    placed = PlaceRect(Sized(300, 100), reference, kScreen);
    EXPECT_EQ(placed.left, 200);
    // Taller only: top edge on the reference's, still centred horizontally.
    placed = PlaceRect(Sized(100, 250), reference, kScreen);
    EXPECT_EQ(placed.top, 300);
    EXPECT_EQ(placed.left, 300);
}

TEST(PlaceRect, PushedAboveBottomTaskbar)
{
    const Rect nearBottom = {100, 800, 700, 1000};
    const Rect placed = PlaceRect(Sized(300, 300), nearBottom, kBelowTaskbar);
    EXPECT_EQ(placed.bottom, kBelowTaskbar.bottom);
    EXPECT_EQ(Height(placed), 300);
    EXPECT_EQ(placed.left, 250);
}

TEST(PlaceRect, PulledBackInsideFromEveryEdge)
{
    const Rect area = {100, 50, 1100, 950};
    struct Case {
        Rect reference;
        int left, top;
    } cases[] = {
        {{-500, 400, -100, 600}, 100, 450},     // off the left edge
        {{1200, 400, 1600, 600}, 900, 450},     // off the right edge
        {{400, -400, 800, -100}, 500, 50},      // off the top
        {{400, 2000, 800, 2400}, 500, 850},     // off the bottom
    };
    for (const Case& c : cases) {
        const Rect placed = PlaceRect(Sized(200, 100), c.reference, area);
        EXPECT_EQ(placed.left, c.left) << c.reference.left;
        EXPECT_EQ(placed.top, c.top) << c.reference.top;
    }
}

TEST(PlaceRect, LargerThanWorkAreaSitsAtItsTopLeft)
{
    const Rect area = {40, 30, 840, 630};
    const Rect reference = {300, 300, 600, 500};
    const Rect placed = PlaceRect(Sized(1000, 900), reference, area);
    EXPECT_EQ(placed.left, 40);
    EXPECT_EQ(placed.top, 30);
    EXPECT_EQ(Width(placed), 1000);
    EXPECT_EQ(Height(placed), 900);
}

TEST(PlaceRect, WorkAreaAsReferenceCentresOnIt)
{
    // No main window: the work area is the reference.
    const Rect placed = PlaceRect(Sized(400, 200), kBelowTaskbar, kBelowTaskbar);
    EXPECT_EQ(placed.left, 440);
    EXPECT_EQ(placed.top, 397);
}

TEST(WorkAreaFromTaskbar, CutsTheSideWhereTheTaskbarStands)
{
    struct Case {
        int edge;
        Rect taskbar;
        Rect area;
    } cases[] = {
        {EDGE_BOTTOM, {0, 994, 1280, 1024}, {0, 0, 1280, 994}},
        {EDGE_TOP, {0, 0, 1280, 28}, {0, 28, 1280, 1024}},
        {EDGE_LEFT, {0, 0, 60, 1024}, {60, 0, 1280, 1024}},
        {EDGE_RIGHT, {1200, 0, 1280, 1024}, {0, 0, 1200, 1024}},
        {4, {0, 994, 1280, 1024}, {0, 0, 1280, 1024}},     // unknown edge
        {-1, {0, 0, 0, 0}, {0, 0, 1280, 1024}},            // no report
    };
    for (const Case& c : cases) {
        const Rect area = WorkAreaFromTaskbar(kScreen, c.edge, c.taskbar);
        EXPECT_EQ(area.left, c.area.left) << c.edge;
        EXPECT_EQ(area.top, c.area.top) << c.edge;
        EXPECT_EQ(area.right, c.area.right) << c.edge;
        EXPECT_EQ(area.bottom, c.area.bottom) << c.edge;
    }
}

TEST(PlaceRect, BottomTaskbarWorkAreaKeepsBoxAboveIt)
{
    // End to end of the two: a box over a window that overlaps the taskbar.
    const Rect area = WorkAreaFromTaskbar(kScreen, EDGE_BOTTOM, {0, 984, 1280, 1024});
    const Rect placed = PlaceRect(Sized(320, 160), {200, 800, 800, 1020}, area);
    EXPECT_EQ(placed.bottom, 984);
}
