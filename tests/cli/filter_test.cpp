// --exclude and --include on real trees: what they leave out is neither
// counted, listed, written to a manifest nor touched, on both sides, and the
// first rule that matches decides.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

// Every pair off by an hour.
struct FilterTrees {
    harness::Scratch scratch;
    std::string o = scratch / "o", c = scratch / "c";
    FilterTrees()
    {
        harness::WritePairs(o, c,
                            {{"keep/a.jpg", 4, kT, kHour},
                             {"keep/b.tmp", 4, kT, kHour},
                             {"keep/keep.tmp", 4, kT, kHour},
                             {"cache/x.jpg", 4, kT, kHour},
                             {"cache/deeper/y.jpg", 4, kT, kHour},
                             {"sub/cache", 4, kT, kHour},
                             {"top.txt", 4, kT, kHour},
                             {"deep/top.txt", 4, kT, kHour}});
    }
    harness::Result Run(std::vector<std::string> args) const
    {
        harness::RunOptions options;
        options.stateHome = scratch / "state";
        return harness::Run(args, options);
    }
    std::vector<std::string> Touched(const harness::Snapshot& before) const
    {
        return harness::Differences(before, harness::Take(c));
    }
};

long SummaryCount(const std::string& json, const std::string& key)
{
    const auto at = json.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::stol(json.substr(at + key.size() + 3));
}

}  // namespace

TEST(Filters, FixLeavesOutWhatTheRulesExclude)
{
    FilterTrees trees;
    const auto before = harness::Take(trees.c);
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--exclude", "*.tmp", "--exclude",
                                "cache/", "--exclude=/top.txt", "--json"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    EXPECT_EQ(trees.Touched(before), (std::vector<std::string>{"deep/top.txt", "keep/a.jpg", "sub/cache"}));
    const std::string summary = harness::Lines(fix.out).back();
    EXPECT_EQ(SummaryCount(summary, "originals"), 3) << summary;
    EXPECT_EQ(SummaryCount(summary, "pairs"), 3) << summary;
    EXPECT_EQ(SummaryCount(summary, "touched"), 3) << summary;
    EXPECT_EQ(fix.out.find("cache/x.jpg"), std::string::npos) << fix.out;
}

TEST(Filters, TheFirstMatchingRuleDecidesInTheOrderGiven)
{
    FilterTrees trees;
    auto before = harness::Take(trees.c);
    const auto keepFirst = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--quiet", "--include", "keep.tmp",
                                      "--exclude", "*.tmp", "--exclude", "/cache/", "--exclude", "/sub/",
                                      "--exclude", "*.txt", "--no-journal"});
    ASSERT_EQ(keepFirst.status, 0) << keepFirst.err;
    EXPECT_EQ(trees.Touched(before), (std::vector<std::string>{"keep/a.jpg", "keep/keep.tmp"}));

    FilterTrees again;
    before = harness::Take(again.c);
    const auto excludeFirst = again.Run({"fix", again.o, again.c, "--shift", "1h", "--quiet", "--exclude", "*.tmp",
                                         "--include", "keep.tmp", "--exclude", "/cache/", "--exclude", "/sub/",
                                         "--exclude", "*.txt", "--no-journal"});
    ASSERT_EQ(excludeFirst.status, 0) << excludeFirst.err;
    EXPECT_EQ(again.Touched(before), (std::vector<std::string>{"keep/a.jpg"}));
}

TEST(Filters, ScanCountsOnlyWhatIsKept)
{
    FilterTrees trees;
    harness::WriteFile(trees.o + "/cache/lost", 1, kT);  // missing, but left out
    harness::WriteFile(trees.c + "/stray.tmp", 1, kT);   // an orphan, left out
    const auto scan = trees.Run({"scan", trees.o, trees.c, "--json", "--include", "*/", "--include", "*.jpg",
                                 "--exclude", "*"});
    ASSERT_EQ(scan.status, 0) << scan.err;
    const std::string summary = harness::Lines(scan.out).back();
    EXPECT_EQ(SummaryCount(summary, "originals"), 3) << summary;  // keep/a.jpg, cache/x.jpg, cache/deeper/y.jpg
    EXPECT_EQ(SummaryCount(summary, "missing"), 0) << summary;
    EXPECT_EQ(SummaryCount(summary, "without_original"), 0) << summary;
}

TEST(Filters, ManifestLeavesOutWhatTheRulesExcludeAndAgainstFiltersTheRecord)
{
    FilterTrees trees;
    const auto manifest = trees.Run({"manifest", trees.o, "--exclude", "cache/", "--exclude", "*.tmp"});
    ASSERT_EQ(manifest.status, 0) << manifest.err;
    EXPECT_NE(manifest.out.find("./keep/a.jpg type=file"), std::string::npos) << manifest.out;
    EXPECT_EQ(manifest.out.find("cache type=dir"), std::string::npos) << manifest.out;
    EXPECT_EQ(manifest.out.find("x.jpg"), std::string::npos) << manifest.out;
    EXPECT_EQ(manifest.out.find(".tmp"), std::string::npos) << manifest.out;
    EXPECT_NE(manifest.out.find("./sub/cache type=file"), std::string::npos) << manifest.out;

    // A manifest of everything, used with the rules: the record is filtered as a walk would be.
    const auto whole = trees.Run({"manifest", trees.o, "-o", trees.scratch / "all.mtree"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    const auto before = harness::Take(trees.c);
    const auto fix = trees.Run({"fix", "--against", trees.scratch / "all.mtree", trees.c, "--shift", "1h",
                                "--quiet", "--exclude", "cache/", "--exclude", "*.tmp", "--exclude", "*.txt"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    EXPECT_EQ(trees.Touched(before), (std::vector<std::string>{"keep/a.jpg", "sub/cache"}));
    const auto scan = trees.Run({"scan", "--against", trees.scratch / "all.mtree", trees.c, "--json",
                                 "--exclude", "cache/", "--exclude", "*.tmp"});
    ASSERT_EQ(scan.status, 0) << scan.err;
    const std::string summary = harness::Lines(scan.out).back();
    EXPECT_EQ(SummaryCount(summary, "originals"), 4) << summary;
    EXPECT_EQ(SummaryCount(summary, "missing"), 0) << summary;
}

TEST(Filters, PatternsThatMatchNothingAreUsageErrors)
{
    FilterTrees trees;
    const auto before = harness::Take(trees.scratch.path());
    for (const char* pattern : {"/", "a[b"}) {
        const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--exclude", pattern});
        EXPECT_EQ(fix.status, 2) << pattern;
        EXPECT_NE(fix.err.find("--exclude \"" + std::string(pattern) + "\""), std::string::npos) << fix.err;
    }
    EXPECT_TRUE(harness::Differences(before, harness::Take(trees.scratch.path())).empty());
}
