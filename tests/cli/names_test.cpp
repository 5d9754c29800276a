// Names as they are on disk: bytes that are not valid UTF-8, and a path
// longer than the system's 4,096-byte limit for one call.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

// Makes `depth` folders named `part` one inside the other below `root`, each
// by mkdirat from the one above, and returns the innermost, open.
int MakeDeep(const std::string& root, const std::string& part, int depth)
{
    harness::MakeFolders(root);
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < depth && fd >= 0; ++i) {
        mkdirat(fd, part.c_str(), 0755);
        const int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    return fd;
}

void WriteAt(int folder, const char* name, int64_t modified)
{
    const int fd = openat(folder, name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "12345", 5), 5);
    const struct timespec times[2] = {{modified / kS, 0}, {modified / kS, 0}};
    ASSERT_EQ(futimens(fd, times), 0);
    close(fd);
}

int64_t ModifiedAt(int folder, const char* name)
{
    struct stat st;
    EXPECT_EQ(fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW), 0);
    return st.st_mtim.tv_sec * kS + st.st_mtim.tv_nsec;
}

}  // namespace

TEST(Names, BytesThatAreNotUtf8AreRepairedAndEscapedInOutput)
{
    harness::Scratch scratch;
    const std::string bad = "caf\xE9-\\-\xFF";  // Latin-1 é, a backslash, a stray byte
    const std::string good = "gr\xC3\xBC\xC3\x9F" "e";  // "grüße" in UTF-8
    harness::WritePairs(scratch / "o", scratch / "c",
                        {{bad + "/" + bad, 3, kT, kHour}, {good, 3, kT, kHour}});
    const std::string report = scratch / "r.jsonl";
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json",
                                   "--report", report, "--jobs", "1"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/" + bad + "/" + bad), kT);
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/" + good), kT);
    const std::string escaped = "caf\\\\xE9-\\\\\\\\-\\\\xFF";  // as written inside a JSON string
    EXPECT_NE(fix.out.find("\"path\":\"" + good + "\",\"size\""), std::string::npos) << fix.out;
    EXPECT_NE(fix.out.find("\"path\":\"" + escaped + "/" + escaped + "\",\"path_escaped\":true"),
              std::string::npos)
        << fix.out;

    // The dry run's text lines escape the same bytes, and nothing invalid reaches the terminal.
    harness::WritePairs(scratch / "o", scratch / "c", {{bad + "/" + bad, 3, kT, kHour}});
    const auto dry = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--dry-run"});
    EXPECT_NE(dry.out.find("caf\\xE9-\\\\-\\xFF/caf\\xE9"), std::string::npos) << dry.out;
    EXPECT_EQ(dry.out.find('\xE9'), std::string::npos);
}

TEST(Names, PathLongerThanTheSystemLimit)
{
    harness::Scratch scratch;
    const std::string part(200, 'p');
    const int depth = 25;  // 25 × 201 bytes: over 5,000 bytes below each top
    const int originals = MakeDeep(scratch / "o", part, depth);
    const int copies = MakeDeep(scratch / "c", part, depth);
    ASSERT_GE(originals, 0);
    ASSERT_GE(copies, 0);
    WriteAt(originals, "deep", kT);
    WriteAt(copies, "deep", kT - kHour);
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json"});
    EXPECT_EQ(fix.status, 0) << fix.err;
    EXPECT_NE(fix.out.find("\"touched\":1,"), std::string::npos) << fix.out;
    EXPECT_EQ(ModifiedAt(copies, "deep"), kT);
    close(originals);
    close(copies);
}

TEST(Names, ManyDeepFoldersWithFewHandles)
{
    // Wide and deep at once: more folders waiting than handles kept, so that
    // folders are opened again from their nearest open ancestor.
    harness::Scratch scratch;
    std::vector<harness::Pair> pairs;
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 15; ++j)
            pairs.push_back({"w" + std::to_string(i) + "/x/y" + std::to_string(j) + "/z/f", 2, kT, kHour});
    harness::WritePairs(scratch / "o", scratch / "c", pairs);
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json", "--jobs", "3"});
    EXPECT_EQ(fix.status, 0) << fix.err;
    EXPECT_NE(fix.out.find("\"touched\":600,"), std::string::npos) << fix.out.substr(fix.out.rfind('{'));
}

TEST(Names, ControlsAndReorderingMarksAreEscapedAndTheSuggestionRunsInAShell)
{
    // Folder names with a newline, a byte that is not UTF-8, a C1 control
    // (U+009B, a terminal's escape sequence start), U+202E (shows what
    // follows backwards) and quotes.
    harness::Scratch scratch;
    const std::string odd = "a\nb\xff" "c\xc2\x9b" "d\xe2\x80\xae" "e'f\\g";
    const std::string originals = scratch / ("o" + odd), copies = scratch / ("c" + odd);
    harness::WritePairs(originals, copies, {{"x\xc2\x9b" "y", 5, kT, kHour}, {"z", 5, kT, kHour}});
    const harness::Result scan = harness::Run({"scan", originals, copies});
    EXPECT_EQ(scan.status, 0) << scan.err;
    for (const char* raw : {"\xc2\x9b", "\xe2\x80\xae", "\xff"})
        EXPECT_EQ(scan.out.find(raw), std::string::npos) << scan.out;
    const size_t at = scan.out.find("kelvora-cli fix ");
    ASSERT_NE(at, std::string::npos) << scan.out;
    const std::string command = scan.out.substr(at, scan.out.find('\n', at) - at);
    EXPECT_NE(command.find("\\xC2\\x9B"), std::string::npos) << command;
    // The suggestion, run by a shell, reaches both folders.
    const std::string line = std::string(KELVORA_CLI) + command.substr(std::string("kelvora-cli").size());
    harness::RunOptions shell;
    shell.prefix = {"bash", "-c", line + " --json", "bash"};
    const harness::Result suggested = harness::Run({}, shell);
    EXPECT_EQ(suggested.status, 0) << command << suggested.err;
    EXPECT_NE(suggested.out.find("\"matched\":2"), std::string::npos) << suggested.out;
    // A failure names the folder with its controls escaped.
    harness::MakeFolders(originals + "/sub");
    harness::MakeFolders(copies + "/sub");
    ASSERT_EQ(chmod((copies + "/sub").c_str(), 0), 0);
    harness::RunOptions plain;
    plain.withoutOverride = true;
    const harness::Result fix = harness::Run({"fix", originals, copies, "--shift", "1h"}, plain);
    ASSERT_EQ(chmod((copies + "/sub").c_str(), 0755), 0);
    EXPECT_NE(fix.err.find("cannot read the folder"), std::string::npos) << fix.err;
    for (const char* raw : {"\xc2\x9b", "\xe2\x80\xae", "\xff", "\n\x62"})
        EXPECT_EQ(fix.err.find(raw), std::string::npos) << fix.err;
}
