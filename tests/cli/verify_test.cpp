// Proof by content (--verify) end to end on real trees: a copy whose content
// differs is left alone and reported, whatever its size and time say; copies
// whose times were reset rather than shifted are repaired with --shift any,
// and undone exactly; scan suggests what the differences show.
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;  // 2010-01-01, whole seconds (Windows keeps 100 ns)

// An access time an hour ahead, whole seconds: one that a read leaves as it
// is on a relatime mount, which the snapshots then compare wherever the
// reads go through Linux without O_NOATIME (under Wine).
int64_t Ahead()
{
    static const int64_t ahead =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
                .count() * kS + kHour;
    return ahead;
}

// A file with these bytes and this modification time.
void Put(const std::string& path, const std::string& bytes, int64_t modified)
{
    harness::WriteBytes(path, bytes);
    harness::SetTimes(path, modified, Ahead());
}

// Bytes that differ from file to file and from place to place.
std::string Bytes(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

// A line of the summary: the label, then the count right-aligned.
std::string Line(const std::string& label, uint64_t count)
{
    const std::string number = std::to_string(count);
    return label + std::string(28 - label.size(), ' ') + std::string(12 - number.size(), ' ') + number + "\n";
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

struct Trees {
    harness::Scratch scratch;
    const std::string o = scratch / "o", c = scratch / "c";
    harness::RunOptions options;
    Trees() { options.stateHome = scratch / "state"; }
    harness::Result Run(std::vector<std::string> args) const { return harness::Run(args, options); }
};

}  // namespace

TEST(Verify, EditedSameSizeShiftedCopyIsLeftAloneWithVerifyAndRepairedWithout)
{
    Trees trees;
    const std::string content = Bytes(5000, 1);
    std::string edited = content;
    edited[1234] ^= 0x20;
    Put(trees.o + "/photo", content, kT);
    Put(trees.c + "/photo", content, kT + kHour);
    Put(trees.o + "/edited", content, kT);
    Put(trees.c + "/edited", edited, kT + kHour);
    const auto before = harness::Take(trees.c);

    const auto verified = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--verify", "--json"});
    EXPECT_EQ(verified.status, 0) << verified.err;  // not a failure
    EXPECT_EQ(harness::Differences(before, harness::Take(trees.c)), std::vector<std::string>{"photo"});
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/photo"), kT);
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/edited"), kT + kHour);
    EXPECT_NE(verified.out.find("{\"event\":\"content-differs\",\"path\":\"edited\",\"size\":5000,"), std::string::npos)
        << verified.out;
    EXPECT_NE(verified.out.find("\"path\":\"photo\""), std::string::npos);
    EXPECT_NE(verified.out.find("\"verified\":\"content\""), std::string::npos) << verified.out;
    EXPECT_NE(verified.out.find("\"touched\":1,"), std::string::npos) << verified.out;
    EXPECT_NE(verified.out.find("\"verified\":true,\"compared\":2,\"content_differs\":1,"), std::string::npos)
        << verified.out;
    EXPECT_NE(verified.err.find("edited: left alone, its content differs from its original's (same size, +1h)"),
              std::string::npos)
        << verified.err;

    // The text summary counts it, and without --verify says what a match rests on.
    Put(trees.c + "/photo", content, kT + kHour);
    const auto text = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--verify", "--dry-run"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find(Line("Content differs, left alone", 1)), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(Line("Would be touched", 1)), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("rest on size and time"), std::string::npos) << text.out;

    const auto plain = trees.Run({"fix", trees.o, trees.c, "--shift", "1h"});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find("Matches rest on size and time alone; --verify compares contents too."),
              std::string::npos)
        << plain.out;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/edited"), kT);
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/photo"), kT);
}

TEST(Verify, ReportRowOfACopyWhoseContentDiffers)
{
    Trees trees;
    Put(trees.o + "/a", "original", kT);
    Put(trees.c + "/a", "0riginal", kT + kHour);
    const std::string report = trees.scratch / "report.csv";
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--verify", "--report", report, "--quiet"});
    EXPECT_EQ(fix.status, 0) << fix.err;
    EXPECT_EQ(fix.err, "");  // --quiet: only errors, and a differing copy is none
    const auto csv = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--verify", "--dry-run", "--report",
                                trees.scratch / "again.jsonl", "--quiet"});
    EXPECT_EQ(csv.status, 0) << csv.err;
    // Both report forms hold the event.
    std::string rows = harness::Take(trees.scratch.path()).at("report.csv").content;
    EXPECT_NE(rows.find("\ncontent-differs,a,0,8,2010-01-01T00:00:00.000000000Z,2010-01-01T01:00:00.000000000Z,"
                        "2010-01-01T00:00:00.000000000Z,,its content differs from its original's\n"),
              std::string::npos)
        << rows;
    std::string lines = harness::Take(trees.scratch.path()).at("again.jsonl").content;
    EXPECT_NE(lines.find("{\"event\":\"content-differs\",\"path\":\"a\""), std::string::npos) << lines;
    EXPECT_NE(lines.find("\"content_differs\":1,"), std::string::npos) << lines;
}

TEST(Verify, DifferenceInTheLastByteAndEmptyFiles)
{
    // Sizes around the pieces the files are read in (a mebibyte), a byte,
    // and none.
    Trees trees;
    const size_t sizes[] = {1, 4095, 65536, (1u << 20) - 1, 1u << 20, (1u << 20) + 1, 3u << 20};
    std::vector<std::string> differ, equal;
    unsigned seed = 10;
    for (size_t size : sizes) {
        const std::string content = Bytes(size, ++seed);
        std::string last = content;
        last.back() = static_cast<char>(last.back() ^ 1);
        const std::string name = std::to_string(size);
        Put(trees.o + "/last-" + name, content, kT);
        Put(trees.c + "/last-" + name, last, kT + kHour);
        Put(trees.o + "/same-" + name, content, kT);
        Put(trees.c + "/same-" + name, content, kT + kHour);
        differ.push_back("last-" + name);
        equal.push_back("same-" + name);
    }
    Put(trees.o + "/empty", "", kT);
    Put(trees.c + "/empty", "", kT - kHour);
    equal.push_back("empty");
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--verify", "--json"});
    EXPECT_EQ(fix.status, 0) << fix.err;
    for (const std::string& name : differ) {
        EXPECT_EQ(harness::ModifiedNanos(trees.c + "/" + name), kT + kHour) << name;
        EXPECT_NE(fix.out.find("{\"event\":\"content-differs\",\"path\":\"" + name + "\""), std::string::npos) << name;
    }
    for (const std::string& name : equal)
        EXPECT_EQ(harness::ModifiedNanos(trees.c + "/" + name), kT) << name;
    EXPECT_NE(fix.out.find("\"compared\":" + std::to_string(differ.size() + equal.size()) +
                           ",\"content_differs\":" + std::to_string(differ.size()) + ","),
              std::string::npos)
        << fix.out;
}

TEST(Verify, ShiftAnyWithoutVerifyIsRefused)
{
    Trees trees;
    Put(trees.o + "/a", "same", kT);
    Put(trees.c + "/a", "same", kT + 1234 * kS);
    const auto before = harness::Take(trees.scratch.path());
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "any"});
    EXPECT_EQ(fix.status, 2);
    EXPECT_NE(fix.err.find("--shift any needs --verify"), std::string::npos) << fix.err;
    EXPECT_TRUE(harness::Differences(before, harness::Take(trees.scratch.path())).empty());
}

TEST(Verify, ResetTimesAreRepairedExactlyThenUndoneExactly)
{
    // Copies whose times are the moments they were made, seconds apart and
    // with no difference in common; one edited, one of another size, one
    // within the tolerance, one equal.
    Trees trees;
    std::vector<std::string> repaired;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "d" + std::to_string(i % 4) + "/f" + std::to_string(i);
        const std::string content = Bytes(100 + static_cast<size_t>(i) * 37, static_cast<unsigned>(i));
        const int64_t original = kT - int64_t(i) * 86400 * kS - i * 7 * kS;
        Put(trees.o + "/" + name, content, original);
        Put(trees.c + "/" + name, content, kT + 400 * kHour + i * 3 * kS + (i % 5) * kS / 10);
        repaired.push_back(name);
    }
    Put(trees.o + "/edited", "abcdef", kT);
    Put(trees.c + "/edited", "abcdeF", kT + 401 * kHour);
    Put(trees.o + "/bigger", "abc", kT);
    Put(trees.c + "/bigger", "abcd", kT + 402 * kHour);
    Put(trees.o + "/close", "abc", kT);
    Put(trees.c + "/close", "abc", kT + kS);
    Put(trees.o + "/equal", "abc", kT);
    Put(trees.c + "/equal", "abc", kT);
    const auto before = harness::Take(trees.c);

    const std::string journal = trees.scratch / "run.jsonl";
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "any", "--verify", "--journal", journal});
    ASSERT_EQ(fix.status, 0) << fix.err;
    const auto after = harness::Take(trees.c);
    std::vector<std::string> changed = harness::Differences(before, after);
    std::sort(repaired.begin(), repaired.end());
    EXPECT_EQ(changed, repaired);
    const auto originals = harness::Take(trees.o);
    for (const std::string& name : repaired) {
        const auto& copy = after.at(name);
        const auto& original = originals.at(name);
        EXPECT_EQ(copy.modified, original.modified) << name;
        EXPECT_EQ(copy.accessed, before.at(name).accessed) << name;
        EXPECT_EQ(copy.content, before.at(name).content) << name;
    }
    EXPECT_NE(fix.out.find(Line("Touched", 40)), std::string::npos) << fix.out;
    EXPECT_NE(fix.out.find(Line("Content differs, left alone", 1)), std::string::npos) << fix.out;

    // The journal says each change was proved by content; undo puts every
    // copy back as it was.
    const std::string lines = harness::Take(trees.scratch.path()).at("run.jsonl").content;
    EXPECT_EQ(Count(lines, ",\"v\":\"content\"}"), 40u) << lines;
    const auto undo = trees.Run({"undo", journal});
    ASSERT_EQ(undo.status, 0) << undo.out << undo.err;
    EXPECT_TRUE(harness::Differences(before, harness::Take(trees.c)).empty());
}

TEST(Verify, ScanSuggestsEveryStrongDifference)
{
    // +1h on 12 copies and +2h on 17 (some a second off, as coarse file
    // systems keep them), a few strays: one command with both shifts.
    Trees trees;
    std::vector<harness::Pair> pairs;
    for (int i = 0; i < 12; ++i)
        pairs.push_back({"one/f" + std::to_string(i), 4, kT + i * kS, kHour});
    for (int i = 0; i < 17; ++i)
        pairs.push_back({"two/f" + std::to_string(i), 4, kT + i * kS, 2 * kHour + (i % 4 == 0 ? kS : 0)});
    pairs.push_back({"stray/a", 4, kT, 5 * kHour});
    pairs.push_back({"stray/b", 4, kT, -7 * kHour});
    harness::WritePairs(trees.o, trees.c, pairs);
    const auto scan = trees.Run({"scan", trees.o, trees.c});
    ASSERT_EQ(scan.status, 0) << scan.err;
    EXPECT_NE(scan.out.find("A few differences dominate; to see what would be repaired:\n  kelvora-cli fix " + trees.o +
                            " " + trees.c + " --shift +2h --shift +1h --dry-run\n"),
              std::string::npos)
        << scan.out;
    // The command it suggests repairs both peaks.
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "+2h", "--shift", "+1h"});
    EXPECT_NE(fix.out.find(Line("Touched", 29)), std::string::npos) << fix.out;
}

TEST(Verify, ScanSuggestsAComparisonWhenTheDifferencesHaveNoPeak)
{
    Trees trees;
    std::vector<harness::Pair> pairs;
    for (int i = 0; i < 20; ++i)
        pairs.push_back({"f" + std::to_string(i), 4, kT - i * 86400 * kS, 100 * kHour + i * 61 * kS});
    harness::WritePairs(trees.o, trees.c, pairs);
    const auto scan = trees.Run({"scan", trees.o, trees.c});
    ASSERT_EQ(scan.status, 0) << scan.err;
    EXPECT_NE(scan.out.find("no common value"), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find("kelvora-cli fix " + trees.o + " " + trees.c + " --shift any --verify --dry-run\n"),
              std::string::npos)
        << scan.out;
    const auto json = trees.Run({"scan", trees.o, trees.c, "--json"});
    EXPECT_NE(json.out.find("\"suggested\":\"kelvora-cli fix " + trees.o + " " + trees.c +
                            " --shift any --verify --dry-run\""),
              std::string::npos)
        << json.out;

    // scan --verify counts copies whose content differs apart from the differences.
    harness::WriteBytes(trees.c + "/f3", "XXXX");
    harness::SetTimes(trees.c + "/f3", kT + kHour);
    const auto verified = trees.Run({"scan", trees.o, trees.c, "--verify"});
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_NE(verified.out.find(Line("Contents compared", 20) + Line("  content differs", 1)),
              std::string::npos)
        << verified.out;
    EXPECT_EQ(verified.err, "");
}

TEST(Verify, AgainstAManifestComparesDigests)
{
    Trees trees;
    const std::string content = Bytes(3000, 7);
    std::string edited = content;
    edited[2999] ^= 1;
    Put(trees.o + "/same", content, kT);
    Put(trees.c + "/same", content, kT + kHour);
    Put(trees.o + "/edited", content, kT);
    Put(trees.c + "/edited", edited, kT + kHour);
    const std::string plain = trees.scratch / "plain.mtree", digests = trees.scratch / "digests.mtree";
    ASSERT_EQ(trees.Run({"manifest", trees.o, "-o", plain, "--quiet"}).status, 0);
    ASSERT_EQ(trees.Run({"manifest", trees.o, "-o", digests, "--digest", "sha256", "--quiet"}).status, 0);
    const auto before = harness::Take(trees.c);

    // Without digests there is nothing to compare with: refused, nothing touched.
    for (const char* command : {"fix", "scan"}) {
        std::vector<std::string> args = {command, "--against", plain, trees.c, "--verify"};
        if (std::string(command) == "fix")
            args.insert(args.end(), {"--shift", "1h"});
        const auto refused = trees.Run(args);
        EXPECT_EQ(refused.status, 2) << command;
        EXPECT_NE(refused.err.find("records no SHA-256 digests"), std::string::npos) << refused.err;
    }
    EXPECT_TRUE(harness::Differences(before, harness::Take(trees.c)).empty());

    const auto fix = trees.Run({"fix", "--against", digests, trees.c, "--shift", "1h", "--verify", "--json"});
    EXPECT_EQ(fix.status, 0) << fix.err;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/same"), kT);
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/edited"), kT + kHour);
    EXPECT_NE(fix.out.find("{\"event\":\"content-differs\",\"path\":\"edited\""), std::string::npos) << fix.out;
    EXPECT_NE(fix.out.find("its SHA-256 differs from the manifest's"), std::string::npos) << fix.out;
    EXPECT_NE(fix.out.find("\"verified\":\"sha256\""), std::string::npos) << fix.out;

    // A manifest in another order is indexed, digests with it: its lines
    // after the top's reversed.
    const auto lines = harness::Lines(harness::Take(trees.scratch.path()).at("digests.mtree").content);
    std::string reversed = lines[0] + "\n" + lines[1] + "\n";
    for (size_t i = lines.size(); i-- > 2;)
        reversed += lines[i] + "\n";
    harness::WriteBytes(trees.scratch / "reversed.mtree", reversed);
    harness::SetTimes(trees.c + "/same", kT + kHour);
    const auto indexed =
        trees.Run({"fix", "--against", trees.scratch / "reversed.mtree", trees.c, "--shift", "1h", "--verify", "--json"});
    EXPECT_EQ(indexed.status, 0) << indexed.err;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/same"), kT);
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/edited"), kT + kHour);
    EXPECT_NE(indexed.out.find("\"touched\":1,"), std::string::npos) << indexed.out;
    EXPECT_NE(indexed.out.find("\"content_differs\":1,"), std::string::npos) << indexed.out;
}
