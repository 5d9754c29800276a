// Times as people read them: local time with its offset, to the second,
// fractions only where two times differ by less than whole seconds; UTC
// with --utc; JSON and reports unchanged (UTC, nanoseconds).
#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include "cli/shown_time.h"
#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kWinter = 1262304000;  // 2010-01-01T00:00:00Z
const int64_t kSummer = 1277985600;  // 2010-07-01T12:00:00Z

// Runs the rest of a test in the zone `zone`, and puts the test process's
// back at the end.
class InZone {
public:
    explicit InZone(const char* zone)
    {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~InZone()
    {
        if (had_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool had_ = false;
    std::string old_;
};

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(ShownTime, LocalWithItsOffsetOrUtc)
{
    InZone paris("Europe/Paris");
    EXPECT_EQ(cli::ShownTime({kWinter, 0}, false), "2010-01-01 01:00:00+01:00");
    EXPECT_EQ(cli::ShownTime({kSummer, 0}, false), "2010-07-01 14:00:00+02:00");
    EXPECT_EQ(cli::ShownTime({kSummer, 0}, true), "2010-07-01 12:00:00Z");
    EXPECT_EQ(cli::ShownTime({kSummer, 123456789}, true, 3), "2010-07-01 12:00:00.123Z");
    EXPECT_EQ(cli::ShownTime({kSummer, 123456789}, false, 9), "2010-07-01 14:00:00.123456789+02:00");
    EXPECT_EQ(cli::ShownTime({-1, 999999999}, true, 6), "1969-12-31 23:59:59.999999Z");
    EXPECT_EQ(cli::ShownTime({-62135596800, 0}, true), "0001-01-01 00:00:00Z");
    {
        InZone newfoundland("America/St_Johns");
        EXPECT_EQ(cli::ShownTime({kWinter, 0}, false), "2009-12-31 20:30:00-03:30");
    }
    // Fractions where the difference is not whole seconds, as few as show it.
    EXPECT_EQ(cli::FractionDigits({1, 5}, {2, 5}), 0);
    EXPECT_EQ(cli::FractionDigits({1, 500000000}, {2, 0}), 3);
    EXPECT_EQ(cli::FractionDigits({1, 500000000}, {2, 1000}), 6);
    EXPECT_EQ(cli::FractionDigits({1, 1}, {2, 0}), 9);
}

TEST(ShownTime, LinesOfFixAndUndoReadTheSameWay)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c",
                        {{"later", 3, kSummer * kS + 250000000, kHour}, {"earlier", 4, kWinter * kS, -kHour}});
    harness::RunOptions paris;
    paris.environment = {"TZ=Europe/Paris"};
    paris.stateHome = scratch / "state";
    const auto dry = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--dry-run"}, paris);
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_TRUE(Has(dry.out, "c/later  2010-07-01 15:00:00+02:00 -> 2010-07-01 14:00:00+02:00  (+1h)\n")) << dry.out;
    EXPECT_TRUE(Has(dry.out, "c/earlier  2010-01-01 00:00:00+01:00 -> 2010-01-01 01:00:00+01:00  (-1h)\n")) << dry.out;
    const auto utc = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--dry-run", "--utc"}, paris);
    EXPECT_TRUE(Has(utc.out, "c/later  2010-07-01 13:00:00Z -> 2010-07-01 12:00:00Z  (+1h)\n")) << utc.out;
    const auto json = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json"}, paris);
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(Has(json.out, R"("set":"2010-07-01T12:00:00.250000000Z")")) << json.out;
    // Taken back: the same copy, the same difference, the same sign.
    const auto undo = harness::Run({"undo", "--last", "--dry-run"}, paris);
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_TRUE(Has(undo.out, "would restore " + scratch / "c/later  2010-07-01 14:00:00+02:00 -> "
                                                             "2010-07-01 15:00:00+02:00  (+1h)\n"))
        << undo.out;
    EXPECT_TRUE(Has(undo.out, "c/earlier  2010-01-01 01:00:00+01:00 -> 2010-01-01 00:00:00+01:00  (-1h)\n"))
        << undo.out;
    // The journals' list: when, in local time to the second.
    const auto list = harness::Run({"journals"}, paris);
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out.find(".000"), std::string::npos) << list.out;
    EXPECT_TRUE(list.out.size() > 25 && (list.out.compare(19, 6, "+01:00") == 0 || list.out.compare(19, 6, "+02:00") == 0))
        << list.out;
}

TEST(ShownTime, FractionsShowWhereTheDifferenceIsNotWholeSeconds)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 3, kSummer * kS, kHour + 500000000}});
    harness::RunOptions utc;
    utc.environment = {"TZ=UTC"};
    const auto dry = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--dry-run"}, utc);
    EXPECT_TRUE(Has(dry.out, "c/a  2010-07-01 13:00:00.500+00:00 -> 2010-07-01 12:00:00.000+00:00  (+1h0.5s)\n"))
        << dry.out;
}

TEST(ScanChart, BarsFollowTheCountsAndLargeDifferencesAreInDays)
{
    harness::Scratch scratch;
    std::vector<harness::Pair> pairs;
    for (int i = 0; i < 40; ++i)
        pairs.push_back({"h" + std::to_string(i), 1, kWinter * kS, kHour});
    for (int i = 0; i < 10; ++i)
        pairs.push_back({"y" + std::to_string(i), 1, kWinter * kS, 400 * 24 * kHour});
    pairs.push_back({"d", 1, kWinter * kS, -(2 * 24 + 3) * kHour});
    harness::WritePairs(scratch / "o", scratch / "c", pairs);
    const auto scan = harness::Run({"scan", scratch / "o", scratch / "c"});
    EXPECT_EQ(scan.status, 0) << scan.err;
    const auto bar = [&](const std::string& label) -> size_t {
        for (const std::string& line : harness::Lines(scan.out)) {
            const size_t at = line.find(label + " ");
            if (at != std::string::npos && line.find_first_not_of(' ') == at)
                return line.size() - line.find_last_not_of('#') - 1;
        }
        ADD_FAILURE() << label << " not in\n" << scan.out;
        return 0;
    };
    EXPECT_EQ(bar("+1h"), 40u);
    EXPECT_EQ(bar("+400d"), 10u);
    EXPECT_EQ(bar("-2d3h"), 1u);
}
