#include "touch/draw_pace.h"

#include <gtest/gtest.h>

namespace {

TEST(DrawPace, CheapDrawingsComeAtTheMinimumInterval)
{
    DrawPace pace(40);
    EXPECT_TRUE(pace.Due(1000));  // nothing drawn yet
    pace.Drawn(1000, 1002);
    EXPECT_FALSE(pace.Due(1002));
    EXPECT_FALSE(pace.Due(1041));
    EXPECT_TRUE(pace.Due(1042));
    EXPECT_TRUE(pace.Due(5000));
}

TEST(DrawPace, CostlyDrawingsTakeATenthOfTheTimeAtMost)
{
    DrawPace pace(40);
    pace.Drawn(1000, 1030);  // 30 ms: the next one 270 ms after its end
    EXPECT_FALSE(pace.Due(1070));
    EXPECT_FALSE(pace.Due(1299));
    EXPECT_TRUE(pace.Due(1300));
    // The pace follows the last drawing's cost, back down when it is cheap.
    pace.Drawn(1300, 1301);
    EXPECT_TRUE(pace.Due(1341));
}

TEST(DrawPace, AcrossAWrapOfTheClock)
{
    DrawPace pace(40);
    pace.Drawn(0xFFFFFFF0u, 0xFFFFFFFAu);  // 10 ms, ending 6 ms before the wrap
    EXPECT_FALSE(pace.Due(0xFFFFFFFFu));
    EXPECT_FALSE(pace.Due(83));  // 89 ms after its end
    EXPECT_TRUE(pace.Due(84));   // 90 ms
    // A drawing that itself spans the wrap.
    pace.Drawn(0xFFFFFFFEu, 18);  // 20 ms
    EXPECT_FALSE(pace.Due(197));
    EXPECT_TRUE(pace.Due(198));
}

}  // namespace
