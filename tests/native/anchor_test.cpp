#include "toolkit/geometry.h"

#include <gtest/gtest.h>

namespace {

int Width(const Rect& r) { return r.right - r.left; }
int Height(const Rect& r) { return r.bottom - r.top; }

}  // namespace

struct AnchorCase {
    int kind;
    Rect parent;
    int distance;
    Rect control;
    Rect expected;
};

void PrintTo(const AnchorCase& c, std::ostream* out)
{
    *out << "kind " << c.kind << ", distance " << c.distance;
}

class AnchorRectTest : public testing::TestWithParam<AnchorCase> {};

TEST_P(AnchorRectTest, MovesOrStretchesOneEdge)
{
    const AnchorCase& c = GetParam();
    Rect control = c.control;
    ASSERT_TRUE(AnchorRect(c.kind, c.parent, c.distance, control));
    EXPECT_EQ(control.left, c.expected.left);
    EXPECT_EQ(control.top, c.expected.top);
    EXPECT_EQ(control.right, c.expected.right);
    EXPECT_EQ(control.bottom, c.expected.bottom);
}

INSTANTIATE_TEST_SUITE_P(Kinds, AnchorRectTest, testing::Values(
    // Kind 3: the right edge follows the parent's right; left, top, bottom stay.
    AnchorCase{3, {0, 0, 600, 400}, 40, {107, 5, 416, 28}, {107, 5, 560, 28}},
    AnchorCase{3, {0, 0, 300, 400}, 5, {8, 90, 449, 101}, {8, 90, 295, 101}},
    // Kind 4: the bottom edge follows the parent's bottom; the rest stays.
    AnchorCase{4, {0, 0, 600, 400}, 24, {8, 107, 449, 296}, {8, 107, 449, 376}},
    // Kind 13: moved sideways, same width; top and bottom stay.
    AnchorCase{13, {0, 0, 600, 400}, 5, {423, 5, 450, 28}, {568, 5, 595, 28}},
    AnchorCase{13, {0, 0, 200, 400}, 5, {423, 5, 450, 28}, {168, 5, 195, 28}},
    // A parent that does not start at 0: its right and bottom count, not its size.
    AnchorCase{3, {100, 50, 700, 450}, 10, {120, 60, 300, 80}, {120, 60, 690, 80}},
    // A parent too narrow gives a negative width rather than a moved left edge.
    AnchorCase{3, {0, 0, 100, 100}, 40, {107, 5, 416, 28}, {107, 5, 60, 28}}));

TEST(AnchorRect, UnknownKindLeavesTheControlAlone)
{
    for (const int kind : {0, 1, 2, 5, 12, 14, -3}) {
        Rect control{10, 20, 30, 40};
        EXPECT_FALSE(AnchorRect(kind, Rect{0, 0, 600, 400}, 5, control)) << kind;
        EXPECT_EQ(control.left, 10);
        EXPECT_EQ(control.top, 20);
        EXPECT_EQ(control.right, 30);
        EXPECT_EQ(control.bottom, 40);
    }
}

TEST(AnchorRect, KindsKeepTheSizeTheyDoNotStretch)
{
    const Rect parent{0, 0, 640, 480};
    const Rect start{50, 60, 150, 90};
    Rect moved = start;
    AnchorRect(ANCHOR_MOVE_RIGHT, parent, 7, moved);
    EXPECT_EQ(Width(moved), Width(start));
    EXPECT_EQ(Height(moved), Height(start));
    EXPECT_EQ(parent.right - moved.right, 7);

    Rect taller = start;
    AnchorRect(ANCHOR_STRETCH_BOTTOM, parent, 24, taller);
    EXPECT_EQ(Width(taller), Width(start));
    EXPECT_EQ(parent.bottom - taller.bottom, 24);
}
