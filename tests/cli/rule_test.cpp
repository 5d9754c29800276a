// The rule at its edges: tolerance just inside and just outside, the sign of
// a shift, several shifts, nanosecond instants, equal times, other sizes —
// in the rule itself and on real files through the program.
#include "engine/rule.h"

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;

engine::Rule RuleOf(std::vector<std::string> shifts, int64_t tolerance = engine::kDefaultToleranceNanos)
{
    engine::Rule rule;
    for (const std::string& text : shifts) {
        engine::Shift shift;
        std::string error;
        EXPECT_TRUE(engine::ParseShift(text, shift, error)) << error;
        rule.shifts.push_back(shift);
    }
    rule.toleranceNanos = tolerance;
    return rule;
}

}  // namespace

TEST(Rule, ToleranceEdgesAndSigns)
{
    struct {
        const char* what;
        std::vector<std::string> shifts;
        int64_t tolerance;
        int64_t delta;
        bool match;
    } cases[] = {
        {"exact later", {"1h"}, 2 * kS, kHour, true},
        {"exact earlier", {"1h"}, 2 * kS, -kHour, true},
        {"just inside above", {"1h"}, 2 * kS, kHour + 2 * kS, true},
        {"just outside above", {"1h"}, 2 * kS, kHour + 2 * kS + 1, false},
        {"just inside below", {"1h"}, 2 * kS, kHour - 2 * kS, true},
        {"just outside below", {"1h"}, 2 * kS, kHour - 2 * kS - 1, false},
        {"earlier just outside", {"1h"}, 2 * kS, -kHour - 2 * kS - 1, false},
        {"plus only later", {"+1h"}, 2 * kS, kHour, true},
        {"plus refuses earlier", {"+1h"}, 2 * kS, -kHour, false},
        {"minus only earlier", {"-1h"}, 2 * kS, -kHour, true},
        {"minus refuses later", {"-1h"}, 2 * kS, kHour, false},
        {"exactness one nanosecond off", {"1h"}, 0, kHour + 1, false},
        {"exactness", {"1h"}, 0, -kHour, true},
        {"second of several shifts", {"+1h", "-2h"}, 2 * kS, -2 * kHour + kS, true},
        {"none of several", {"+1h", "-2h"}, 2 * kS, 2 * kHour, false},
        {"zero difference never", {"1h"}, 2 * kS, 0, false},
        {"half an hour", {"30m"}, 0, -30 * 60 * kS, true},
        {"extreme difference", {"1000000h"}, 2 * kS, INT64_MIN, false},
    };
    for (const auto& c : cases) {
        const engine::Rule rule = RuleOf(c.shifts, c.tolerance);
        EXPECT_EQ(engine::MatchesDelta(rule, c.delta), c.match) << c.what;
    }
}

TEST(Rule, RefusedRules)
{
    std::string error;
    EXPECT_FALSE(engine::CheckRule(RuleOf({}), error));
    EXPECT_NE(error.find("--shift"), std::string::npos);
    EXPECT_FALSE(engine::CheckRule(RuleOf({"0s"}), error));
    EXPECT_NE(error.find("0s"), std::string::npos) << error;
    EXPECT_FALSE(engine::CheckRule(RuleOf({"1h", "2s"}), error));
    EXPECT_NE(error.find("tolerance"), std::string::npos) << error;
    EXPECT_FALSE(engine::CheckRule(RuleOf({"1h"}, kHour), error));
    EXPECT_TRUE(engine::CheckRule(RuleOf({"1h", "3s"}), error)) << error;
    EXPECT_TRUE(engine::CheckRule(RuleOf({"1h"}, kHour - 1), error)) << error;
}

TEST(Rule, ClassesOfPairs)
{
    const engine::Rule rule = RuleOf({"1h"});
    fsys::Facts original, copy;
    original.size = copy.size = 10;
    original.modified = {1000000, 5};
    copy.modified = {1003600, 5};
    int64_t delta = 0;
    EXPECT_EQ(engine::Classify(rule, original, copy, delta), engine::PairClass::Match);
    EXPECT_EQ(delta, kHour);
    copy.size = 11;
    EXPECT_EQ(engine::Classify(rule, original, copy, delta), engine::PairClass::OtherSize);
    copy.size = 10;
    copy.modified = original.modified;
    EXPECT_EQ(engine::Classify(rule, original, copy, delta), engine::PairClass::EqualTimes);
    copy.modified.nanos = 6;  // one nanosecond is a difference, not a match
    EXPECT_EQ(engine::Classify(rule, original, copy, delta), engine::PairClass::OtherDifference);
    EXPECT_EQ(delta, 1);
}

TEST(RuleOnFiles, NanosecondInstantsAndEdgesThroughTheProgram)
{
    harness::Scratch scratch;
    const std::string originals = scratch / "o", copies = scratch / "c";
    const int64_t t = 1300000000 * kS + 123456789;  // a fraction of a second
    harness::WritePairs(originals, copies,
                        {
                            {"exact", 10, t, kHour},
                            {"inside", 10, t, -kHour - 2 * kS},
                            {"outside", 10, t, kHour + 2 * kS + 1},
                            {"equal", 10, t, 0},
                            {"other-size", 10, t, kHour, 11},
                            {"nano-off", 10, t, 1},
                        });
    const auto result = harness::Run({"fix", originals, copies, "--shift", "1h", "--quiet"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(harness::ModifiedNanos(copies + "/exact"), t);
    EXPECT_EQ(harness::ModifiedNanos(copies + "/inside"), t);
    EXPECT_EQ(harness::ModifiedNanos(copies + "/outside"), t + kHour + 2 * kS + 1);
    EXPECT_EQ(harness::ModifiedNanos(copies + "/equal"), t);
    EXPECT_EQ(harness::ModifiedNanos(copies + "/other-size"), t + kHour);
    EXPECT_EQ(harness::ModifiedNanos(copies + "/nano-off"), t + 1);

    // Exactness: only the pair one hour off to the nanosecond.
    harness::WritePairs(originals, copies, {{"a", 5, t, kHour + 1}, {"b", 5, t, -kHour}});
    const auto exact = harness::Run({"fix", originals, copies, "--shift", "-1h", "--tolerance", "0s",
                                     "--json"});
    EXPECT_EQ(exact.status, 0) << exact.err;
    EXPECT_EQ(harness::ModifiedNanos(copies + "/a"), t + kHour + 1);
    EXPECT_EQ(harness::ModifiedNanos(copies + "/b"), t);
    EXPECT_NE(exact.out.find("\"matched\":1,"), std::string::npos) << exact.out;
}

TEST(RuleOnFiles, SeveralShiftsAndSigns)
{
    harness::Scratch scratch;
    const std::string originals = scratch / "o", copies = scratch / "c";
    const int64_t t = 1400000000 * kS;
    harness::WritePairs(originals, copies,
                        {{"later", 3, t, kHour}, {"earlier", 3, t, -kHour}, {"two", 3, t, 2 * kHour}});
    const auto result = harness::Run({"fix", originals, copies, "--shift", "+1h", "--shift", "+2h", "--quiet"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(harness::ModifiedNanos(copies + "/later"), t);
    EXPECT_EQ(harness::ModifiedNanos(copies + "/earlier"), t - kHour);
    EXPECT_EQ(harness::ModifiedNanos(copies + "/two"), t);
}
