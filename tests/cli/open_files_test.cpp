// A process allowed few open files still walks every folder and repairs
// every copy: the folders it keeps open stay within what it may hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

}  // namespace

TEST(OpenFiles, FewAllowedStillRepairsEveryCopyOnAnyNumberOfThreads)
{
    // 12 × 12 folders, three levels, two matches and one copy of another
    // size in each: far more folders than the 40 files the program may open.
    harness::Scratch scratch;
    std::vector<harness::Pair> pairs;
    for (int a = 0; a < 12; ++a) {
        for (int b = 0; b < 12; ++b) {
            const std::string folder = "a" + std::to_string(a) + "/b" + std::to_string(b);
            const int64_t t = kT + (a * 12 + b) * kS;
            pairs.push_back({folder + "/one", 3, t, kHour});
            pairs.push_back({folder + "/two", 4, t, -kHour});
            pairs.push_back({folder + "/other", 5, t, kHour, 6});
        }
    }
    for (const char* jobs : {"1", "2"}) {
        harness::WritePairs(scratch / "o", scratch / "c", pairs);
        harness::RunOptions limited;
        limited.openFileLimit = 40;
        const harness::Result scan = harness::Run({"scan", scratch / "o", scratch / "c", "--jobs", jobs, "--json"}, limited);
        EXPECT_EQ(scan.status, 0) << jobs << scan.err;
        EXPECT_NE(scan.out.find("\"same_size\":288"), std::string::npos) << jobs << scan.out;
        const harness::Result fix = harness::Run(
            {"fix", scratch / "o", scratch / "c", "--shift", "1h", "--jobs", jobs, "--json"}, limited);
        EXPECT_EQ(fix.status, 0) << jobs << fix.err;
        EXPECT_NE(fix.out.find("\"touched\":288"), std::string::npos) << jobs << fix.out.substr(fix.out.size() - 400);
        EXPECT_EQ(fix.err, "") << jobs;
        for (const harness::Pair& pair : pairs) {
            const int64_t expected = pair.copySize ? pair.originalNanos + pair.deltaNanos : pair.originalNanos;
            EXPECT_EQ(harness::ModifiedNanos(scratch / ("c/" + pair.relative)), expected) << jobs << pair.relative;
        }
    }
}

TEST(OpenFiles, JobsAreLoweredToWhatTheLimitAllowsAndSaidSo)
{
    // 500 folders, 16 files open at most, 8 threads asked for.
    harness::Scratch scratch;
    std::vector<harness::Pair> pairs;
    for (int a = 0; a < 20; ++a)
        for (int b = 0; b < 25; ++b)
            pairs.push_back({"a" + std::to_string(a) + "/b" + std::to_string(b) + "/f", 3, kT + b * kS, kHour});
    harness::WritePairs(scratch / "o", scratch / "c", pairs);
    harness::RunOptions limited;
    limited.openFileLimit = 16;
    const harness::Result fix =
        harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--jobs", "8", "--json"}, limited);
    EXPECT_EQ(fix.status, 0) << fix.err;
    EXPECT_NE(fix.err.find("--jobs 8 lowered to 1: the process may have only 16 files open at once"),
              std::string::npos)
        << fix.err;
    EXPECT_NE(fix.out.find("\"touched\":500,"), std::string::npos) << fix.out.substr(fix.out.size() - 400);
    EXPECT_NE(fix.out.find("\"unreadable_folders\":0,"), std::string::npos);
    // Quiet, and when the number was the program's own choice, nothing is said.
    const harness::Result scan = harness::Run({"scan", scratch / "o", scratch / "c"}, limited);
    EXPECT_EQ(scan.status, 0);
    EXPECT_EQ(scan.err, "");
}
