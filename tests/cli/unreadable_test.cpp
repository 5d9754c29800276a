// Folders and files the program may not read, and a copy it may not change:
// each is named on stderr with the system's reason, counts as a failure
// (exit 1), and the walk goes on with the rest.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

harness::RunOptions WithoutOverride()
{
    harness::RunOptions options;
    options.withoutOverride = true;
    return options;
}

}  // namespace

TEST(Unreadable, FoldersOnEitherSideAreNamedAndTheRestIsRepaired)
{
    harness::Scratch scratch;
    const std::string originals = scratch / "o", copies = scratch / "c";
    harness::WritePairs(originals, copies,
                        {{"a/locked-original/f", 4, kT, kHour},
                         {"b/locked-copy/f", 4, kT, kHour},
                         {"z/fine", 4, kT, kHour}});
    ASSERT_EQ(chmod((originals + "/a/locked-original").c_str(), 0), 0);
    ASSERT_EQ(chmod((copies + "/b/locked-copy").c_str(), 0), 0);
    const auto fix = harness::Run({"fix", originals, copies, "--shift", "1h"}, WithoutOverride());
    EXPECT_EQ(fix.status, 1) << fix.err;
    EXPECT_NE(fix.err.find(originals + "/a/locked-original: Permission denied"), std::string::npos) << fix.err;
    EXPECT_NE(fix.err.find(copies + "/b/locked-copy: Permission denied"), std::string::npos) << fix.err;
    EXPECT_EQ(harness::ModifiedNanos(copies + "/z/fine"), kT);
    chmod((copies + "/b/locked-copy").c_str(), 0755);
    EXPECT_EQ(harness::ModifiedNanos(copies + "/b/locked-copy/f"), kT + kHour);
}

TEST(Unreadable, FilesWithoutPermissionsAreRepairedWhenTheFolderIsSearchable)
{
    // Reading a file's facts needs no right on the file itself: chmod 000
    // files are paired and repaired.
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"f", 4, kT, kHour}});
    ASSERT_EQ(chmod((scratch / "o/f").c_str(), 0), 0);
    ASSERT_EQ(chmod((scratch / "c/f").c_str(), 0), 0);
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h"}, WithoutOverride());
    EXPECT_EQ(fix.status, 0) << fix.err;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/f"), kT);
}

TEST(Unreadable, FactsThatCannotBeAskedAreFailures)
{
    // A folder that may be listed but not searched: names, but no facts.
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"d/f", 4, kT, kHour}, {"e/g", 4, kT, kHour}});
    ASSERT_EQ(chmod((scratch / "c/d").c_str(), 0444), 0);
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json"},
                                  WithoutOverride());
    chmod((scratch / "c/d").c_str(), 0755);
    EXPECT_EQ(fix.status, 1) << fix.err;
    EXPECT_NE(fix.err.find("d/f: copy: Permission denied"), std::string::npos) << fix.err;
    EXPECT_NE(fix.out.find("\"failed\":1,"), std::string::npos) << fix.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/e/g"), kT);
}

TEST(Unreadable, ImmutableCopyFailsWithTheSystemsReason)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"frozen", 4, kT, kHour}, {"free", 4, kT, kHour}});
    const int fd = open((scratch / "c/frozen").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    const bool set = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                     (flags |= FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    close(fd);
    if (!set)
        GTEST_SKIP() << "the immutable flag (chattr +i) cannot be set here: needs CAP_LINUX_IMMUTABLE "
                        "and a file system that keeps it (ext4, xfs, btrfs)";
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h"});
    EXPECT_EQ(fix.status, 1) << fix.err;
    EXPECT_NE(fix.err.find(scratch / "c/frozen: setting the time: Operation not permitted"), std::string::npos) << fix.err;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/frozen"), kT + kHour);
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/free"), kT);
}

TEST(Unreadable, AnExcludedFolderIsNotWalkedSoItsLockGivesNoError)
{
    harness::Scratch scratch;
    const std::string originals = scratch / "o", copies = scratch / "c";
    harness::WritePairs(originals, copies, {{"private/f", 4, kT, kHour}, {"z/fine", 4, kT, kHour}});
    ASSERT_EQ(chmod((originals + "/private").c_str(), 0), 0);
    ASSERT_EQ(chmod((copies + "/private").c_str(), 0), 0);
    for (const char* command : {"scan", "fix"}) {
        std::vector<std::string> args = {command, originals, copies, "--exclude", "private/"};
        if (std::string(command) == "fix")
            args.insert(args.end(), {"--shift", "1h", "--no-journal"});
        const auto run = harness::Run(args, WithoutOverride());
        EXPECT_EQ(run.status, 0) << command << ": " << run.err;
        EXPECT_EQ(run.err, "") << command;
    }
    const auto manifest = harness::Run({"manifest", originals, "--exclude", "/private"}, WithoutOverride());
    EXPECT_EQ(manifest.status, 0) << manifest.err;
    EXPECT_EQ(manifest.err.find("Permission denied"), std::string::npos) << manifest.err;
    EXPECT_EQ(harness::ModifiedNanos(copies + "/z/fine"), kT);
    // Without the rule the same walk fails on it.
    const auto unfiltered = harness::Run({"scan", originals, copies}, WithoutOverride());
    EXPECT_EQ(unfiltered.status, 1) << unfiltered.err;
}
