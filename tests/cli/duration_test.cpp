#include "engine/duration.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kS = 1000000000;

struct DurationCase {
    const char* text;
    int64_t nanos;
};

}  // namespace

TEST(Duration, AcceptedForms)
{
    const DurationCase cases[] = {
        {"1h", 3600 * kS}, {"90m", 5400 * kS}, {"1h30m", 5400 * kS}, {"3600s", 3600 * kS},
        {"2s", 2 * kS},    {"0s", 0},          {"1h0m1s", 3601 * kS}, {"007m", 420 * kS},
        {"1000000h", engine::kMaxDurationNanos},
    };
    for (const auto& c : cases) {
        int64_t nanos = -1;
        std::string error;
        EXPECT_TRUE(engine::ParseDuration(c.text, nanos, error)) << c.text << ": " << error;
        EXPECT_EQ(nanos, c.nanos) << c.text;
    }
}

TEST(Duration, RefusedFormsNameTheTextAndTheForms)
{
    const char* refused[] = {"",    "1",   "h",    "1x",  "1h30", "30m1h", "1h1h", "1.5h",
                             "+1h", "-1h", " 1h",  "1h ", "1H",   "1 h",   "m",    "1000000h1s",
                             "99999999999999999999s", "3600000001s"};
    for (const char* text : refused) {
        int64_t nanos = 0;
        std::string error;
        EXPECT_FALSE(engine::ParseDuration(text, nanos, error)) << text;
        EXPECT_NE(error.find(std::string("\"") + text + "\""), std::string::npos) << error;
        EXPECT_NE(error.find("1h30m"), std::string::npos) << error;
    }
}

TEST(Shift, SignSelectsTheDirection)
{
    struct {
        const char* text;
        int64_t nanos;
        engine::ShiftSign sign;
    } cases[] = {
        {"1h", 3600 * kS, engine::ShiftSign::Either},
        {"+1h", 3600 * kS, engine::ShiftSign::Later},
        {"-30m", 1800 * kS, engine::ShiftSign::Earlier},
        {"+0s", 0, engine::ShiftSign::Later},
    };
    for (const auto& c : cases) {
        engine::Shift shift;
        std::string error;
        ASSERT_TRUE(engine::ParseShift(c.text, shift, error)) << c.text << ": " << error;
        EXPECT_EQ(shift.nanos, c.nanos) << c.text;
        EXPECT_EQ(shift.sign, c.sign) << c.text;
        EXPECT_EQ(engine::FormatShift(shift), c.text);
    }
    for (const char* text : {"+", "-", "+-1h", "--1h", "1h-", "++1h"}) {
        engine::Shift shift;
        std::string error;
        EXPECT_FALSE(engine::ParseShift(text, shift, error)) << text;
        EXPECT_NE(error.find("+1h"), std::string::npos) << error;
    }
}

TEST(Duration, PrintedAsTyped)
{
    EXPECT_EQ(engine::FormatDuration(0), "0s");
    EXPECT_EQ(engine::FormatDuration(5400 * kS), "1h30m");
    EXPECT_EQ(engine::FormatDuration(3601 * kS), "1h1s");
    EXPECT_EQ(engine::FormatDuration(-3600 * kS), "-1h");
    EXPECT_EQ(engine::FormatDuration(kS + kS / 2), "1.5s");
    EXPECT_EQ(engine::FormatDuration(-1), "-0.000000001s");
    EXPECT_EQ(engine::FormatDuration(INT64_MIN), "-2562047h47m16.854775808s");
    // Every printed whole duration parses back to itself.
    for (int64_t seconds : {0, 1, 59, 60, 61, 3599, 3600, 86399, 90061}) {
        int64_t back = -1;
        std::string error;
        ASSERT_TRUE(engine::ParseDuration(engine::FormatDuration(seconds * kS), back, error));
        EXPECT_EQ(back, seconds * kS);
    }
}
