// Proof by content on Linux: files that cannot be read, and access times
// that reading does not move.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

int64_t AccessedNanos(const std::string& path)
{
    struct stat st;
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return int64_t(st.st_atim.tv_sec) * kS + st.st_atim.tv_nsec;
}

}  // namespace

TEST(VerifyPosix, UnreadableOriginalOrCopyFailsAndTheRestGoesOn)
{
    harness::Scratch scratch;
    const std::string o = scratch / "o", c = scratch / "c";
    harness::WritePairs(o, c, {{"a-original", 6, kT, kHour}, {"b-copy", 6, kT, kHour}, {"z-fine", 6, kT, kHour}});
    ASSERT_EQ(chmod((o + "/a-original").c_str(), 0), 0);
    ASSERT_EQ(chmod((c + "/b-copy").c_str(), 0), 0);
    harness::RunOptions options;
    options.withoutOverride = true;
    const auto fix = harness::Run({"fix", o, c, "--shift", "1h", "--verify", "--json"}, options);
    EXPECT_EQ(fix.status, 1) << fix.err;
    EXPECT_NE(fix.err.find(c + "/a-original: original: cannot be read: Permission denied"), std::string::npos)
        << fix.err;
    EXPECT_NE(fix.err.find(c + "/b-copy: copy: cannot be read: Permission denied"), std::string::npos) << fix.err;
    EXPECT_NE(fix.out.find("{\"event\":\"failed\",\"path\":\"a-original\""), std::string::npos) << fix.out;
    EXPECT_NE(fix.out.find("\"touched\":1,"), std::string::npos) << fix.out;
    EXPECT_NE(fix.out.find("\"failed\":2,"), std::string::npos) << fix.out;
    EXPECT_EQ(harness::ModifiedNanos(c + "/z-fine"), kT);
    EXPECT_EQ(harness::ModifiedNanos(c + "/a-original"), kT + kHour);
    EXPECT_EQ(harness::ModifiedNanos(c + "/b-copy"), kT + kHour);
}

TEST(VerifyPosix, ReadingMovesNoAccessTime)
{
    // Access times older than the modification times: a plain read moves
    // them on a relatime mount (the usual one), and on a strictatime one.
    harness::Scratch scratch;
    harness::WriteFile(scratch / "probe", 10, kT, kT - kHour);
    {
        const int fd = open((scratch / "probe").c_str(), O_RDONLY);
        char byte;
        ASSERT_EQ(read(fd, &byte, 1), 1);
        close(fd);
    }
    if (AccessedNanos(scratch / "probe") == kT - kHour)
        GTEST_SKIP() << "reading moves no access time here (a noatime mount)";

    const std::string o = scratch / "o", c = scratch / "c";
    harness::WritePairs(o, c, {{"same", 70000, kT, kHour}, {"differs", 70000, kT, kHour}, {"sub/big", 3u << 20, kT, -kHour}});
    harness::WriteBytes(c + "/differs", "changed");
    harness::SetTimes(c + "/differs", kT + kHour, kT - 5 * kS);
    for (const char* name : {"same", "differs", "sub/big"})
        harness::SetTimes(o + "/" + name, kT, kT - 3 * kHour);
    const auto originals = harness::Take(o);
    const auto copies = harness::Take(c);
    const auto fix = harness::Run({"fix", o, c, "--shift", "1h", "--verify"});
    EXPECT_EQ(fix.status, 0) << fix.err;
    EXPECT_TRUE(harness::Differences(originals, harness::Take(o)).empty());
    const auto after = harness::Take(c);
    for (const char* name : {"same", "differs", "sub/big"})
        EXPECT_EQ(after.at(name).accessed, copies.at(name).accessed) << name;
    EXPECT_EQ(after.at("same").modified, kT);
    EXPECT_EQ(after.at("sub/big").modified, kT);
    EXPECT_EQ(after.at("differs").modified, kT + kHour);
}
