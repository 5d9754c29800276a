// kelvora-cli manifest, and scan and fix against a manifest, end to end on
// real trees: the manifest plays the originals exactly, untrusted manifests
// touch nothing, and the real mtree tools (bsdtar, BSD mtree) agree with it.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "engine/mtree_reader.h"
#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1500000000 * kS + 987654321;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs a shell command line; its stdout, stderr and status.
harness::Result Shell(const std::string& command, const std::string& scratch)
{
    const std::string out = scratch + "/.out", err = scratch + "/.err";
    const int status = std::system(("(" + command + ") >" + Quoted(out) + " 2>" + Quoted(err)).c_str());
    harness::Result result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    return result;
}

bool Have(const std::string& tool)
{
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<engine::MtreeEntry> Entries(const std::string& text)
{
    std::vector<engine::MtreeEntry> entries;
    std::string error;
    const bool ok = engine::ReadMtree(
        text,
        [&entries](engine::MtreeEntry&& entry, std::string&) {
            entries.push_back(std::move(entry));
            return true;
        },
        error);
    EXPECT_TRUE(ok) << error;
    return entries;
}

// Names of every kind, nested folders, matches and non-matches.
const std::vector<harness::Pair> kPairs = {
    {"m1", 100, kT, kHour},
    {"with space", 1, kT + 7, -kHour},
    {"new\nline", 5, kT + 1, kHour},
    {"bad\xff\xfe utf8", 7, kT + 2, kHour},
    {"#hash=back\\slash*", 3, kT + 3, kHour},
    {"d/m2", 1, kT + 7, -kHour},
    {"d/e/m3", 5000, kT + 123, kHour + kS},
    {"d/e/\xc3\xa9t\xc3\xa9 \xf0\x9f\x93\xb7.jpg", 20, kT + 9, kHour},
    {"d/empty", 0, kT, -kHour},
    {"same", 10, kT, 0},
    {"bigger", 10, kT, kHour, 12},
    {"off", 10, kT, 2 * kHour},
};

struct Trees {
    harness::Scratch scratch;
    std::string o = scratch / "o", c = scratch / "c", c2 = scratch / "c2", state = scratch / "state";
    Trees()
    {
        harness::WritePairs(o, c, kPairs);
        harness::WritePairs(o, c2, kPairs);
        harness::WriteFile(c + "/only-copy", 1, kT);
        harness::WriteFile(c2 + "/only-copy", 1, kT);
        harness::WriteFile(o + "/only-original", 1, kT);
        harness::MakeFolders(o + "/only-folder/x");
        harness::WriteFile(o + "/only-folder/x/f", 1, kT);
    }
    harness::Result Run(const std::vector<std::string>& args) const
    {
        harness::RunOptions options;
        options.stateHome = state;
        return harness::Run(args, options);
    }
};

// The lines of --json output, without what differs from run to run, in an
// order of their own (the walking threads interleave folders).
std::vector<std::string> Events(const std::string& out)
{
    std::vector<std::string> events;
    for (const std::string& line : harness::Lines(out)) {
        nlohmann::json event = nlohmann::json::parse(line);
        event.erase("seconds");
        event.erase("journal");
        event.erase("suggested");  // names the originals as given
        events.push_back(event.dump());
    }
    std::sort(events.begin(), events.end());
    return events;
}

// Each file's size and modification time, by path.
std::map<std::string, std::pair<int64_t, int64_t>> FileTimes(const std::string& root)
{
    std::map<std::string, std::pair<int64_t, int64_t>> times;
    for (const auto& [name, entry] : harness::Take(root))
        if (entry.kind == 'f')
            times[name] = {entry.size, entry.modified};
    return times;
}

size_t Touched(const std::vector<std::string>& events)
{
    return static_cast<size_t>(std::count_if(events.begin(), events.end(), [](const std::string& event) {
        return event.find("\"event\":\"touched\"") != std::string::npos;
    }));
}

}  // namespace

TEST(Manifest, EveryRegularFileInTheOrderOfTheWalkWithItsDigest)
{
    Trees trees;
    symlink("m1", (trees.o + "/link").c_str());
    mkfifo((trees.o + "/d/fifo").c_str(), 0600);
    const auto made = trees.Run({"manifest", trees.o, "--digest", "sha256"});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_NE(made.err.find("2 links and special files left out"), std::string::npos) << made.err;
    const std::vector<std::string> lines = harness::Lines(made.out);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "#mtree");
    EXPECT_EQ(lines[1], ". type=dir");
    EXPECT_EQ(lines[2], "./\\043hash\\075back\\134slash\\052 type=file size=3 time=1500000000.987654324 "
                        "sha256digest=" + Shell("sha256sum < " + Quoted(trees.o + "/#hash=back\\slash*") +
                                                " | cut -c1-64", trees.scratch.path()).out.substr(0, 64));
    std::vector<std::string> paths;
    for (const engine::MtreeEntry& entry : Entries(made.out)) {
        paths.push_back(entry.path);
        if (entry.kind != fsys::Kind::Regular)
            continue;
        // Each digest is sha256sum's of the same file.
        const std::string sum =
            Shell("sha256sum < " + Quoted(trees.o + "/" + entry.path), trees.scratch.path()).out.substr(0, 64);
        std::string hex;
        for (const uint8_t byte : entry.sha256) {
            char two[3];
            std::snprintf(two, sizeof two, "%02x", byte);
            hex += two;
        }
        EXPECT_EQ(hex, sum) << entry.path;
        EXPECT_EQ(entry.modified.seconds * kS + entry.modified.nanos, harness::ModifiedNanos(trees.o + "/" + entry.path));
    }
    // Breadth-first, names sorted by their bytes, folders in their parent's
    // listing; the link and the FIFO left out.
    const std::vector<std::string> expected = {
        "", "#hash=back\\slash*", "bad\xff\xfe utf8", "bigger", "d", "m1", "new\nline", "off", "only-folder",
        "only-original", "same", "with space", "d/e", "d/empty", "d/m2", "only-folder/x",
        "d/e/m3", "d/e/\xc3\xa9t\xc3\xa9 \xf0\x9f\x93\xb7.jpg", "only-folder/x/f"};
    EXPECT_EQ(paths, expected);

    // Without --digest, in a file, nothing on stdout.
    const auto file = trees.Run({"manifest", trees.o, "-o", trees.scratch / "m.mtree", "--quiet"});
    ASSERT_EQ(file.status, 0) << file.err;
    EXPECT_EQ(file.out, "");
    EXPECT_EQ(file.err, "");
    EXPECT_EQ(ReadAll(trees.scratch / "m.mtree").find("sha256"), std::string::npos);
    EXPECT_EQ(Entries(ReadAll(trees.scratch / "m.mtree")).size(), expected.size());
}

TEST(Against, RepairsExactlyWhatFixRepairsAndUndoPutsAllBack)
{
    Trees trees;
    const std::string manifest = trees.scratch / "o.mtree";
    ASSERT_EQ(trees.Run({"manifest", trees.o, "-o", manifest, "--quiet"}).status, 0);
    const harness::Snapshot before = harness::Take(trees.c2);

    // scan: the same counts, and the suggested fix names the manifest.
    const auto scan = trees.Run({"scan", trees.o, trees.c, "--json"});
    const auto scanAgainst = trees.Run({"scan", "--against", manifest, trees.c2, "--json"});
    ASSERT_EQ(scanAgainst.status, 0) << scanAgainst.err;
    EXPECT_EQ(Events(scan.out), Events(scanAgainst.out));
    EXPECT_NE(scanAgainst.out.find("\"kelvora-cli fix --against " + manifest + " " + trees.c2 + " --shift 1h --dry-run\""),
              std::string::npos) << scanAgainst.out;

    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--json"});
    const auto fixAgainst = trees.Run({"fix", "--against", manifest, trees.c2, "--shift", "1h", "--json"});
    ASSERT_EQ(fixAgainst.status, 0) << fixAgainst.err;
    const auto events = Events(fixAgainst.out);
    EXPECT_EQ(Events(fix.out), events);
    EXPECT_EQ(Touched(events), 9u) << fixAgainst.out;
    // Both copies' trees are now the same, to the nanosecond.
    EXPECT_EQ(FileTimes(trees.c), FileTimes(trees.c2));
    EXPECT_FALSE(harness::Differences(before, harness::Take(trees.c2)).empty());

    const auto undo = trees.Run({"undo", "--last"});
    ASSERT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(harness::Differences(before, harness::Take(trees.c2)), std::vector<std::string>{});

    // From standard input, through a pipe.
    const std::string program = KELVORA_CLI;
    const auto piped = Shell("export XDG_STATE_HOME=" + Quoted(trees.state) + "; " + program + " manifest " +
                                 Quoted(trees.o) + " | " + program + " fix --against - " + Quoted(trees.c2) +
                                 " --shift 1h --json",
                             trees.scratch.path());
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(Events(piped.out), events);
    // Its journal names no folder in the originals' place, and undo takes it back.
    const auto undoPiped = trees.Run({"undo", "--last"});
    ASSERT_EQ(undoPiped.status, 0) << undoPiped.err << undoPiped.out;
    EXPECT_EQ(harness::Differences(before, harness::Take(trees.c2)), std::vector<std::string>{});
}

TEST(Against, AnUnreadableFolderOfTheCopiesIsCountedAsWithAFolderOfOriginals)
{
    // Its originals are neither paired nor missing, whether the manifest is
    // read as the walk goes or, in another order, indexed.
    Trees trees;
    const std::string manifest = trees.scratch / "o.mtree", reordered = trees.scratch / "reordered.mtree";
    ASSERT_EQ(trees.Run({"manifest", trees.o, "-o", manifest, "--quiet"}).status, 0);
    auto lines = harness::Lines(harness::ReadText(manifest));
    std::reverse(lines.begin() + 1, lines.end());  // "#mtree" stays first
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    std::ofstream(reordered, std::ios::binary) << text;
    ASSERT_EQ(chmod((trees.c + "/d").c_str(), 0), 0);
    ASSERT_EQ(chmod((trees.c2 + "/d").c_str(), 0), 0);
    harness::RunOptions options;
    options.stateHome = trees.state;
    options.withoutOverride = true;
    const auto folders = harness::Run({"scan", trees.o, trees.c, "--json"}, options);
    EXPECT_EQ(folders.status, 1) << folders.err;
    ASSERT_NE(folders.out.find("\"unreadable_folders\":1"), std::string::npos) << folders.out;
    for (const std::string& record : {manifest, reordered}) {
        const auto against = harness::Run({"scan", "--against", record, trees.c2, "--json"}, options);
        EXPECT_EQ(against.status, 1) << against.err;
        EXPECT_EQ(Events(against.out), Events(folders.out)) << record;
    }
}

TEST(Against, FiltersKeepEachRecordedDigestWithItsFile)
{
    // Entries left out of a folder of the manifest take their digests with
    // them: every other copy is still proved against its own. (The copies
    // of "c" hold their originals' bytes; those of "c2" do not.)
    Trees trees;
    const std::string manifest = trees.scratch / "o.mtree";
    ASSERT_EQ(trees.Run({"manifest", trees.o, "-o", manifest, "--digest", "sha256", "--quiet"}).status, 0);
    const auto fix = trees.Run({"fix", "--against", manifest, trees.c, "--shift", "1h", "--verify", "--exclude",
                                "bigger", "--exclude", "m1", "--json"});
    ASSERT_EQ(fix.status, 0) << fix.err << fix.out;
    const std::string summary = harness::Lines(fix.out).back();
    EXPECT_NE(summary.find("\"content_differs\":0,"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\"touched\":8,"), std::string::npos) << summary;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/m1"), kT + kHour);
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/new\nline"), kT + 1);
}

TEST(Against, UntrustedManifestsTouchNothing)
{
    Trees trees;
    const harness::Snapshot before = harness::Take(trees.scratch.path());
    const std::string good = "#mtree\n./m1 type=file size=100 time=1500000000.987654321\n";
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {good + "./../o/m1 type=file size=100 time=1500000000.987654321\n", "line 3: path"},
        {good + "./m1 type=file size=100 time=1500000000.987654321\n", "line 3: duplicate path \"m1\" (first at line 2)"},
        {good + "./m1/x type=file size=1 time=1.0\n", "line 2: \"m1\" is not a folder, but line 3"},
        {good + "./n type=file time=1.0\n", "line 3: a file without its size"},
        {good + "./n type=file size=1 time=1.0 speed=3\n", "line 3: unknown keyword"},
        {good + "./n type=file size=1 time=1.0", "line 3: cut short"},
    };
    for (const auto& c : cases) {
        WriteAll(trees.scratch / "bad.mtree", c.text);
        const auto fix = trees.Run({"fix", "--against", trees.scratch / "bad.mtree", trees.c, "--shift", "1h"});
        EXPECT_EQ(fix.status, 2) << c.expected;
        EXPECT_NE(fix.err.find(c.expected), std::string::npos) << fix.err;
        EXPECT_NE(fix.err.find("nothing was changed"), std::string::npos) << fix.err;
    }
    // Not a regular file: refused at once, without waiting on it.
    mkfifo((trees.scratch / "fifo").c_str(), 0600);
    const auto fifo = trees.Run({"fix", "--against", trees.scratch / "fifo", trees.c, "--shift", "1h"});
    EXPECT_EQ(fifo.status, 2);
    EXPECT_NE(fifo.err.find("FIFO"), std::string::npos) << fifo.err;
    const auto device = trees.Run({"scan", "--against", "/dev/zero", trees.c});
    EXPECT_EQ(device.status, 2);
    EXPECT_NE(device.err.find("device"), std::string::npos) << device.err;
    // Both ORIGINALS and --against: refused.
    const auto both = trees.Run({"fix", "--against", trees.scratch / "bad.mtree", trees.o, trees.c, "--shift", "1h"});
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.err.find("COPIES only"), std::string::npos) << both.err;
    std::vector<std::string> changed = harness::Differences(before, harness::Take(trees.scratch.path()));
    changed.erase(std::remove_if(changed.begin(), changed.end(),
                                 [](const std::string& name) { return name.find("state") == 0 || name[0] == '.' ||
                                                                      name == "bad.mtree" || name == "fifo"; }),
                  changed.end());
    EXPECT_EQ(changed, std::vector<std::string>{});
}

TEST(Interop, BsdtarManifestIsAcceptedAndReadsOurs)
{
    if (!Have("bsdtar"))
        GTEST_SKIP() << "bsdtar (libarchive-tools) is not installed";
    Trees trees;
    const std::string bsd = trees.scratch / "bsd.mtree";
    const auto made = Shell("bsdtar -cf " + Quoted(bsd) + " --format=mtree --options='!all,type,size,time,sha256' -C " +
                                Quoted(trees.o) + " .",
                            trees.scratch.path());
    ASSERT_EQ(made.status, 0) << made.err;
    // Another order than the walk's (indexed by folder): the same counts.
    const auto scan = trees.Run({"scan", trees.o, trees.c, "--json"});
    const auto scanAgainst = trees.Run({"scan", "--against", bsd, trees.c2, "--json"});
    ASSERT_EQ(scanAgainst.status, 0) << scanAgainst.err;
    EXPECT_EQ(Events(scan.out), Events(scanAgainst.out));
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--json"});
    const auto fixAgainst = trees.Run({"fix", "--against", bsd, trees.c2, "--shift", "1h", "--json"});
    ASSERT_EQ(fixAgainst.status, 0) << fixAgainst.err;
    EXPECT_EQ(Events(fix.out), Events(fixAgainst.out));
    EXPECT_EQ(Touched(Events(fix.out)), 9u);
    EXPECT_EQ(FileTimes(trees.c), FileTimes(trees.c2));

    // Ours, read by libarchive and written again in its own words: the same
    // names, sizes and times.
    const std::string ours = trees.scratch / "ours.mtree";
    ASSERT_EQ(trees.Run({"manifest", trees.o, "-o", ours, "--digest", "sha256"}).status, 0);
    const auto again = Shell("bsdtar -cf - --format=mtree --options='!all,type,size,time' @" + Quoted(ours),
                             trees.scratch.path());
    ASSERT_EQ(again.status, 0) << again.err;
    // (libarchive writes them in an order of its own.)
    std::map<std::string, engine::MtreeEntry> theirs;
    for (engine::MtreeEntry& entry : Entries(again.out))
        theirs[entry.path] = std::move(entry);
    const auto mine = Entries(ReadAll(ours));
    ASSERT_EQ(mine.size(), theirs.size()) << again.out;
    for (const engine::MtreeEntry& entry : mine) {
        const auto found = theirs.find(entry.path);
        ASSERT_NE(found, theirs.end()) << entry.path << "\n" << again.out;
        EXPECT_EQ(entry.kind, found->second.kind) << entry.path;
        if (entry.kind != fsys::Kind::Regular)
            continue;
        EXPECT_EQ(entry.size, found->second.size) << entry.path;
        EXPECT_EQ(entry.modified, found->second.modified) << entry.path;
    }
    // And its listing shows the plain names with their sizes.
    const auto listing = Shell("bsdtar -tvf " + Quoted(ours), trees.scratch.path());
    ASSERT_EQ(listing.status, 0) << listing.err;
    EXPECT_NE(listing.out.find(" 5000 "), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("./d/e/m3"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("./with space"), std::string::npos) << listing.out;
}

TEST(Interop, NetbsdMtreeFindsNoDifference)
{
    if (!Have("mtree"))
        GTEST_SKIP() << "mtree (mtree-netbsd) is not installed";
    Trees trees;
    const std::string ours = trees.scratch / "ours.mtree";
    ASSERT_EQ(trees.Run({"manifest", trees.o, "-o", ours, "--digest", "sha256"}).status, 0);
    const auto same = Shell("mtree -f " + Quoted(ours) + " -p " + Quoted(trees.o), trees.scratch.path());
    EXPECT_EQ(same.status, 0) << same.out << same.err;
    EXPECT_EQ(same.out, "");
    // It does see a difference where there is one (it compares whole seconds).
    harness::SetTimes(trees.o + "/d/e/m3", kT + 123 + kS);
    const auto other = Shell("mtree -f " + Quoted(ours) + " -p " + Quoted(trees.o), trees.scratch.path());
    EXPECT_NE(other.out.find("m3:"), std::string::npos) << other.out << other.err;
    EXPECT_NE(other.status, 0);
}

TEST(Manifest, DigestsLeaveTheOriginalsAccessTimesAlone)
{
    // An access time older than the modification time: a plain read on a
    // relatime mount would move it.
    harness::Scratch scratch;
    const std::string o = scratch / "o";
    harness::MakeFolders(o);
    const int64_t accessed = kT - 86400 * kS;
    harness::WriteFile(o + "/a", 4096, kT, accessed);
    harness::WriteFile(o + "/b", 10, kT, accessed);
    const auto made = harness::Run({"manifest", o, "--digest", "sha256", "--quiet"});
    ASSERT_EQ(made.status, 0) << made.err;
    ASSERT_NE(made.out.find("sha256digest="), std::string::npos) << made.out;
    for (const char* name : {"/a", "/b"}) {
        struct stat facts;
        ASSERT_EQ(stat((o + name).c_str(), &facts), 0);
        EXPECT_EQ(facts.st_atim.tv_sec * kS + facts.st_atim.tv_nsec, accessed) << name;
    }
}
