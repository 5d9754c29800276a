// "Touch heure..." on copies made across a change of the local offset (the
// tests run in Europe/Paris): a copy exactly the shift off its original in
// UTC is touched whatever its local clock reading, a copy at the original's
// instant never is.
#include <algorithm>
#include <set>

#include "touch_fixture.h"

using touchfixture::kHour;
using touchtree::Utc;
using widetree::WrittenSeconds;

namespace {

class OffsetChangeTest : public touchfixture::TouchWindowTest {};

std::multiset<std::string> Sorted(const std::vector<std::string>& lines)
{
    return std::multiset<std::string>(lines.begin(), lines.end());
}

struct PairCase {
    const wchar_t* name;
    const char* shownName;
    int64_t original;
    int64_t copy;
    bool touched;
};

TEST_F(OffsetChangeTest, CopiesAShiftOffInUtcOnBothChangeDaysAreTouchedAndPairsEqualInUtcAreNot)
{
    // 2010: summer time from 28 March 01:00 UTC (02:00 CET became 03:00
    // CEST) to 31 October 01:00 UTC (03:00 CEST became 02:00 CET).
    const int64_t spring = Utc(2010, 3, 28, 1, 0, 0);
    const int64_t autumn = Utc(2010, 10, 31, 1, 0, 0);
    const PairCase cases[] = {
        // 01:46:20 CET and 03:46:20 CEST: two hours apart on the local clock.
        {L"spring-before+1.dat", "spring-before+1.dat", spring - 820, spring - 820 + kHour, true},
        {L"spring-before-1.dat", "spring-before-1.dat", spring - 820, spring - 820 - kHour, true},
        {L"spring-after+1.dat", "spring-after+1.dat", spring + 820, spring + 820 + kHour, true},
        {L"spring-after-1.dat", "spring-after-1.dat", spring + 820, spring + 820 - kHour, true},
        {L"spring-before=.dat", "spring-before=.dat", spring - 820, spring - 820, false},
        {L"spring-after=.dat", "spring-after=.dat", spring + 820, spring + 820, false},
        // 02:37:32 CEST and 02:37:32 CET: the same local clock reading.
        {L"autumn-before+1.dat", "autumn-before+1.dat", autumn - 1348, autumn - 1348 + kHour, true},
        {L"autumn-before-1.dat", "autumn-before-1.dat", autumn - 1348, autumn - 1348 - kHour, true},
        {L"autumn-after+1.dat", "autumn-after+1.dat", autumn + 1348, autumn + 1348 + kHour, true},
        {L"autumn-after-1.dat", "autumn-after-1.dat", autumn + 1348, autumn + 1348 - kHour, true},
        {L"autumn-before=.dat", "autumn-before=.dat", autumn - 1348, autumn - 1348, false},
        {L"autumn-after=.dat", "autumn-after=.dat", autumn + 1348, autumn + 1348, false},
        // Two hours apart in UTC, one on the local clock: not the shift.
        {L"autumn-across+2.dat", "autumn-across+2.dat", autumn - 1348, autumn - 1348 + 2 * kHour, false},
        // One pair well inside each period.
        {L"winter.dat", "winter.dat", Utc(2010, 1, 15, 10, 0, 0), Utc(2010, 1, 15, 11, 0, 0), true},
        {L"summer.dat", "summer.dat", Utc(2010, 7, 14, 7, 5, 3), Utc(2010, 7, 14, 6, 5, 3), true},
        {L"late-winter.dat", "late-winter.dat", Utc(2010, 12, 20, 18, 0, 0), Utc(2010, 12, 20, 19, 0, 0), true},
    };
    std::multiset<std::string> expected;
    for (const PairCase& c : cases) {
        Pair(c.name, c.original, c.copy);
        if (c.touched)
            expected.insert(TouchedLine(c.shownName));
    }

    const auto lines = Touch("1");

    EXPECT_EQ(Sorted(lines), expected);
    for (const PairCase& c : cases) {
        EXPECT_EQ(WrittenSeconds(Copy(c.name)), c.touched ? c.original : c.copy) << c.shownName;
        EXPECT_EQ(WrittenSeconds(Original(c.name)), c.original) << c.shownName;
    }
}

TEST_F(OffsetChangeTest, WithAShiftOfZeroACopyLessThanAnHourLaterInUtcIsTouchedAcrossTheAutumnChange)
{
    // 02:55 CEST, then ten minutes later 02:05 CET: fifty minutes earlier on
    // the local clock, ten minutes later in UTC.
    const int64_t original = Utc(2010, 10, 31, 0, 55, 0);
    Pair(L"a.dat", original, original + 600);

    EXPECT_TRUE(Touch("1").empty());
    EXPECT_EQ(WrittenSeconds(Copy(L"a.dat")), original + 600);

    EXPECT_EQ(Touch("0"), std::vector<std::string>{TouchedLine("a.dat")});
    EXPECT_EQ(WrittenSeconds(Copy(L"a.dat")), original);
}

// The touch benchmark's tree of 50,000 pairs (its sizes and times; the
// contents do not matter to the run): copy k is one hour off when k % 4 is 0
// or 1, at the same instant when 2, of another size when 3. The originals
// are spread over 2010 at 631 s apart, so some lie within an hour of each
// change of offset.
TEST_F(OffsetChangeTest, TheBenchmarkTreeGivesALineForEveryCopyAnHourOff)
{
    const int pairs = 50000;
    const int folders = 500;
    const std::string perl =
        "cd '" + unixRoot + "' && perl -e '"
        "my ($n, $f) = (" + std::to_string(pairs) + ", " + std::to_string(folders) + ");"
        "for my $k (0 .. $n - 1) {"
        "  my $rel = \"d\" . ($k % $f) . \"/f$k.dat\";"
        "  my $size = 1024 + ($k * 37) % 3072; my $time = 1262304000 + $k * 631; my $m = $k % 4;"
        "  my $copyTime = $m == 1 ? $time - 3600 : $m == 2 ? $time : $time + 3600;"
        "  for my $side ([\"originals\", $size, $time], [\"copies\", $size + ($m == 3), $copyTime]) {"
        "    my ($dir, $bytes, $when) = @$side; mkdir \"$dir/d\" . ($k % $f);"
        "    open(my $file, \">\", \"$dir/$rel\") or die \"$dir/$rel: $!\";"
        "    truncate($file, $bytes) or die; close($file); utime($when, $when, \"$dir/$rel\") or die;"
        "  }"
        "}'";
    ASSERT_EQ(driver::RunUnix(perl), 0);
    std::multiset<std::string> expected;
    for (int k = 0; k < pairs; ++k) {
        if (k % 4 < 2)
            expected.insert(TouchedLine("d" + std::to_string(k % folders) + "\\f" + std::to_string(k) + ".dat"));
    }

    const auto lines = Touch("1");

    EXPECT_EQ(lines.size(), expected.size());
    EXPECT_TRUE(Sorted(lines) == expected);
    // The copies of originals within an hour of a change of offset.
    for (const char* closeToAChange :
         {"d492\\f41492.dat", "d497\\f41497.dat", "d280\\f11780.dat", "d285\\f11785.dat", "d276\\f11776.dat"})
        EXPECT_EQ(std::count(lines.begin(), lines.end(), TouchedLine(closeToAChange)), 1) << closeToAChange;
    EXPECT_EQ(touchtree::CountWrittenAt(copies + "\\d492", 1262304000 + 41492 * 631), 1);
}

}  // namespace
