// Copies on a real FAT volume: an image made with mkfs.vfat and mounted with
// fusefat (under TZ=UTC: under another zone it reads times back shifted).
// FAT keeps modification times to 2 s; the repair must hold within the
// default tolerance, report the rounded time it reads back, and leave nothing
// for a second run.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1277985603 * kS + 123456789;  // 2010-07-01T12:00:03.123456789Z

class FatVolume : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access("/dev/fuse", R_OK | W_OK) != 0)
            GTEST_SKIP() << "/dev/fuse is absent or closed to this user: no FAT volume can be mounted here";
        image_ = scratch_ / "fat.img";
        mount_ = scratch_ / "mnt";
        harness::MakeFolders(mount_);
        ASSERT_EQ(std::system(("mkfs.vfat -C '" + image_ + "' 8192 >/dev/null").c_str()), 0)
            << "mkfs.vfat (dosfstools) is needed";
        ASSERT_EQ(std::system(("TZ=" + std::string(Zone()) + " fusefat -o rw+ '" + image_ + "' '" + mount_ +
                               "' >/dev/null")
                                  .c_str()),
                  0)
            << "fusefat is needed";
        mounted_ = true;
    }

    void TearDown() override
    {
        if (mounted_)
            std::system(("fusermount -u '" + mount_ + "'").c_str());
    }

    // The zone in which the driver converts times.
    virtual const char* Zone() const { return "UTC"; }

    harness::Scratch scratch_;
    std::string image_, mount_;
    bool mounted_ = false;
};

// A volume whose driver converts times with another zone than the one it
// reads them back in (fusefat outside UTC): every time set reads back an hour
// or two away, as on a FAT stick mounted with the wrong tz.
class FatVolumeInParis : public FatVolume {
protected:
    const char* Zone() const override { return "Europe/Paris"; }
};

// The JSON value of `key` in `line` ("" when absent).
std::string Value(const std::string& line, const std::string& key)
{
    const std::string mark = "\"" + key + "\":";
    const size_t at = line.find(mark);
    if (at == std::string::npos)
        return "";
    const size_t from = at + mark.size() + (line[at + mark.size()] == '"');
    return line.substr(from, line.find_first_of(",\"}", from) - from);
}

}  // namespace

TEST_F(FatVolume, RepairHoldsWithinTheDefaultToleranceAndIsNotRepeated)
{
    const std::string originals = scratch_ / "originals", copies = mount_ + "/copies";
    const std::vector<harness::Pair> pairs = {
        {"a.jpg", 300, kT, kHour},
        {"sub/b.jpg", 20, kT + 40 * kS, -kHour},
        {"sub/deeper/c.jpg", 1, kT + 7 * kS, kHour},
    };
    harness::WritePairs(originals, copies, pairs);
    const auto fix = harness::Run({"fix", originals, copies, "--shift", "1h", "--json", "--jobs", "1"});
    ASSERT_EQ(fix.status, 0) << fix.err << fix.out;
    const auto lines = harness::Lines(fix.out);
    ASSERT_EQ(lines.size(), 4u) << fix.out;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Value(lines[i], "event"), "touched") << lines[i];
        const std::string path = Value(lines[i], "path");
        const auto pair = std::find_if(pairs.begin(), pairs.end(),
                                       [&](const harness::Pair& p) { return p.relative == path; });
        ASSERT_NE(pair, pairs.end()) << path;
        const int64_t now = harness::ModifiedNanos(copies + "/" + path);
        // Rounded to the 2 s that FAT keeps, and reported so.
        EXPECT_EQ(now % (2 * kS), 0) << path;
        EXPECT_LE(std::llabs(now - pair->originalNanos), 2 * kS) << path;
        EXPECT_NE(Value(lines[i], "read_back"), Value(lines[i], "set")) << lines[i];
        const time_t seconds = now / kS;
        struct tm utc;
        gmtime_r(&seconds, &utc);
        char expected[64];
        strftime(expected, sizeof expected, "%Y-%m-%dT%H:%M:%S.000000000Z", &utc);
        EXPECT_EQ(Value(lines[i], "read_back"), expected) << lines[i];
    }
    EXPECT_EQ(Value(lines[3], "touched"), "3") << lines[3];

    const auto again = harness::Run({"fix", originals, copies, "--shift", "1h", "--json"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(Value(again.out, "matched"), "0") << again.out;
    EXPECT_EQ(harness::Lines(again.out).size(), 1u) << again.out;
}

TEST_F(FatVolumeInParis, TimesReadBackAtAFixedOffsetAreExplainedOnce)
{
    const std::string originals = scratch_ / "originals", copies = mount_ + "/copies";
    std::vector<harness::Pair> pairs;
    for (int i = 0; i < 12; ++i)
        pairs.push_back({"f" + std::to_string(i), 10, kT - 123456789 + 2 * i * kS, 2 * kHour});
    harness::WritePairs(originals, copies, pairs);
    // What the copies read back as now, against the originals: the rule's shift.
    const int64_t shift = harness::ModifiedNanos(copies + "/f0") - (kT - 123456789);
    const std::string shiftText = std::to_string(shift / kS) + "s";
    const auto fix = harness::Run({"fix", originals, copies, "--shift", shiftText, "--jobs", "1"});
    EXPECT_EQ(fix.status, 1) << fix.err;
    EXPECT_NE(fix.out.find("Time not kept                         12"), std::string::npos) << fix.out;
    const int64_t off = harness::ModifiedNanos(copies + "/f0") - (kT - 123456789);
    ASSERT_GE(std::llabs(off), kHour / 2) << "the driver kept the time: " << off;
    // Said once, with the likely cause and its remedy.
    EXPECT_NE(fix.err.find("kelvora-cli: the time of 12 copies was not kept: each reads back "), std::string::npos)
        << fix.err;
    EXPECT_NE(fix.err.find("converts times with a time zone, as FAT does"), std::string::npos) << fix.err;
    EXPECT_NE(fix.err.find("tz=UTC"), std::string::npos) << fix.err;
    EXPECT_EQ(fix.err.find("time not kept: "), std::string::npos) << fix.err;
    EXPECT_LE(harness::Lines(fix.err).size(), 5u) << fix.err;
}
