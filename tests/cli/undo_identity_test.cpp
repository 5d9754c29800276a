// Undo bound to what the run changed: the copies folder and each copy are
// known by their identity, so that another folder, volume or file at the same
// place is never set back, and a journal of the older version without
// identities is read with the originals kept out of its reach.
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1500000000 * kS + 987654321;

struct FixedRun {
    harness::Scratch scratch;
    std::string o = scratch / "o", c = scratch / "c", state = scratch / "state";
    std::string journal = scratch / "run.jsonl";
    harness::Snapshot fixed;  // both trees after the fix
    FixedRun()
    {
        harness::WritePairs(o, c, {{"a", 10, kT, kHour}, {"d/b", 20, kT + 5, -kHour}, {"d/e/c", 30, kT + 9, kHour}});
        const auto fix = Do({"fix", o, c, "--shift", "1h", "--journal", journal});
        EXPECT_EQ(fix.status, 0) << fix.err;
        fixed = Both();
    }
    harness::Snapshot Both() const
    {
        harness::Snapshot now;
        for (auto& [name, entry] : harness::Take(o))
            now["o/" + name] = entry;
        for (auto& [name, entry] : harness::Take(scratch.path()))
            if (name.rfind("c", 0) == 0)
                now[name] = entry;
        return now;
    }
    harness::Result Do(const std::vector<std::string>& args) const
    {
        harness::RunOptions options;
        options.stateHome = state;
        return harness::Run(args, options);
    }
};

}  // namespace

TEST(UndoIdentity, AnotherFolderAtTheCopiesPlaceIsRefusedAndNothingTouched)
{
    // The copies folder moved away and, in its place, a link to the
    // originals, the originals' own folder as a whole other folder, or a
    // folder with the same names as the copies (another volume mounted at
    // the same place, say).
    for (const std::string swap : {"link to originals", "link into originals", "another folder"}) {
        FixedRun run;
        ASSERT_EQ(rename(run.c.c_str(), (run.c + ".old").c_str()), 0);
        if (swap == "link to originals") {
            ASSERT_EQ(symlink(run.o.c_str(), run.c.c_str()), 0);
        } else if (swap == "link into originals") {
            ASSERT_EQ(symlink((run.o + "/d").c_str(), run.c.c_str()), 0);
        } else {
            harness::WritePairs(run.o + "-unused", run.c, {{"a", 10, kT, 0}, {"d/b", 20, kT + 5, 0}, {"d/e/c", 30, kT + 9, 0}});
        }
        const auto before = run.Both();
        const auto undo = run.Do({"undo", run.journal});
        EXPECT_EQ(undo.status, 2) << swap << undo.err << undo.out;
        EXPECT_NE(undo.err.find("not the one the run changed"), std::string::npos) << swap << undo.err;
        EXPECT_NE(undo.err.find("nothing was touched"), std::string::npos) << swap << undo.err;
        EXPECT_EQ(harness::Differences(before, run.Both()), std::vector<std::string>{}) << swap;
    }
}

TEST(UndoIdentity, ACopyMadeAnewSinceTheRunIsLeftAloneAndNamed)
{
    FixedRun run;
    // Made again as rsync makes it: a new file, same size and time, renamed
    // over the old one.
    harness::WriteFile(run.c + "/d/.b.tmp", 20, kT + 5);
    ASSERT_EQ(rename((run.c + "/d/.b.tmp").c_str(), (run.c + "/d/b").c_str()), 0);
    const auto undo = run.Do({"undo", run.journal});
    EXPECT_EQ(undo.status, 1) << undo.err;
    EXPECT_NE(undo.err.find(run.c + "/d/b: left alone, another file is at its place"), std::string::npos) << undo.err;
    EXPECT_EQ(harness::ModifiedNanos(run.c + "/d/b"), kT + 5);
    EXPECT_EQ(harness::ModifiedNanos(run.c + "/a"), kT + kHour);  // the same file: set back
    EXPECT_EQ(harness::ModifiedNanos(run.c + "/d/e/c"), kT + 9 + kHour);
}

TEST(UndoIdentity, AJournalOfTheOlderVersionIsReadButNeverReachesTheOriginals)
{
    FixedRun run;
    // The same run as the older version recorded it: long keys, ISO
    // instants, no identities.
    const std::string old = run.scratch / "old.jsonl";
    {
        std::ofstream out(old, std::ios::binary);
        out << R"({"kelvora_journal":1,"program":"kelvora-cli 1.0.0","command":"fix","arguments":[],"originals":")"
            << run.o << R"(","copies":")" << run.c << R"(","started":"2026-01-01T00:00:00.000000000Z"})" "\n"
            << R"({"intent":1,"path":"a","size":10,"before":"2017-07-14T03:40:00.987654321Z","set":"2017-07-14T02:40:00.987654321Z"})" "\n"
            << R"({"done":1})" "\n";
    }
    // Its copies folder now a link to the originals: refused.
    ASSERT_EQ(rename(run.c.c_str(), (run.c + ".old").c_str()), 0);
    ASSERT_EQ(symlink(run.o.c_str(), run.c.c_str()), 0);
    const auto before = run.Both();
    const auto refused = run.Do({"undo", old});
    EXPECT_EQ(refused.status, 2) << refused.err;
    EXPECT_NE(refused.err.find("is now the originals folder or lies inside it"), std::string::npos) << refused.err;
    EXPECT_EQ(harness::Differences(before, run.Both()), std::vector<std::string>{});
    // In its place again: taken back, with a warning that the copies are
    // known by place, size and time alone.
    ASSERT_EQ(unlink(run.c.c_str()), 0);
    ASSERT_EQ(rename((run.c + ".old").c_str(), run.c.c_str()), 0);
    const auto undo = run.Do({"undo", old});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_NE(undo.err.find("older version"), std::string::npos) << undo.err;
    EXPECT_EQ(harness::ModifiedNanos(run.c + "/a"), kT + kHour);
}

TEST(UndoIdentity, TheJournalNamesTheFolderOpenedNotWhereALinkLeadsLater)
{
    FixedRun run;
    const std::string text = harness::ReadText(run.journal);
    // The header names the folder by the path the system gives for the open
    // folder, and its identity.
    EXPECT_NE(text.find("\"copies\":\"" + run.c + "\""), std::string::npos) << text;
    struct stat st;
    ASSERT_EQ(stat(run.c.c_str(), &st), 0);
    EXPECT_NE(text.find("\"copies_object\":" + std::to_string(st.st_ino)), std::string::npos) << text;
    // A fix given a link records the folder it reached.
    harness::Scratch other;
    harness::WritePairs(other / "o", other / "real", {{"x", 1, kT, kHour}});
    ASSERT_EQ(symlink((other / "real").c_str(), (other / "via").c_str()), 0);
    const std::string journal = other / "j.jsonl";
    ASSERT_EQ(run.Do({"fix", other / "o", other / "via", "--shift", "1h", "--journal", journal}).status, 0);
    EXPECT_NE(harness::ReadText(journal).find("\"copies\":\"" + other / "real" + "\""), std::string::npos) << harness::ReadText(journal);
}
