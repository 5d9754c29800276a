// Differences far beyond the range of nanoseconds in 64 bits (centuries):
// counted and printed by the second, exactly.
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>

#include "engine/histogram.h"
#include "harness.h"

namespace {

constexpr int64_t k1902 = -2145916800;   // 1902-01-01T00:00:00Z
constexpr int64_t k2400 = 13569465600;   // 2400-01-01T00:00:00Z

// A file whose time lies beyond what nanoseconds in 64 bits hold.
void WriteAt(const std::string& path, size_t size, int64_t seconds, long nanos)
{
    harness::WriteFile(path, size, 0);
    const struct timespec times[2] = {{seconds, nanos}, {seconds, nanos}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

}  // namespace

TEST(ScanRange, CenturiesApartAreCountedAndPrintedExactly)
{
    harness::Scratch scratch;
    WriteAt(scratch / "o/later", 4, k1902, 0);
    WriteAt(scratch / "c/later", 4, k2400, 500000000);
    WriteAt(scratch / "o/earlier", 5, k2400, 0);
    WriteAt(scratch / "c/earlier", 5, k1902, 0);
    const std::string seconds = std::to_string(k2400 - k1902);
    const std::string hours = std::to_string((k2400 - k1902) / 3600) + "h";

    const harness::Result json = harness::Run({"scan", scratch / "o", scratch / "c", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"seconds\":" + std::to_string(k2400 - k1902 + 1) + ",\"text\":\"+" + hours + "1s\""),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"seconds\":-" + seconds + ",\"text\":\"-" + hours + "\""), std::string::npos)
        << json.out;
    const harness::Result text = harness::Run({"scan", scratch / "o", scratch / "c"});
    EXPECT_EQ(text.status, 0) << text.err;
    // People read them in days.
    const std::string days = std::to_string((k2400 - k1902) / 86400) + "d";
    EXPECT_NE(text.out.find(" -" + days + " "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(" +" + days + "1s "), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("+-"), std::string::npos) << text.out;
    EXPECT_EQ(json.err + text.err, "");  // no report of undefined behaviour either
}

TEST(ScanRange, InstantsAtTheEndsOfTheRangeAndHalvesRoundAwayFromZero)
{
    engine::DeltaHistogram histogram;
    constexpr int64_t kMax = INT64_MAX, kMin = INT64_MIN;
    histogram.Add(fsys::Instant{kMax, 999999999}, fsys::Instant{kMin, 0});
    histogram.Add(fsys::Instant{kMin, 0}, fsys::Instant{kMax, 0});
    histogram.Add(fsys::Instant{-1, 500000000}, fsys::Instant{0, 0});   // −0.5 s
    histogram.Add(fsys::Instant{1, 0}, fsys::Instant{0, 500000000});    // +0.5 s
    histogram.Add(fsys::Instant{1, 0}, fsys::Instant{0, 600000000});    // +0.4 s
    histogram.Add(fsys::Instant{kMax, 0}, fsys::Instant{kMax - 3, 500000000});  // +2.5 s
    const auto top = histogram.Top(10);
    std::map<int64_t, uint64_t> counts(top.begin(), top.end());
    EXPECT_EQ(counts, (std::map<int64_t, uint64_t>{{kMin, 1}, {-1, 1}, {0, 1}, {1, 1}, {3, 1}, {kMax, 1}}));
}
