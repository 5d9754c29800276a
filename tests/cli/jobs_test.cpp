// The threaded walk: the same copies touched for any number of threads, and
// per-file output in a fixed order (breadth-first, names sorted) on one.
#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "engine/repair.h"
#include "engine/roots.h"
#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

// A bushy tree: folders of several depths and widths, a mix of pairs.
void MakeBushyTrees(const std::string& originals, const std::string& copies)
{
    std::vector<harness::Pair> pairs;
    for (int i = 0; i < 400; ++i) {
        std::string folder = "f" + std::to_string(i % 7);
        for (int d = 0; d < i % 4; ++d)
            folder += "/s" + std::to_string((i / 7 + d) % 3);
        const int64_t delta = i % 3 == 0 ? kHour : i % 3 == 1 ? -kHour : 0;
        pairs.push_back({folder + "/file" + std::to_string(i), size_t(1 + i % 5), kT + i * kS, delta,
                         i % 11 == 0 ? size_t{9} : size_t{0}});
    }
    harness::WritePairs(originals, copies, pairs);
}

struct Collecting : engine::Observer {
    void OnEvent(const engine::FileEvent& event) override { paths.push_back(event.path); }
    std::vector<std::string> paths;
};

std::vector<std::string> Planned(const std::string& originals, const std::string& copies, int jobs,
                                 engine::Totals& totals)
{
    engine::Roots roots;
    std::string error;
    EXPECT_TRUE(engine::OpenRoots(originals, copies, roots, error)) << error;
    engine::Job job;
    job.change = true;
    job.dryRun = true;
    job.countUnpaired = true;
    job.jobs = jobs;
    job.maxKeptHandles = 8;  // few, so that the threads also reopen folders
    job.rule.shifts.push_back({kHour, engine::ShiftSign::Either});
    Collecting observer;
    totals = engine::Repair(*roots.originals, *roots.copies, job, observer);
    return observer.paths;
}

}  // namespace

TEST(Jobs, SameResultForAnyNumberOfThreads)
{
    harness::Scratch scratch;
    MakeBushyTrees(scratch / "o", scratch / "c");
    engine::Totals one, four;
    std::vector<std::string> alone = Planned(scratch / "o", scratch / "c", 1, one);
    std::vector<std::string> together = Planned(scratch / "o", scratch / "c", 4, four);
    std::sort(together.begin(), together.end());
    std::vector<std::string> sorted = alone;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, together);
    EXPECT_EQ(one.matched, four.matched);
    EXPECT_EQ(one.pairs, four.pairs);
    EXPECT_EQ(one.sameSize, four.sameSize);
    EXPECT_GT(one.matched, 200u);

    // One thread: breadth-first, names sorted within each folder.
    auto depth = [](const std::string& p) { return std::count(p.begin(), p.end(), '/'); };
    for (size_t i = 1; i < alone.size(); ++i) {
        const auto& a = alone[i - 1];
        const auto& b = alone[i];
        ASSERT_LE(depth(a), depth(b)) << a << " before " << b;
        if (a.substr(0, a.rfind('/')) == b.substr(0, b.rfind('/'))) {
            EXPECT_LT(a, b);
        }
    }
    EXPECT_EQ(Planned(scratch / "o", scratch / "c", 1, one), alone);
}

TEST(Jobs, ProgramTouchesTheSameCopiesWithOneOrFourThreads)
{
    harness::Scratch one, four;
    MakeBushyTrees(one / "o", one / "c");
    MakeBushyTrees(four / "o", four / "c");
    const auto a = harness::Run({"fix", one / "o", one / "c", "--shift", "1h", "--jobs", "1", "--quiet"});
    const auto b = harness::Run({"fix", four / "o", four / "c", "--shift", "1h", "--jobs", "4", "--quiet"});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    const auto left = harness::Take(one / "c"), right = harness::Take(four / "c");
    ASSERT_EQ(left.size(), right.size());
    for (const auto& [name, state] : left) {
        if (state.kind == 'f') {
            EXPECT_EQ(state.modified, right.at(name).modified) << name;
        }
    }
}
