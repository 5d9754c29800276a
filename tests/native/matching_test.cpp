#include "touch/matching.h"

#include <climits>

#include <gtest/gtest.h>


namespace {

// 2010-07-14 07:05:03 UTC, in seconds since 1970.
const int64_t kOriginal = 1279091103;
const int64_t kHour = 3600;

int64_t Later(int hours, int minutes, int seconds)
{
    return kOriginal + hours * 3600 + minutes * 60 + seconds;
}

struct MatchCase {
    const char* what;
    const char* unit;
    int shift;
    int hours, minutes, seconds;  // copy minus original
    bool touched;
    int difference;
};

}  // namespace

TEST(Shift, TypedTextRoundsHalvesToEven)
{
    EXPECT_EQ(ShiftFromText("1.5"), 2);
    EXPECT_EQ(ShiftFromText("2.5"), 2);
    EXPECT_EQ(ShiftFromText("1,5"), 1);
    EXPECT_EQ(ShiftFromText(""), 0);
    EXPECT_EQ(ShiftFromText("abc"), 0);
    EXPECT_EQ(ShiftFromText(" 2 "), 2);
    EXPECT_EQ(ShiftFromText("99999999999"), INT32_MIN);
}

TEST(Shift, ReducedWithinItsUnitKeepingItsSign)
{
    EXPECT_EQ(ReduceShift(25, "h"), 1);
    EXPECT_EQ(ReduceShift(-25, "h"), -1);
    EXPECT_EQ(ReduceShift(90, "n"), 30);
    EXPECT_EQ(ReduceShift(3600, "s"), 0);
    EXPECT_EQ(ReduceShift(INT32_MIN, "h"), -8);
    EXPECT_EQ(ReduceShift(INT32_MIN, "s"), -8);
}

TEST(Matching, TheFlooredDifferenceMustEqualTheShiftInEitherDirection)
{
    const MatchCase cases[] = {
        {"1 h later", "h", 1, 1, 0, 0, true, 1},
        {"1 h 59 min later", "h", 1, 1, 59, 0, true, 1},
        {"59 min later", "h", 1, 0, 59, 0, false, 0},
        {"exactly 1 h earlier", "h", 1, -1, 0, 0, true, -1},
        {"30 min earlier floors to -1", "h", 1, 0, -30, 0, true, -1},
        {"1 h 1 min earlier floors to -2", "h", 1, -1, -1, 0, false, -2},
        {"shift 0, 10 min later", "h", 0, 0, 10, 0, true, 0},
        {"minutes, 30 later", "n", 30, 0, 30, 0, true, 30},
        {"minutes, 30 min 59 s later", "n", 30, 0, 30, 59, true, 30},
        {"minutes, 31 later", "n", 30, 0, 31, 0, false, 31},
        {"seconds, 45 earlier", "s", 45, 0, 0, -45, true, -45},
        {"seconds, 46 earlier", "s", 45, 0, 0, -46, false, -46},
        {"negative shift never matches", "h", -1, -1, 0, 0, false, -1},
    };
    for (const MatchCase& c : cases) {
        int32_t difference = 12345;
        const bool touched =
            IsShiftedCopy(kOriginal, 100, Later(c.hours, c.minutes, c.seconds), 100, c.unit, c.shift, difference);
        EXPECT_EQ(touched, c.touched) << c.what;
        EXPECT_EQ(difference, c.difference) << c.what;
    }
}

TEST(Matching, SameInstantOrAnotherSizeIsNeverTouched)
{
    int32_t difference = 0;
    EXPECT_FALSE(IsShiftedCopy(kOriginal, 100, kOriginal, 100, "h", 0, difference));
    EXPECT_FALSE(IsShiftedCopy(kOriginal, 100, Later(1, 0, 0), 101, "h", 1, difference));
    // Sizes are compared on all 64 bits.
    EXPECT_FALSE(IsShiftedCopy(kOriginal, 0x100000064LL, Later(1, 0, 0), 100, "h", 1, difference));
}

// Paris in 2010: summer time began on 28 March at 01:00 UTC (02:00 local
// became 03:00) and ended on 31 October at 01:00 UTC (03:00 local became
// 02:00). A copy made across either change is off by the shift in UTC, while
// its local clock reading is off by the shift plus or minus an hour.
TEST(Matching, CopiesAShiftOffInUtcAcrossAChangeOfOffsetAreTouched)
{
    const int64_t springChange = 1269738000;  // 2010-03-28 01:00:00 UTC
    const int64_t autumnChange = 1288486800;  // 2010-10-31 01:00:00 UTC
    const struct {
        const char* what;
        int64_t original;
        int64_t copy;
        bool touched;
        int difference;
    } cases[] = {
        // Spring: 01:46:20 CET and 03:46:20 CEST, two hours apart locally.
        {"spring, copy later, across", springChange - 820, springChange - 820 + kHour, true, 1},
        {"spring, copy earlier, across", springChange + 820, springChange + 820 - kHour, true, -1},
        {"spring, before, later", springChange - 3 * kHour, springChange - 2 * kHour, true, 1},
        {"spring, after, earlier", springChange + 3 * kHour, springChange + 2 * kHour, true, -1},
        {"spring, same instant", springChange - 820, springChange - 820, false, 0},
        // Autumn: 02:37:32 CEST and 02:37:32 CET, equal locally.
        {"autumn, copy later, across", autumnChange - 1348, autumnChange - 1348 + kHour, true, 1},
        {"autumn, copy earlier, across", autumnChange + 1348, autumnChange + 1348 - kHour, true, -1},
        {"autumn, before, earlier", autumnChange - 3 * kHour, autumnChange - 4 * kHour, true, -1},
        {"autumn, after, later", autumnChange + 3 * kHour, autumnChange + 4 * kHour, true, 1},
        {"autumn, same instant", autumnChange + 1348, autumnChange + 1348, false, 0},
        // Two hours apart in UTC, one hour apart locally: not the shift.
        {"autumn, two hours across", autumnChange - 1348, autumnChange - 1348 + 2 * kHour, false, 2},
    };
    for (const auto& c : cases) {
        int32_t difference = 12345;
        EXPECT_EQ(IsShiftedCopy(c.original, 100, c.copy, 100, "h", 1, difference), c.touched) << c.what;
        if (c.original != c.copy)
            EXPECT_EQ(difference, c.difference) << c.what;
    }
}

TEST(ResultLines, TouchedAndFailedForms)
{
    EXPECT_EQ(TouchedLine("E:\\Copies\\a.jpg", 0, "h"), "E:\\Copies\\a.jpg  =->  0h");
    EXPECT_EQ(TouchedLine("c", -1, "n"), "c  =->  -1n");
    EXPECT_EQ(FailedLine("E:\\Copies\\a.jpg", -1), "ERR -> E:\\Copies\\a.jpg  =  -1");
    EXPECT_EQ(Low32(0x100000001LL), 1);
    EXPECT_EQ(Low32(0xFFFFFFFFLL), -1);
}
