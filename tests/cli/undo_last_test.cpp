// Which run `undo --last` takes back and what `journals` tells of each: a run
// that changed nothing keeps no journal, runs undone are passed over, a
// journal that cannot be trusted stops the choice, and the journal folder is
// recognised whatever the spelling of its path. Also journals that cannot be
// written whole, and files that only look like journals.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1500000000 * kS + 987654321;

struct Trees {
    harness::Scratch scratch;
    std::string o = scratch / "o", c = scratch / "c", state = scratch / "state";
    harness::Snapshot before;
    explicit Trees(int count = 6)
    {
        std::vector<harness::Pair> pairs;
        for (int i = 0; i < count; ++i)
            pairs.push_back({"d" + std::to_string(i % 3) + "/f" + std::to_string(1000 + i), 3, kT + i * 1001, kHour});
        harness::WritePairs(o, c, pairs);
        before = Now();
    }
    harness::Snapshot Now() const
    {
        harness::Snapshot now;
        for (auto& [name, entry] : harness::Take(o))
            now["o/" + name] = entry;
        for (auto& [name, entry] : harness::Take(c))
            now["c/" + name] = entry;
        return now;
    }
    harness::Result Run(const std::vector<std::string>& args, std::vector<std::string> environment = {},
                        long fileSizeLimit = 0) const
    {
        harness::RunOptions options;
        options.stateHome = state;
        options.environment = std::move(environment);
        options.fileSizeLimit = fileSizeLimit;
        return harness::Run(args, options);
    }
};

}  // namespace

TEST(UndoLast, ARunThatChangedNothingKeepsNoJournalAndLastTakesTheRunThatDid)
{
    Trees trees;
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h"}).status, 0);
    const auto again = trees.Run({"fix", trees.o, trees.c, "--shift", "1h"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("No copy was changed: no journal was kept."), std::string::npos) << again.out;
    EXPECT_EQ(again.out.find("to take this run back"), std::string::npos) << again.out;
    const auto journals = harness::JournalsIn(trees.state);
    ASSERT_EQ(journals.size(), 1u);
    // The undo names the journal it takes, first, in text and in JSON.
    const auto dry = trees.Run({"undo", "--last", "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(harness::Lines(dry.out).at(0).rfind("Would undo " + journals[0] + " (fix of ", 0), 0u) << dry.out;
    const auto undo = trees.Run({"undo", "--last", "--json"});
    ASSERT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(harness::Lines(undo.out).at(0).rfind("{\"event\":\"journal\",\"journal\":\"" + journals[0] + "\"", 0), 0u)
        << undo.out;
    EXPECT_NE(undo.out.find("\"restored\":6"), std::string::npos) << undo.out;
    EXPECT_EQ(harness::Differences(trees.before, trees.Now()), std::vector<std::string>{});
    // Every run taken back: nothing left for --last, and it says so.
    const auto none = trees.Run({"undo", "--last"});
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_NE(none.out.find("Nothing to undo: every fix run in"), std::string::npos) << none.out;
    EXPECT_EQ(harness::Differences(trees.before, trees.Now()), std::vector<std::string>{});
    // Named by its path, the run undone says by which undo.
    const auto named = trees.Run({"undo", journals[0]});
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_NE(named.out.find("Nothing to undo"), std::string::npos) << named.out;
    EXPECT_NE(named.out.find("undone by " + harness::JournalsIn(trees.state).at(1)), std::string::npos) << named.out;
    EXPECT_EQ(harness::JournalsIn(trees.state).size(), 2u);  // no journal for the undo that changed nothing
}

TEST(UndoLast, AnInterruptedRunAndItsReRunAreBothTakenBackInTurn)
{
    Trees trees(400);
    const auto killed = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--jobs", "1", "--quiet"},
                                  {"KELVORA_TEST_KILL_AFTER=200", "KELVORA_TEST_BATCH=128"});
    ASSERT_EQ(killed.status, 128 + SIGKILL) << killed.err;
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--jobs", "1", "--quiet"}).status, 0);
    const auto journals = harness::JournalsIn(trees.state);
    ASSERT_EQ(journals.size(), 2u);
    const auto first = trees.Run({"undo", "--last", "--quiet"});
    ASSERT_EQ(first.status, 0) << first.err;
    // The re-run is taken back; the interrupted run's changes stay, and are
    // what the next --last takes.
    EXPECT_NE(harness::Differences(trees.before, trees.Now()), std::vector<std::string>{});
    const auto second = trees.Run({"undo", "--last"});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(harness::Lines(second.out).at(0).rfind("Undoing " + journals[0], 0), 0u) << second.out;
    EXPECT_EQ(harness::Differences(trees.before, trees.Now()), std::vector<std::string>{});
    EXPECT_NE(trees.Run({"undo", "--last"}).out.find("Nothing to undo"), std::string::npos);
}

TEST(UndoLast, ARunKilledBeforeItsFirstChangeIsPassedOverOnceFoundAsBefore)
{
    Trees earlier, killed;
    killed.state = earlier.state;
    ASSERT_EQ(earlier.Run({"fix", earlier.o, earlier.c, "--shift", "1h"}).status, 0);
    const auto run = killed.Run({"fix", killed.o, killed.c, "--shift", "1h", "--quiet"}, {"KELVORA_TEST_KILL_AFTER=0"});
    ASSERT_EQ(run.status, 128 + SIGKILL) << run.err;
    const auto journals = harness::JournalsIn(killed.state);
    ASSERT_EQ(journals.size(), 2u);
    // The killed run comes first: its copies all have their time from before.
    const auto first = killed.Run({"undo", "--last"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(harness::Lines(first.out).at(0).rfind("Undoing " + journals[1], 0), 0u) << first.out;
    EXPECT_NE(first.out.find("Nothing to undo"), std::string::npos) << first.out;
    // Then the run before it.
    const auto second = killed.Run({"undo", "--last"});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(harness::Lines(second.out).at(0).rfind("Undoing " + journals[0], 0), 0u) << second.out;
    EXPECT_EQ(harness::Differences(earlier.before, earlier.Now()), std::vector<std::string>{});
    EXPECT_EQ(harness::Differences(killed.before, killed.Now()), std::vector<std::string>{});
}

TEST(UndoLast, AnUndoKilledPartWayIsFinishedByTheOriginalAndUndoneByItsOwnJournal)
{
    for (const int killAfter : {0, 1, 150, 399}) {
        Trees trees(400);
        ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--jobs", "1", "--quiet"}).status, 0);
        const harness::Snapshot fixed = trees.Now();
        const std::string fix = harness::JournalsIn(trees.state).at(0);
        const auto killed = trees.Run({"undo", fix, "--quiet"}, {"KELVORA_TEST_KILL_AFTER=" + std::to_string(killAfter)});
        ASSERT_EQ(killed.status, 128 + SIGKILL) << killAfter << killed.err;
        const auto journals = harness::JournalsIn(trees.state);
        ASSERT_EQ(journals.size(), 2u) << killAfter;
        // The killed undo taken back: the trees as the fix left them.
        const auto back = trees.Run({"undo", journals[1], "--quiet"});
        EXPECT_EQ(back.status, 0) << killAfter << back.err;
        EXPECT_EQ(harness::Differences(fixed, trees.Now()), std::vector<std::string>{}) << killAfter;
        // The fix is still the run --last takes; all of it comes back.
        const auto last = trees.Run({"undo", "--last"});
        EXPECT_EQ(last.status, 0) << killAfter << last.err;
        EXPECT_EQ(harness::Lines(last.out).at(0).rfind("Undoing " + fix, 0), 0u) << last.out;
        EXPECT_EQ(harness::Differences(trees.before, trees.Now()), std::vector<std::string>{}) << killAfter;
        EXPECT_NE(trees.Run({"undo", "--last"}).out.find("Nothing to undo"), std::string::npos) << killAfter;
    }
}

TEST(UndoLast, TheNewestJournalUntrustedStopsTheChoiceAndIsNamed)
{
    Trees older, newer;
    newer.state = older.state;
    ASSERT_EQ(older.Run({"fix", older.o, older.c, "--shift", "1h"}).status, 0);
    ASSERT_EQ(newer.Run({"fix", newer.o, newer.c, "--shift", "1h"}).status, 0);
    const std::string broken = harness::JournalsIn(newer.state).at(1);
    std::string text = harness::ReadText(broken);
    text.replace(text.find("\"kelvora_journal\":2"), 19, "\"kelvora_journal\":9");
    std::ofstream(broken, std::ios::binary | std::ios::trunc) << text;
    const auto olderFixed = older.Now(), newerFixed = newer.Now();
    const auto undo = older.Run({"undo", "--last"});
    EXPECT_EQ(undo.status, 2) << undo.err;
    EXPECT_NE(undo.err.find("the newest journal, \"" + broken + "\", cannot be trusted"), std::string::npos)
        << undo.err;
    EXPECT_EQ(harness::Differences(olderFixed, older.Now()), std::vector<std::string>{});
    EXPECT_EQ(harness::Differences(newerFixed, newer.Now()), std::vector<std::string>{});
}

TEST(UndoLast, JournalsTellsUndoneRunsThroughALinkedOrSlashEndedFolderAndCountsOnlyUnsureChanges)
{
    Trees trees;
    const std::string real = trees.scratch / "real-state";
    ASSERT_EQ(mkdir(real.c_str(), 0700), 0);
    ASSERT_EQ(symlink(real.c_str(), trees.state.c_str()), 0);
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h"}).status, 0);
    ASSERT_EQ(trees.Run({"undo", "--last"}).status, 0);
    for (const std::string& home : {trees.state, trees.state + "/", real + "/"}) {
        harness::RunOptions options;
        options.stateHome = home;
        const auto list = harness::Run({"journals"}, options);
        ASSERT_EQ(list.status, 0) << list.err;
        const auto lines = harness::Lines(list.out);
        ASSERT_GE(lines.size(), 1u) << list.out;
        EXPECT_NE(lines[0].find("6 touched"), std::string::npos) << list.out;
        EXPECT_NE(lines[0].find("  undone"), std::string::npos) << home << "\n" << list.out;
        EXPECT_EQ(lines[0].find("not undone"), std::string::npos) << home << "\n" << list.out;
    }
}

TEST(UndoLast, ACleanlyStoppedRunHasNoUnsureChangesAndTheColumnsStayAligned)
{
    Trees trees(3000);
    const std::string fifo = trees.scratch / "report.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    harness::RunOptions options;
    options.stateHome = trees.state;
    options.environment = {"KELVORA_TEST_BATCH=500"};
    options.whileRunning = [&](pid_t pid) {
        const int fd = open(fifo.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        char buffer[4096];
        ssize_t n = read(fd, buffer, sizeof buffer);
        kill(pid, SIGTERM);
        while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        }
        close(fd);
    };
    const auto fix = harness::Run({"fix", trees.o, trees.c, "--shift", "1h", "--jobs", "1", "--report", fifo}, options);
    ASSERT_EQ(fix.status, 143) << fix.err;
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--jobs", "1"}).status, 0);
    const auto list = trees.Run({"journals"});
    ASSERT_EQ(list.status, 0) << list.err;
    const auto lines = harness::Lines(list.out);
    ASSERT_EQ(lines.size(), 6u) << list.out;
    EXPECT_EQ(list.out.find("unsure"), std::string::npos) << list.out;
    EXPECT_NE(lines[0].find("(stopped)"), std::string::npos) << list.out;
    EXPECT_EQ(lines[0].find("touched"), lines[3].find("touched")) << list.out;
    EXPECT_EQ(lines[0].find("not undone"), lines[3].find("not undone")) << list.out;
}

TEST(UndoLast, AJournalWriteThatFailsLeavesAJournalThatUndoesEveryChangeMade)
{
    // The journal may grow to some 16 kB: the first batch's intents fit,
    // the second's do not.
    Trees trees(400);
    const std::string journal = trees.scratch / "j.jsonl";
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--jobs", "1", "--quiet", "--journal", journal},
                               {"KELVORA_TEST_BATCH=128"}, 16000);
    EXPECT_EQ(fix.status, 1) << fix.err;
    EXPECT_NE(fix.err.find("could not be written to the journal first"), std::string::npos) << fix.err;
    EXPECT_NE(harness::Differences(trees.before, trees.Now()), std::vector<std::string>{});
    const auto undo = trees.Run({"undo", journal});
    EXPECT_EQ(undo.status, 0) << undo.err << undo.out;
    EXPECT_EQ(harness::Differences(trees.before, trees.Now()), std::vector<std::string>{});
}

TEST(UndoLast, AJournalThatCannotTakeItsHeaderIsNotLeftBehind)
{
    Trees trees;
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h"}, {}, 100);
    EXPECT_EQ(fix.status, 2) << fix.err;
    EXPECT_NE(fix.err.find("nothing was changed"), std::string::npos) << fix.err;
    EXPECT_EQ(harness::JournalsIn(trees.state), std::vector<std::string>{});
    EXPECT_EQ(harness::Differences(trees.before, trees.Now()), std::vector<std::string>{});
    const auto list = trees.Run({"journals"});
    EXPECT_EQ(list.status, 0) << list.err;
    // An empty file such as an earlier version left is named, and pruned.
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h"}).status, 0);
    const std::string empty = trees.state + "/kelvora/journal/20000101T000000.000000000Z.jsonl";
    std::ofstream{empty};
    const auto named = trees.Run({"journals"});
    EXPECT_EQ(named.status, 1);
    EXPECT_NE(named.err.find(empty + "\" cannot be trusted: the journal is empty"), std::string::npos) << named.err;
    const auto pruned = trees.Run({"journals", "--prune", "--keep", "0"});
    EXPECT_EQ(pruned.status, 0) << pruned.err;
    EXPECT_EQ(harness::JournalsIn(trees.state).size(), 1u) << pruned.out;
}

TEST(UndoLast, AFifoNamedLikeAJournalIsRefusedWithoutWaiting)
{
    Trees trees;
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h"}).status, 0);
    const std::string fifo = trees.state + "/kelvora/journal/29991231T000000.000000000Z.jsonl";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto list = trees.Run({"journals"});
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.err.find("not a regular file"), std::string::npos) << list.err;
    const auto named = trees.Run({"undo", fifo});
    EXPECT_EQ(named.status, 2);
    EXPECT_NE(named.err.find("not a regular file"), std::string::npos) << named.err;
    // Named by its path, a journal is undone without the others being read.
    const std::string journal = harness::JournalsIn(trees.state).at(0);
    const auto undo = trees.Run({"undo", journal});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(harness::Differences(trees.before, trees.Now()), std::vector<std::string>{});
}

TEST(UndoLast, PruneRemovesUndoneAndOldRunsButKeepsTheNewest)
{
    Trees trees;
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h"}).status, 0);
    ASSERT_EQ(trees.Run({"undo", "--last", "--quiet"}).status, 0);   // the fix and its undo: prunable
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h"}).status, 0);  // not undone
    const auto all = harness::JournalsIn(trees.state);
    ASSERT_EQ(all.size(), 3u);
    const auto kept = trees.Run({"journals", "--prune", "--keep", "2"});
    ASSERT_EQ(kept.status, 0) << kept.err;
    EXPECT_EQ(harness::JournalsIn(trees.state), (std::vector<std::string>{all[1], all[2]})) << kept.out;
    EXPECT_NE(kept.out.find("Removed " + all[0] + " (undone)"), std::string::npos) << kept.out;
    const auto dry = trees.Run({"journals", "--prune", "--keep", "0", "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("Would remove " + all[1] + " (undo of " + all[0] + ")"), std::string::npos) << dry.out;
    EXPECT_EQ(dry.out.find("Would remove " + all[2]), std::string::npos) << dry.out;
    EXPECT_EQ(harness::JournalsIn(trees.state).size(), 2u);
    ASSERT_EQ(trees.Run({"journals", "--prune", "--keep", "0"}).status, 0);
    EXPECT_EQ(harness::JournalsIn(trees.state), std::vector<std::string>{all[2]});  // a run not undone stays
    ASSERT_EQ(trees.Run({"journals", "--prune", "--keep", "0", "--older-than", "0s"}).status, 0);
    EXPECT_EQ(harness::JournalsIn(trees.state), std::vector<std::string>{});
    EXPECT_EQ(trees.Run({"journals", "--prune", "--older-than", "soon"}).status, 2);
}
