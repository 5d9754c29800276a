// Originals known only from a manifest made on Linux by bsdtar: the copies
// are repaired from it on Windows, far beyond 260 characters too, and the
// undo puts them back; a manifest written by the program itself on Windows
// pairs the same copies.
#include <windows.h>

#include <gtest/gtest.h>

#include "harness.h"
#include "linux_shell.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;  // whole seconds: bsdtar's manifests keep them

// A folder under the Linux /tmp, which Wine shows as Z:\tmp, so that Linux
// tools and the program see the same files.
class UnixFolder {
public:
    UnixFolder() : unix_("/tmp/kelvora-cli-against-" + std::to_string(GetCurrentProcessId()))
    {
        RunUnix("rm -rf '" + unix_ + "' && mkdir -p '" + unix_ + "'");
    }
    ~UnixFolder() { RunUnix("rm -rf '" + unix_ + "'"); }
    const std::string& unix() const { return unix_; }
    std::string operator/(const std::string& relative) const { return "Z:" + unix_ + "/" + relative; }

private:
    std::string unix_;
};

}  // namespace

TEST(WindowsAgainst, ABsdtarManifestFromLinuxRepairsTheCopiesAndUndoPutsThemBack)
{
    if (RunUnix("command -v bsdtar >/dev/null") != 0)
        GTEST_SKIP() << "bsdtar (libarchive-tools) is not installed";
    UnixFolder folder;
    std::string deep;
    for (int i = 0; i < 6; ++i)
        deep += std::string(50, 'd') + std::to_string(i) + "/";
    const std::vector<harness::Pair> pairs = {
        {"plain.txt", 10, kT, kHour},
        {"with space/caf\xC3\xA9.doc", 7, kT + 60 * kS, -kHour},
        {deep + "far.jpg", 3, kT + 120 * kS, kHour},  // a path of more than 300 characters
        {"same", 4, kT + 180 * kS, 0},                // already right: not touched
        {"other size", 4, kT + 240 * kS, kHour, 5},   // not a pair of the same size
    };
    harness::WritePairs(folder / "o", folder / "c", pairs);
    const std::string manifest = folder.unix() + "/o.mtree";
    ASSERT_EQ(RunUnix("bsdtar -cf '" + manifest + "' --format=mtree --options='!all,type,size,time' -C '" +
                      folder.unix() + "/o' ."),
              0);
    const harness::Snapshot before = harness::Take(folder / "c");

    const auto scan = harness::Run({"scan", "--against", WindowsPath(manifest), folder / "c", "--json"});
    ASSERT_EQ(scan.status, 0) << scan.err << scan.out;
    EXPECT_NE(scan.out.find("\"same_size\":4,"), std::string::npos) << scan.out;

    const std::string journal = folder / "journal.jsonl";
    const auto fix = harness::Run({"fix", "--against", WindowsPath(manifest), folder / "c", "--shift", "1h",
                                   "--json", "--journal", journal});
    ASSERT_EQ(fix.status, 0) << fix.err << fix.out;
    EXPECT_NE(fix.out.find("\"touched\":3,"), std::string::npos) << fix.out;
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(harness::ModifiedNanos(folder / "c/" + pairs[i].relative), pairs[i].originalNanos)
            << pairs[i].relative;
    EXPECT_EQ(harness::ModifiedNanos(folder / "c/other size"), kT + 240 * kS + kHour);

    const auto undo = harness::Run({"undo", journal});
    ASSERT_EQ(undo.status, 0) << undo.err << undo.out;
    const auto changed = harness::Differences(before, harness::Take(folder / "c"));
    EXPECT_TRUE(changed.empty()) << changed.front();

    // The program's own manifest, written on Windows at a name of more than
    // 300 characters, pairs the same copies.
    harness::MakeFolders(folder / ("m/" + deep));
    const std::string ours = folder / ("m/" + deep + "ours.mtree");
    const auto made = harness::Run({"manifest", folder / "o", "-o", ours});
    ASSERT_EQ(made.status, 0) << made.err;
    const auto again = harness::Run({"scan", "--against", ours, folder / "c", "--json"});
    ASSERT_EQ(again.status, 0) << again.err << again.out;
    EXPECT_NE(again.out.find("\"same_size\":4,"), std::string::npos) << again.out;
    // And bsdtar reads it back with the same names.
    EXPECT_EQ(RunUnix("bsdtar -tf '" + folder.unix() + "/m/" + deep + "ours.mtree' | grep -qx './" + deep + "far.jpg'"), 0);
}
