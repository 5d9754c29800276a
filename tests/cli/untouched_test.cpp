// Nothing else changes: a snapshot of every entry on both sides (content,
// size, mode, both times) before and after a run differs only in the
// modification times of the matching copies; a dry run changes nothing.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1500000000 * kS + 987654321;

void MakeMixedTrees(const std::string& originals, const std::string& copies)
{
    harness::WritePairs(originals, copies,
                        {{"m1", 100, kT, kHour},
                         {"d/m2", 1, kT + 7, -kHour},
                         {"d/e/m3", 5000, kT, kHour + kS},
                         {"same", 10, kT, 0},
                         {"bigger", 10, kT, kHour, 12},
                         {"off", 10, kT, 2 * kHour},
                         {"d/empty", 0, kT, -kHour}});
    chmod((copies + "/m1").c_str(), 0400);  // read-only copies are repaired all the same
    chmod((copies + "/d/m2").c_str(), 0);
}

}  // namespace

TEST(Untouched, OnlyTheMatchesModificationTimesChange)
{
    harness::Scratch scratch;
    const std::string originals = scratch / "o", copies = scratch / "c";
    MakeMixedTrees(originals, copies);
    const auto beforeOriginals = harness::Take(originals);
    const auto beforeCopies = harness::Take(copies);
    const auto fix = harness::Run({"fix", originals, copies, "--shift", "1h", "--quiet"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    EXPECT_TRUE(harness::Differences(beforeOriginals, harness::Take(originals)).empty());
    auto afterCopies = harness::Take(copies);
    EXPECT_EQ(harness::Differences(beforeCopies, afterCopies),
              (std::vector<std::string>{"d/e/m3", "d/empty", "d/m2", "m1"}));
    for (const std::string name : {"m1", "d/m2", "d/e/m3", "d/empty"}) {
        const auto& before = beforeCopies.at(name);
        const auto& after = afterCopies.at(name);
        EXPECT_EQ(after.modified, beforeOriginals.at(name).modified) << name;
        EXPECT_EQ(after.accessed, before.accessed) << name;
        EXPECT_EQ(after.mode, before.mode) << name;
        EXPECT_EQ(after.content, before.content) << name;
    }
}

TEST(Untouched, DryRunChangesNothingAndListsWhatFixWouldTouch)
{
    harness::Scratch scratch;
    const std::string originals = scratch / "o", copies = scratch / "c";
    MakeMixedTrees(originals, copies);
    const auto before = harness::Take(scratch.path());
    const auto dry = harness::Run({"fix", originals, copies, "--shift", "1h", "--dry-run", "--jobs", "1"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_TRUE(harness::Differences(before, harness::Take(scratch.path())).empty());
    std::vector<std::string> listed;
    for (const std::string& line : harness::Lines(dry.out))
        if (line.rfind("would touch ", 0) == 0)
            listed.push_back(line.substr(12, line.find("  ") - 12));
    // Breadth-first, names sorted.
    EXPECT_EQ(listed, (std::vector<std::string>{copies + "/m1", copies + "/d/empty", copies + "/d/m2",
                                                copies + "/d/e/m3"}));

    // The real run touches exactly what the dry run listed.
    const auto json = harness::Run({"fix", originals, copies, "--shift", "1h", "--json", "--jobs", "1"});
    ASSERT_EQ(json.status, 0) << json.err;
    std::vector<std::string> touched;
    for (const std::string& line : harness::Lines(json.out)) {
        const std::string mark = "{\"event\":\"touched\",\"path\":\"";
        if (line.rfind(mark, 0) == 0)
            touched.push_back(copies + "/" + line.substr(mark.size(), line.find('"', mark.size()) - mark.size()));
    }
    EXPECT_EQ(touched, listed);
}
