// Copies that are not only copies: a copy with other names (hard links into
// an older backup, or to an original), and folders of one tree mounted
// inside the other. Nothing outside the copies may change.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

void Link(const std::string& from, const std::string& to)
{
    harness::MakeFolders(to.substr(0, to.rfind('/')));
    ASSERT_EQ(link(from.c_str(), to.c_str()), 0) << from << " " << to;
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(HardLinks, CopyLinkedToABackupIsLeftAloneUnlessAsked)
{
    // The copies are a snapshot whose unchanged files are links into the
    // snapshot before: changing one changes the older snapshot too.
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "old", {{"a", 5, kT, kHour}, {"b", 6, kT, kHour}});
    harness::WriteFile(scratch / "o/c", 7, kT);
    harness::WriteFile(scratch / "new/c", 7, kT + kHour);
    Link(scratch / "old/a", scratch / "new/a");
    Link(scratch / "old/b", scratch / "new/b");
    const harness::Snapshot old = harness::Take(scratch / "old");

    const harness::Result fix = harness::Run({"fix", scratch / "o", scratch / "new", "--shift", "1h", "--json"});
    EXPECT_EQ(fix.status, 0) << fix.err;
    EXPECT_TRUE(Has(fix.out, "\"touched\":1,")) << fix.out;
    EXPECT_TRUE(Has(fix.out, "\"hard_linked\":2")) << fix.out;
    EXPECT_TRUE(Has(fix.out, "{\"event\":\"skipped\",\"path\":\"a\"")) << fix.out;
    EXPECT_TRUE(Has(fix.out, "--hard-links")) << fix.out;
    EXPECT_TRUE(harness::Differences(old, harness::Take(scratch / "old")).empty());
    EXPECT_EQ(harness::ModifiedNanos(scratch / "new/c"), kT);

    const harness::Result text = harness::Run({"fix", scratch / "o", scratch / "new", "--shift", "1h", "--dry-run"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(Has(text.out, "Hard links, left alone")) << text.out;

    const harness::Result asked =
        harness::Run({"fix", scratch / "o", scratch / "new", "--shift", "1h", "--hard-links", "--json"});
    EXPECT_EQ(asked.status, 0) << asked.err;
    EXPECT_TRUE(Has(asked.out, "\"touched\":2,")) << asked.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "new/a"), kT);
    EXPECT_EQ(harness::ModifiedNanos(scratch / "old/b"), kT);
}

TEST(HardLinks, CopyThatIsAnOriginalIsNeverChanged)
{
    // The copy "b" is the original "z/x" under another name; "z" has no
    // counterpart among the copies and is walked after "b", on any thread.
    for (const char* jobs : {"1", "3"}) {
        harness::Scratch scratch;
        harness::WritePairs(scratch / "o", scratch / "c",
                            {{"a", 5, kT, kHour}, {"m/b", 4, kT, kHour}, {"n/d", 4, kT + kS, kHour}});
        harness::WriteFile(scratch / "o/z/x", 4, kT + kHour);
        ASSERT_EQ(unlink((scratch / "c/m/b").c_str()), 0);
        Link(scratch / "o/z/x", scratch / "c/m/b");
        // And "d" is both a copy and, under the name "e", an original.
        harness::WriteFile(scratch / "o/n/e", 4, kT + kS + kHour);
        ASSERT_EQ(unlink((scratch / "c/n/d").c_str()), 0);
        Link(scratch / "o/n/e", scratch / "c/n/d");
        harness::WriteFile(scratch / "c/n/e", 4, kT + kS + 2 * kHour);
        const harness::Snapshot originals = harness::Take(scratch / "o");

        const harness::Result fix = harness::Run(
            {"fix", scratch / "o", scratch / "c", "--shift", "1h", "--hard-links", "--json", "--jobs", jobs});
        EXPECT_EQ(fix.status, 0) << jobs << fix.err;
        EXPECT_TRUE(Has(fix.out, "\"touched\":2,")) << jobs << fix.out;
        EXPECT_TRUE(Has(fix.out, "\"hard_linked\":2")) << jobs << fix.out;
        EXPECT_TRUE(Has(fix.out, "the same file as an original")) << jobs << fix.out;
        EXPECT_EQ(harness::Differences(originals, harness::Take(scratch / "o")), std::vector<std::string>{})
            << jobs;
        EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT) << jobs;
        EXPECT_EQ(harness::ModifiedNanos(scratch / "c/n/e"), kT + kS + kHour) << jobs;
    }
}

TEST(HardLinks, TwinCopiesChangedThroughEachOtherAreNotReportedAsChanged)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 5, kT, kHour}});
    harness::WriteFile(scratch / "o/b", 5, kT);
    Link(scratch / "c/a", scratch / "c/b");
    const harness::Result fix =
        harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--hard-links", "--json"});
    EXPECT_EQ(fix.status, 0) << fix.err << fix.out;
    EXPECT_TRUE(Has(fix.out, "\"touched\":2,")) << fix.out;
    EXPECT_TRUE(Has(fix.out, "\"changed\":0,")) << fix.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/b"), kT);
    // Taken back, both names have their time before again.
    const harness::Result undo = harness::Run({"undo", "--last"});
    EXPECT_EQ(undo.status, 0) << undo.err << undo.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT + kHour);
}

namespace {

// Runs the program in a mount namespace of its own where `folder` is
// mounted again at `at`; false when this system does not allow it.
bool CanBind()
{
    harness::Scratch scratch;
    harness::MakeFolders(scratch / "a");
    harness::MakeFolders(scratch / "b");
    harness::RunOptions options;
    options.prefix = {"unshare", "-m", "sh", "-c", "mount --bind \"$1\" \"$2\" 2>/dev/null && exit 7", "sh",
                      scratch / "a", scratch / "b"};
    return harness::Run({}, options).status == 7;
}

harness::RunOptions Bound(const std::string& folder, const std::string& at)
{
    harness::RunOptions options;
    options.prefix = {"unshare", "-m", "sh", "-c", "mount --bind \"$1\" \"$2\" && shift 2 && exec \"$@\"", "sh",
                      folder, at};
    return options;
}

}  // namespace

TEST(Mounts, ATreeMountedInsideTheOtherIsRefused)
{
    if (!CanBind())
        GTEST_SKIP() << "no bind mounts in a namespace of its own here";
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"sub/a", 5, kT, kHour}, {"b", 5, kT, kHour}});
    harness::WriteFile(scratch / "o/sub/x", 5, kT + kHour);
    harness::WriteFile(scratch / "o/x", 5, kT);
    harness::MakeFolders(scratch / "bind");
    harness::MakeFolders(scratch / "c/m");
    harness::MakeFolders(scratch / "elsewhere/sub");
    const harness::Snapshot before = harness::Take(scratch.path());
    struct {
        const char* what;
        std::string folder, at, originals, copies;
    } cases[] = {
        {"copies: a folder of the originals", scratch / "o/sub", scratch / "bind", scratch / "o", scratch / "bind"},
        {"originals: a folder of the copies", scratch / "c/sub", scratch / "bind", scratch / "bind", scratch / "c"},
        {"a folder of the copies: the originals", scratch / "o", scratch / "c/m", scratch / "o", scratch / "c"},
        {"a folder of the copies: one inside the originals", scratch / "o/sub", scratch / "c/m", scratch / "o",
         scratch / "c"},
    };
    for (const auto& c : cases) {
        for (const bool fix : {true, false}) {
            std::vector<std::string> args = {fix ? "fix" : "scan", c.originals, c.copies};
            if (fix)
                args.insert(args.end(), {"--shift", "1h"});
            const harness::Result run = harness::Run(args, Bound(c.folder, c.at));
            const char* command = args[0].c_str();
            EXPECT_EQ(run.status, 2) << c.what << " " << command << run.out << run.err;
            EXPECT_TRUE(Has(run.err, "through a mount")) << c.what << run.err;
        }
        EXPECT_EQ(harness::Differences(before, harness::Take(scratch.path())), std::vector<std::string>{}) << c.what;
    }
    // A mount of a folder of neither tree is no reason to refuse.
    const harness::Result fine =
        harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h"}, Bound(scratch / "elsewhere", scratch / "c/m"));
    EXPECT_EQ(fine.status, 0) << fine.err;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/b"), kT);
}
