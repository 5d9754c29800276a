// Proof by content on Windows: files another process holds without sharing
// their content cannot be read (a failure, and the run goes on), and reading
// leaves the access times of originals and copies alone.
#include <windows.h>

#include <chrono>

#include <gtest/gtest.h>

#include "harness.h"
#include "windows/files.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

HANDLE HoldWithoutSharing(const std::string& path)
{
    return CreateFileW(winfiles::Long(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

}  // namespace

TEST(VerifyWindows, FileHeldWithoutSharingFailsAndTheRestGoesOn)
{
    harness::Scratch scratch;
    const std::string o = scratch / "o", c = scratch / "c";
    harness::WritePairs(o, c, {{"a-original", 6, kT, kHour}, {"b-copy", 6, kT, kHour}, {"z-fine", 6, kT, kHour}});
    HANDLE original = HoldWithoutSharing(o + "/a-original");
    HANDLE copy = HoldWithoutSharing(c + "/b-copy");
    ASSERT_NE(original, INVALID_HANDLE_VALUE);
    ASSERT_NE(copy, INVALID_HANDLE_VALUE);
    const auto fix = harness::Run({"fix", o, c, "--shift", "1h", "--verify", "--json"});
    CloseHandle(original);
    CloseHandle(copy);
    EXPECT_EQ(fix.status, 1) << fix.err;
    EXPECT_NE(fix.err.find("a-original: original: cannot be read: "), std::string::npos) << fix.err;
    EXPECT_NE(fix.err.find("b-copy: copy: cannot be read: "), std::string::npos) << fix.err;
    EXPECT_NE(fix.out.find("\"touched\":1,"), std::string::npos) << fix.out;
    EXPECT_NE(fix.out.find("\"failed\":2,"), std::string::npos) << fix.out;
    EXPECT_EQ(harness::ModifiedNanos(c + "/z-fine"), kT);
    EXPECT_EQ(harness::ModifiedNanos(c + "/a-original"), kT + kHour);
    EXPECT_EQ(harness::ModifiedNanos(c + "/b-copy"), kT + kHour);
}

TEST(VerifyWindows, ReadOnlyFilesAreReadAndAccessTimesStay)
{
    // Read-only originals and copies are read (the right to write
    // attributes, which turns off the access-time update, is not the right
    // to write content), and no access time moves. The access times are an
    // hour ahead: under Wine, whose reads go through Linux, a relatime mount
    // then keeps them too, so that any time the handle's setting wrote
    // would show.
    harness::Scratch scratch;
    const std::string o = scratch / "o", c = scratch / "c";
    const int64_t ahead = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count() / 100 * 100 + kHour;
    harness::WritePairs(o, c, {{"same", 70000, kT, kHour}, {"differs", 70000, kT, kHour}});
    harness::WriteBytes(c + "/differs", "changed");
    for (const char* name : {"same", "differs"}) {
        harness::SetTimes(o + "/" + name, kT, ahead);
        harness::SetTimes(c + "/" + name, kT + kHour, ahead);
    }
    for (const std::string& path : {o + "/same", c + "/same"})
        ASSERT_TRUE(SetFileAttributesW(winfiles::Long(path).c_str(), FILE_ATTRIBUTE_READONLY));
    const auto originals = harness::Take(o);
    const auto copies = harness::Take(c);
    const auto fix = harness::Run({"fix", o, c, "--shift", "1h", "--verify", "--json"});
    EXPECT_EQ(fix.status, 0) << fix.err;
    EXPECT_NE(fix.out.find("\"content_differs\":1,"), std::string::npos) << fix.out;
    EXPECT_TRUE(harness::Differences(originals, harness::Take(o)).empty());
    const auto after = harness::Take(c);
    EXPECT_EQ(after.at("same").accessed, copies.at("same").accessed);
    EXPECT_EQ(after.at("differs").accessed, copies.at("differs").accessed);
    EXPECT_EQ(after.at("same").modified, kT);
    EXPECT_EQ(after.at("differs").modified, kT + kHour);
    for (const std::string& path : {o + "/same", c + "/same"})
        SetFileAttributesW(winfiles::Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}
