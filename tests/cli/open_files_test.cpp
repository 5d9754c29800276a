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
