// Pairing: depth, copies without originals, a folder or a link where a copy
// should be, symbolic links on either side never followed, the named folders
// themselves followed when they are links.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

struct Trees {
    harness::Scratch scratch;
    std::string originals = scratch / "originals";
    std::string copies = scratch / "copies";
};

}  // namespace

TEST(Pairing, DepthMissingAndUnpairedCopies)
{
    Trees trees;
    harness::WritePairs(trees.originals, trees.copies,
                        {{"top", 4, kT, kHour}, {"a/b/c/d/e/f/g/deep", 4, kT, -kHour}});
    harness::WriteFile(trees.originals + "/a/only-original", 4, kT);
    harness::WriteFile(trees.originals + "/lonely/folder/file", 4, kT);  // no such folder of copies
    harness::WriteFile(trees.copies + "/a/only-copy", 4, kT + kHour);
    harness::WriteFile(trees.copies + "/extra/x", 4, kT + kHour);
    const auto scan = harness::Run({"scan", trees.originals, trees.copies, "--json"});
    ASSERT_EQ(scan.status, 0) << scan.err;
    EXPECT_NE(scan.out.find("\"originals\":4,\"pairs\":2,"), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find("\"missing\":2,"), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find("\"without_original\":2,"), std::string::npos) << scan.out;

    const auto fix = harness::Run({"fix", trees.originals, trees.copies, "--shift", "1h", "--quiet"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    EXPECT_EQ(harness::ModifiedNanos(trees.copies + "/top"), kT);
    EXPECT_EQ(harness::ModifiedNanos(trees.copies + "/a/b/c/d/e/f/g/deep"), kT);
    EXPECT_EQ(harness::ModifiedNanos(trees.copies + "/a/only-copy"), kT + kHour);
    EXPECT_EQ(harness::ModifiedNanos(trees.copies + "/extra/x"), kT + kHour);
}

TEST(Pairing, FolderLinkOrDeviceWhereACopyShouldBeIsSkipped)
{
    Trees trees;
    harness::WritePairs(trees.originals, trees.copies, {{"fine", 4, kT, kHour}});
    harness::WriteFile(trees.originals + "/is-folder", 4, kT);
    harness::WriteFile(trees.copies + "/is-folder/inside", 4, kT + kHour);
    harness::WriteFile(trees.originals + "/is-link", 4, kT);
    harness::WriteFile(trees.scratch / "target", 4, kT + kHour);
    ASSERT_EQ(symlink((trees.scratch / "target").c_str(), (trees.copies + "/is-link").c_str()), 0);
    harness::WriteFile(trees.originals + "/is-fifo", 0, kT);
    ASSERT_EQ(mkfifo((trees.copies + "/is-fifo").c_str(), 0644), 0);
    const auto before = harness::Take(trees.scratch.path());
    const auto fix = harness::Run({"fix", trees.originals, trees.copies, "--shift", "1h", "--json"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    EXPECT_NE(fix.out.find("\"skipped\":3,"), std::string::npos) << fix.out;
    EXPECT_NE(fix.out.find("{\"event\":\"skipped\",\"path\":\"is-link\""), std::string::npos) << fix.out;
    EXPECT_EQ(harness::Differences(before, harness::Take(trees.scratch.path())),
              std::vector<std::string>{"copies/fine"});
}

TEST(Pairing, SymbolicLinksInsideAreNeverFollowed)
{
    Trees trees;
    harness::Scratch elsewhere;
    harness::WritePairs(elsewhere / "o", elsewhere / "c", {{"far", 4, kT, kHour}});
    harness::WritePairs(trees.originals, trees.copies, {{"near", 4, kT, kHour}});
    // A folder link among the originals, among the copies, and on both sides;
    // a file link among the originals.
    ASSERT_EQ(symlink((elsewhere / "o").c_str(), (trees.originals + "/linked").c_str()), 0);
    harness::MakeFolders(trees.copies + "/linked");
    harness::MakeFolders(trees.originals + "/cl");
    ASSERT_EQ(symlink((elsewhere / "c").c_str(), (trees.copies + "/cl").c_str()), 0);
    ASSERT_EQ(symlink((elsewhere / "o").c_str(), (trees.originals + "/both").c_str()), 0);
    ASSERT_EQ(symlink((elsewhere / "c").c_str(), (trees.copies + "/both").c_str()), 0);
    ASSERT_EQ(symlink((elsewhere / "o/far").c_str(), (trees.originals + "/far").c_str()), 0);
    ASSERT_EQ(symlink((elsewhere / "c/far").c_str(), (trees.copies + "/far").c_str()), 0);
    const auto before = harness::Take(elsewhere.path());
    const auto fix = harness::Run({"fix", trees.originals, trees.copies, "--shift", "1h", "--json"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    EXPECT_NE(fix.out.find("\"touched\":1,"), std::string::npos) << fix.out;
    EXPECT_TRUE(harness::Differences(before, harness::Take(elsewhere.path())).empty());
    EXPECT_EQ(harness::ModifiedNanos(trees.copies + "/near"), kT);
}

TEST(Pairing, NamedFoldersAreFollowedWhenLinks)
{
    Trees trees;
    harness::WritePairs(trees.originals, trees.copies, {{"sub/file", 4, kT, -kHour}});
    ASSERT_EQ(symlink(trees.originals.c_str(), (trees.scratch / "o-link").c_str()), 0);
    ASSERT_EQ(symlink(trees.copies.c_str(), (trees.scratch / "c-link").c_str()), 0);
    const auto fix = harness::Run({"fix", trees.scratch / "o-link", trees.scratch / "c-link/", "--shift", "1h",
                                   "--quiet"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    EXPECT_EQ(harness::ModifiedNanos(trees.copies + "/sub/file"), kT);
}
