// fix --folders: the copies' folders off by an allowed shift get their
// originals' times, each after everything inside it, journalled and undone
// to the nanosecond like files; without --folders no folder time changes.
#include <algorithm>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS + 1234500;  // a multiple of 100 ns: Windows keeps it

// The folders' times, set once every file is in place (a file made in a
// folder moves the folder's time).
struct FolderTrees {
    harness::Scratch scratch;
    std::string o = scratch / "o", c = scratch / "c", state = scratch / "state";
    FolderTrees()
    {
        harness::WritePairs(o, c,
                            {{"a/b/f", 4, kT, kHour},
                             {"a/g", 4, kT, kHour},
                             {"same/h", 4, kT, kHour},
                             {"far/i", 4, kT, kHour},
                             {"top", 4, kT, kHour}});
        harness::MakeFolders(o + "/only-original");
        harness::MakeFolders(c + "/only-copy");
        const std::pair<const char*, int64_t> folders[] = {
            {"a/b", kHour}, {"a", kHour}, {"same", 0}, {"far", 2 * kHour}, {"", -kHour}};
        for (const auto& [name, delta] : folders) {
            const std::string at = name[0] ? std::string("/") + name : std::string();
            harness::SetTimes(o + at, kT - 7 * kS, kT);
            harness::SetTimes(c + at, kT - 7 * kS + delta, kT);
        }
    }
    harness::Result Run(std::vector<std::string> args) const
    {
        harness::RunOptions options;
        options.stateHome = state;
        return harness::Run(args, options);
    }
};

size_t Find(const std::string& text, const std::string& what)
{
    const size_t at = text.find(what);
    EXPECT_NE(at, std::string::npos) << what << " in\n" << text;
    return at;
}

}  // namespace

TEST(Folders, RepairedAfterTheirContentsTheDeepestFirstAndUndoneExactly)
{
    FolderTrees trees;
    const auto before = harness::Take(trees.c);
    // Journals named, so that no test takes another's (on Windows the
    // default place is the profile's, shared by the tests).
    const std::string fixJournal = trees.scratch / "fix.jsonl";
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--folders", "--json", "--jobs", "2",
                                "--journal", fixJournal});
    ASSERT_EQ(fix.status, 0) << fix.err;
    for (const char* folder : {"/a/b", "/a", ""})
        EXPECT_EQ(harness::ModifiedNanos(trees.c + folder), kT - 7 * kS) << folder;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/same"), kT - 7 * kS);
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/far"), kT - 7 * kS + 2 * kHour);  // not matched
    // Every file's change is told before the first folder's, and the
    // folders come deepest first.
    const size_t lastFile = std::max({Find(fix.out, "\"path\":\"a/b/f\""), Find(fix.out, "\"path\":\"a/g\""),
                                      Find(fix.out, "\"path\":\"top\"")});
    const size_t ab = Find(fix.out, "{\"event\":\"touched\",\"path\":\"a/b/\"");
    const size_t a = Find(fix.out, "{\"event\":\"touched\",\"path\":\"a/\"");
    const size_t top = Find(fix.out, "{\"event\":\"touched\",\"path\":\"./\"");
    EXPECT_LT(lastFile, ab);
    EXPECT_LT(ab, a);
    EXPECT_LT(a, top);
    const std::string summary = harness::Lines(fix.out).back();
    EXPECT_NE(summary.find("\"touched\":5,"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\"folder_pairs\":5,\"folders_matched\":3,\"folders_touched\":3"), std::string::npos)
        << summary;

    const std::string undoJournal = trees.scratch / "undo.jsonl";
    const auto undo = trees.Run({"undo", fixJournal, "--journal", undoJournal});
    ASSERT_EQ(undo.status, 0) << undo.out << undo.err;
    EXPECT_TRUE(harness::Differences(before, harness::Take(trees.c)).empty());
    for (const char* folder : {"/a/b", "/a"})
        EXPECT_EQ(harness::ModifiedNanos(trees.c + folder), kT - 7 * kS + kHour) << folder;
    EXPECT_EQ(harness::ModifiedNanos(trees.c), kT - 7 * kS - kHour);
    // Undoing the undo puts the folders' repaired times back.
    const auto redo = trees.Run({"undo", undoJournal, "--journal", trees.scratch / "redo.jsonl"});
    ASSERT_EQ(redo.status, 0) << redo.out << redo.err;
    for (const char* folder : {"/a/b", "/a", ""})
        EXPECT_EQ(harness::ModifiedNanos(trees.c + folder), kT - 7 * kS) << folder;
}

TEST(Folders, DryRunListsThemAndWithoutTheOptionNoFolderChanges)
{
    FolderTrees trees;
    const auto before = harness::Take(trees.scratch.path());
    const auto dry = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--folders", "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_TRUE(harness::Differences(before, harness::Take(trees.scratch.path())).empty());
    const size_t ab = Find(dry.out, "would touch " + trees.c + "/a/b/ ");
    const size_t a = Find(dry.out, "would touch " + trees.c + "/a/ ");
    const size_t top = Find(dry.out, "would touch " + trees.c + "/ ");
    EXPECT_LT(Find(dry.out, "would touch " + trees.c + "/top "), ab);
    EXPECT_LT(ab, a);
    EXPECT_LT(a, top);
    EXPECT_EQ(dry.out.find("/far/ "), std::string::npos) << dry.out;

    const auto files = trees.Run({"fix", trees.o, trees.c, "--shift", "1h"});
    ASSERT_EQ(files.status, 0) << files.err;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/a/b"), kT - 7 * kS + kHour);
    EXPECT_EQ(harness::ModifiedNanos(trees.c), kT - 7 * kS - kHour);
    EXPECT_EQ(files.out.find("Folders"), std::string::npos) << files.out;

    // A manifest's folder times are not read: refused, not silently ignored.
    const auto manifest = trees.Run({"manifest", trees.o, "-o", trees.scratch / "o.mtree"});
    ASSERT_EQ(manifest.status, 0) << manifest.err;
    const auto against = trees.Run({"fix", "--against", trees.scratch / "o.mtree", trees.c, "--shift", "1h",
                                    "--folders"});
    EXPECT_EQ(against.status, 2);
    EXPECT_NE(against.err.find("--folders needs the folder of the originals"), std::string::npos) << against.err;
}

TEST(Folders, ExcludedFoldersKeepTheirTimes)
{
    FolderTrees trees;
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--folders", "--exclude", "/a/b/",
                                "--quiet"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/a/b"), kT - 7 * kS + kHour);
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/a"), kT - 7 * kS);
}

#ifndef _WIN32
namespace {

// rsync's itemized changes of a dry run from the originals to the copies.
std::string RsyncChanges(const std::string& originals, const std::string& copies)
{
    const std::string out = copies + ".rsync";
    const std::string command = "rsync -rtn --itemize-changes '" + originals + "/' '" + copies + "/' > '" + out + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(out);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(Folders, RsyncFindsNoFolderTimeToChangeAfterTheFix)
{
    if (std::system("command -v rsync >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "rsync is not installed";
    FolderTrees trees;
    harness::SetTimes(trees.c + "/far", kT - 7 * kS + kHour, kT);  // every folder shifted now
    const std::string before = RsyncChanges(trees.o, trees.c);
    EXPECT_NE(before.find(".d..t...... a/b/\n"), std::string::npos) << before;
    EXPECT_NE(before.find(".d..t...... ./\n"), std::string::npos) << before;
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--folders", "--quiet"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    const std::string after = RsyncChanges(trees.o, trees.c);
    EXPECT_EQ(after.find(".d..t"), std::string::npos) << after;
    EXPECT_EQ(after.find(">f"), std::string::npos) << after;  // the files, too
}

TEST(Folders, UndoLeavesAFolderMadeAnewAtItsPlace)
{
    FolderTrees trees;
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--folders", "--quiet"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    // Another folder put at a/b's place, with the time the run left.
    ASSERT_EQ(std::rename((trees.c + "/a/b").c_str(), (trees.c + "/a/b-old").c_str()), 0);
    harness::MakeFolders(trees.c + "/a/b");
    harness::SetTimes(trees.c + "/a/b", kT - 7 * kS, kT);
    harness::SetTimes(trees.c + "/a", kT - 7 * kS, kT);  // as the run left it, though its names changed
    const auto undo = trees.Run({"undo", "--last"});
    EXPECT_EQ(undo.status, 1) << undo.out << undo.err;
    EXPECT_NE(undo.err.find("another folder is at its place since the run"), std::string::npos) << undo.err;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/a/b"), kT - 7 * kS);
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/a"), kT - 7 * kS + kHour);
    EXPECT_EQ(harness::ModifiedNanos(trees.c), kT - 7 * kS - kHour);
}
#endif
