// Bad input: a clear message on stderr, exit 2, nothing touched.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

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
    const std::string journals = harness::DefaultStateHome() + "/kelvora/journal";
    harness::MakeFolders(journals);
    const auto before = harness::Take(scratch.path());
    const auto journalsBefore = harness::Take(journals);
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
        {{"fix", o, c, "--shift", "1 h"}, "--shift \"1 h\" is not a SHIFT; did you mean 1h?"},
        {{"fix", o, c, "--shift", "1h", "--shift", "+"}, "--shift \"+\" is not a SHIFT: write it as"},
        {{"fix", o, c, "--shift", "1d"}, "did you mean 24h?"},
        {{"fix", o, c, "--shift", "1h", "--tolerance", "-1s"}, "is not a DURATION; did you mean 1s?"},
        {{"fix", o, c, "--shift", "1h", "--tolerance", "1.5s"}, "is not a DURATION: write it as"},
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
        {{"scan", o, c, "--top", "-1"}, "--top: -1 is out of range: 0 to 1000000\n"},
        {{"scan", o, c, "--jobs", "abc"}, "--jobs: \"abc\" is not a whole number (1 to 1024)"},
        {{"fix", o, c, "--shift", "1h", "--dry-run", "--report", c + "/f"}, "lies inside COPIES"},
        {{"fix", o, c, "--shift", "1h", "--force", "--report", c + "/sub/new.csv"}, "lies inside COPIES"},
        {{"fix", o, c, "--shift", "1h", "--dry-run", "--report", scratch / "c-link/new.csv"}, "lies inside COPIES"},
        {{"fix", o, c, "--shift", "1h", "--dry-run", "--report", o + "/new.csv"}, "lies inside ORIGINALS"},
        {{"fix", o, c, "--shift", "1h", "--report", journals + "/r.jsonl"}, "in the journals' folder"},
        {{"fix", o, c, "--shift", "1h", "--report", scratch / "plain-file"}, "it exists (--force replaces it)"},
        {{"fix", o, c, "--shift", "1h", "--report", scratch / "F", "--journal", scratch / "F"}, "the run's journal"},
        {{"fix", o, c, "--shift", "1h", "--report", scratch / "new.csv", "--journal", scratch / "no/such/j.jsonl"},
         "nothing was changed"},
        {{"scan", o, c, "extra"}, "extra"},
        {{"frobnicate"}, "frobnicate"},
        {{}, "a command is required"},
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
    EXPECT_EQ(harness::Differences(before, harness::Take(scratch.path())), std::vector<std::string>{});
    EXPECT_EQ(harness::Differences(journalsBefore, harness::Take(journals)), std::vector<std::string>{});
    chmod((scratch / "locked").c_str(), 0755);
}

TEST(BadInput, ReportReplacesAFileOnlyWhenForced)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"f", 3, kT, kHour}});
    harness::WriteFile(scratch / "r.jsonl", 5, kT);
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--dry-run", "--force",
                                   "--report", scratch / "r.jsonl"});
    EXPECT_EQ(fix.status, 0) << fix.err;
    std::FILE* report = std::fopen((scratch / "r.jsonl").c_str(), "r");
    ASSERT_NE(report, nullptr);
    char line[64] = {};
    ASSERT_NE(std::fgets(line, sizeof line, report), nullptr);
    std::fclose(report);
    EXPECT_EQ(std::string(line).substr(0, 21), "{\"event\":\"planned\",\"p");
    // A report with another name, a hard link to a copy, is never emptied.
    ASSERT_EQ(link((scratch / "c/f").c_str(), (scratch / "linked.csv").c_str()), 0);
    const auto linked = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--dry-run", "--force",
                                      "--report", scratch / "linked.csv"});
    EXPECT_EQ(linked.status, 2);
    EXPECT_NE(linked.err.find("hard links"), std::string::npos) << linked.err;
    struct stat st;
    ASSERT_EQ(stat((scratch / "c/f").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 3);
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
