// Bad input: a clear message on stderr, exit 2, nothing touched.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

}  // namespace

TEST(BadInput, EveryCaseIsRefusedBeforeAnythingIsTouched)
{
    harness::Scratch scratch;
    const std::string o = scratch / "o", c = scratch / "c";
    harness::WritePairs(o, c, {{"f", 3, kT, kHour}, {"sub/g", 3, kT, kHour}});
    harness::WriteFile(scratch / "plain-file", 1, kT);
    harness::MakeFolders(scratch / "locked");
    chmod((scratch / "locked").c_str(), 0);
    symlink(c.c_str(), (scratch / "c-link").c_str());
    const auto before = harness::Take(scratch.path());
    struct {
        std::vector<std::string> args;
        const char* message;
        bool withoutOverride = false;
    } cases[] = {
        {{"fix", scratch / "missing", c, "--shift", "1h"}, "does not exist"},
        {{"fix", o, scratch / "plain-file", "--shift", "1h"}, "is not a folder"},
        {{"fix", scratch / "locked", c, "--shift", "1h"}, "cannot be read: Permission denied", true},
        {{"fix", o, o, "--shift", "1h"}, "are the same folder"},
        {{"fix", o, scratch / "o/../o/", "--shift", "1h"}, "are the same folder"},
        {{"fix", c, scratch / "c-link", "--shift", "1h"}, "are the same folder"},
        {{"fix", o, o + "/sub", "--shift", "1h"}, "lies inside ORIGINALS"},
        {{"fix", scratch / "c-link/sub", c, "--shift", "1h"}, "lies inside COPIES"},
        {{"fix", o, c, "--shift", "1 h"}, "is not a shift: expected"},
        {{"fix", o, c, "--shift", "1h", "--shift", "+"}, "is not a shift: expected"},
        {{"fix", o, c, "--shift", "1d"}, "1h30m"},
        {{"fix", o, c, "--shift", "1h", "--tolerance", "-1s"}, "is not a duration"},
        {{"fix", o, c, "--shift", "1h", "--tolerance", "1.5s"}, "is not a duration"},
        {{"fix", o, c}, "at least one --shift"},
        {{"fix", o, c, "--shift", "0s"}, "would repair nothing"},
        {{"fix", o, c, "--shift", "-0h"}, "would repair nothing"},
        {{"fix", o, c, "--shift", "1h", "--shift", "2s"}, "as large as the shift"},
        {{"fix", o, c, "--shift", "1h", "--tolerance", "1h"}, "as large as the shift"},
        {{"fix", o, c, "--shift", "1h", "--report", scratch / "no/such/folder/r.csv"}, "cannot write the report"},
        {{"fix", o, c, "--shift", "1h", "--journal", "j", "--no-journal"}, "excludes"},
        {{"fix", o, c, "--shift", "1h", "--jobs", "0"}, "--jobs"},
        {{"fix", o, c, "--shift", "1h", "--progress", "sometimes"}, "--progress"},
        {{"fix", o, "--shift", "1h"}, "COPIES"},
        {{"scan", o, c, "--top", "-1"}, "--top"},
        {{"scan", o, c, "extra"}, "extra"},
        {{"frobnicate"}, "frobnicate"},
        {{}, "subcommand"},
    };
    for (const auto& c : cases) {
        harness::RunOptions options;
        options.withoutOverride = c.withoutOverride;
        const auto result = harness::Run(c.args, options);
        std::string shown;
        for (const auto& arg : c.args)
            shown += arg + " ";
        EXPECT_EQ(result.status, 2) << shown << "\n" << result.err << result.out;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << shown << "\n" << result.err;
        EXPECT_TRUE(result.out.empty()) << shown << "\n" << result.out;
    }
    EXPECT_TRUE(harness::Differences(before, harness::Take(scratch.path())).empty());
    chmod((scratch / "locked").c_str(), 0755);
}

TEST(BadInput, HelpAndVersion)
{
    const auto help = harness::Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("scan"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    const auto fix = harness::Run({"help", "fix"});
    EXPECT_EQ(fix.status, 0);
    EXPECT_NE(fix.out.find("--tolerance"), std::string::npos);
    EXPECT_NE(fix.out.find("--journal"), std::string::npos);
    const auto version = harness::Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("kelvora-cli ", 0), 0u) << version.out;
}
