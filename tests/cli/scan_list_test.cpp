// scan --list: the paths of the pairs of each kind that scan counts, one a
// line or as JSON Lines, the same pairs as the counts.
#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

struct ListTrees {
    harness::Scratch scratch;
    std::string o = scratch / "o", c = scratch / "c";
    ListTrees()
    {
        harness::WritePairs(o, c,
                            {{"d/shifted", 4, kT, kHour},
                             {"shifted two", 4, kT, kHour},
                             {"d/e/off", 4, kT, 2 * kHour},
                             {"equal", 4, kT, 0},
                             {"d/bigger", 4, kT, kHour, 9}});
        harness::WriteFile(o + "/d/lost", 1, kT);
        harness::WriteFile(o + "/only-here/lost too", 1, kT);
        harness::WriteFile(c + "/d/e/stray", 1, kT);
        harness::WriteFile(c + "/only-there/stray", 1, kT);
    }
    std::set<std::string> List(std::vector<std::string> extra) const
    {
        std::vector<std::string> args = {"scan", o, c};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto run = harness::Run(args);
        EXPECT_EQ(run.status, 0) << run.err;
        const auto lines = harness::Lines(run.out);
        return std::set<std::string>(lines.begin(), lines.end());
    }
};

using Paths = std::set<std::string>;

}  // namespace

TEST(ScanList, EachKindNamesThePairsItCounts)
{
    ListTrees trees;
    EXPECT_EQ(trees.List({"--list", "missing"}), (Paths{"d/lost", "only-here/lost too"}));
    EXPECT_EQ(trees.List({"--list", "orphans"}), (Paths{"d/e/stray", "only-there/stray"}));
    EXPECT_EQ(trees.List({"--list", "other-size"}), (Paths{"d/bigger"}));
    EXPECT_EQ(trees.List({"--list", "equal"}), (Paths{"equal"}));
    EXPECT_EQ(trees.List({"--list", "differing"}), (Paths{"d/shifted", "shifted two", "d/e/off"}));
    EXPECT_EQ(trees.List({"--list", "matching", "--shift", "1h"}), (Paths{"d/shifted", "shifted two"}));
    EXPECT_EQ(trees.List({"--list", "matching", "--shift", "-1h"}), Paths{});
    // Several kinds: each line starts with its kind.
    EXPECT_EQ(trees.List({"--list", "missing,equal", "--list", "other-size"}),
              (Paths{"missing d/lost", "missing only-here/lost too", "equal equal", "other-size d/bigger"}));
}

TEST(ScanList, JsonLinesBeforeTheSummaryAndTheRuleCounted)
{
    ListTrees trees;
    const auto run = harness::Run({"scan", trees.o, trees.c, "--json", "--list", "matching", "--shift", "1h",
                                   "--jobs", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = harness::Lines(run.out);
    ASSERT_GE(lines.size(), 3u) << run.out;
    std::vector<std::string> listed;
    for (const std::string& line : lines)
        if (line.find("\"event\":\"listed\"") != std::string::npos)
            listed.push_back(line);
    // One thread: the top folder, then d.
    EXPECT_EQ(listed, (std::vector<std::string>{"{\"event\":\"listed\",\"list\":\"matching\",\"path\":\"shifted two\"}",
                                                "{\"event\":\"listed\",\"list\":\"matching\",\"path\":\"d/shifted\"}"}));
    EXPECT_NE(lines.back().find("\"matched\":2"), std::string::npos) << lines.back();

    const auto text = harness::Run({"scan", trees.o, trees.c, "--shift", "1h"});
    ASSERT_EQ(text.status, 0) << text.err;
    const auto lines2 = harness::Lines(text.out);
    const auto matching = std::find_if(lines2.begin(), lines2.end(), [](const std::string& line) {
        return line.rfind("    matching --shift ", 0) == 0;
    });
    ASSERT_NE(matching, lines2.end()) << text.out;
    EXPECT_EQ(matching->substr(matching->find_last_not_of(' ') ), "2") << *matching;
    EXPECT_EQ(matching->find_first_not_of(' ', 20), matching->size() - 1) << *matching;
}

TEST(ScanList, FiltersApplyAndMistakesAreUsageErrors)
{
    ListTrees trees;
    EXPECT_EQ(trees.List({"--list", "missing", "--exclude", "only-here/"}), (Paths{"d/lost"}));
    const auto noShift = harness::Run({"scan", trees.o, trees.c, "--list", "matching"});
    EXPECT_EQ(noShift.status, 2);
    EXPECT_NE(noShift.err.find("--list matching needs --shift"), std::string::npos) << noShift.err;
    EXPECT_EQ(noShift.out, "");
    const auto unknown = harness::Run({"scan", trees.o, trees.c, "--list", "strays"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("strays"), std::string::npos) << unknown.err;
}

#ifndef _WIN32
TEST(ScanList, NamesOfEveryKindArePrintedSafely)
{
    harness::Scratch scratch;
    harness::WriteFile(scratch / "o/new\nline", 1, kT);
    harness::WriteFile(scratch / "o/bad\xff name", 1, kT);
    harness::WriteFile(scratch / "c/x", 1, kT);
    const auto text = harness::Run({"scan", scratch / "o", scratch / "c", "--list", "missing"});
    ASSERT_EQ(text.status, 0) << text.err;
    const auto lines = harness::Lines(text.out);
    EXPECT_EQ(Paths(lines.begin(), lines.end()), (Paths{"new\\x0Aline", "bad\\xFF name"})) << text.out;
    const auto json = harness::Run({"scan", scratch / "o", scratch / "c", "--list", "missing", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find(R"({"event":"listed","list":"missing","path":"bad\\xFF name","path_escaped":true})"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find(R"({"event":"listed","list":"missing","path":"new\nline"})"), std::string::npos)
        << json.out;
}
#endif
