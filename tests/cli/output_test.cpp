// The outputs: report files in CSV and JSON Lines, the JSON summary, the
// progress line only on a terminal unless asked, and an interrupted run that
// finishes the file in hand and prints its summary.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>


#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS + 5;

void MakeReportTrees(const std::string& originals, const std::string& copies)
{
    harness::WritePairs(originals, copies, {{"a,b \"q\"", 3, kT, kHour}, {"sub/ok", 7, kT, -kHour}});
    harness::MakeFolders(copies + "/folder-copy");
    harness::WriteFile(originals + "/folder-copy", 1, kT);
}

}  // namespace

TEST(Output, CsvReport)
{
    harness::Scratch scratch;
    MakeReportTrees(scratch / "o", scratch / "c");
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--quiet", "--jobs", "1",
                                   "--report", scratch / "r.csv"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    EXPECT_TRUE(fix.out.empty()) << fix.out;
    const auto lines = harness::Lines(harness::ReadText(scratch / "r.csv"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "event,path,path_escaped,size,original,before,set,read_back,reason");
    EXPECT_EQ(lines[1], "touched,\"a,b \"\"q\"\"\",0,3,2010-01-01T00:00:00.000000005Z,"
                        "2010-01-01T01:00:00.000000005Z,2010-01-01T00:00:00.000000005Z,"
                        "2010-01-01T00:00:00.000000005Z,");
    EXPECT_EQ(lines[2], "skipped,folder-copy,0,,,,,,\"the copy is a folder, not a regular file\"");
    EXPECT_EQ(lines[3].rfind("touched,sub/ok,0,7,2010-01-01T00:00:00.000000005Z,2009-12-31T23:00:00.000000005Z,", 0),
              0u)
        << lines[3];
}

TEST(Output, JsonLinesReportAndStdout)
{
    harness::Scratch scratch;
    MakeReportTrees(scratch / "o", scratch / "c");
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json", "--jobs", "1",
                                   "--report", scratch / "r.jsonl"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    const auto report = harness::Lines(harness::ReadText(scratch / "r.jsonl"));
    const auto out = harness::Lines(fix.out);
    ASSERT_EQ(report.size(), 4u);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(report[0], "{\"event\":\"touched\",\"path\":\"a,b \\\"q\\\"\",\"size\":3,"
                         "\"original\":\"2010-01-01T00:00:00.000000005Z\","
                         "\"before\":\"2010-01-01T01:00:00.000000005Z\","
                         "\"set\":\"2010-01-01T00:00:00.000000005Z\","
                         "\"read_back\":\"2010-01-01T00:00:00.000000005Z\"}");
    EXPECT_EQ(report[0], out[0]);
    EXPECT_EQ(report[3].rfind("{\"event\":\"summary\",\"command\":\"fix\",\"dry_run\":false,", 0), 0u) << report[3];
    for (const char* key : {"\"matched\":2,", "\"touched\":2,", "\"failed\":0,", "\"skipped\":1,", "\"seconds\":"})
        EXPECT_NE(out[3].find(key), std::string::npos) << key << " in " << out[3];
}

TEST(Output, ProgressLineOnlyOnATerminalUnlessAsked)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"f", 3, kT, kHour}});
    const auto plain = harness::Run({"scan", scratch / "o", scratch / "c"});
    EXPECT_TRUE(plain.err.empty()) << plain.err;
    const auto always = harness::Run({"scan", scratch / "o", scratch / "c", "--progress", "always"});
    EXPECT_NE(always.err.find(" pair"), std::string::npos) << always.err;
    EXPECT_NE(always.err.find(" match"), std::string::npos) << always.err;
    const auto quiet = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--progress", "always",
                                     "--quiet"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_TRUE(quiet.err.empty()) << quiet.err;
    EXPECT_TRUE(quiet.out.empty()) << quiet.out;
}

// A run stopped by `signal` part way exits with `status` (128 plus the
// signal's number, as shells report it), its file in hand finished and its
// summary printed.
static void StopPartWay(int signal, int status)
{
    harness::Scratch scratch;
    std::vector<harness::Pair> pairs;
    for (int i = 0; i < 3000; ++i)
        pairs.push_back({"d" + std::to_string(i % 30) + "/f" + std::to_string(i), 2, kT, kHour});
    harness::WritePairs(scratch / "o", scratch / "c", pairs);
    // The report goes into a pipe that this test reads slowly, so that the
    // program is still at work when the signal comes.
    const std::string fifo = scratch / "report.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    harness::RunOptions options;
    std::string report;
    options.whileRunning = [&](pid_t pid) {
        const int fd = open(fifo.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        char buffer[4096];
        ssize_t n = read(fd, buffer, sizeof buffer);
        report.append(buffer, n > 0 ? size_t(n) : 0);
        kill(pid, signal);
        while ((n = read(fd, buffer, sizeof buffer)) > 0)
            report.append(buffer, size_t(n));
        close(fd);
    };
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json", "--jobs", "2",
                                   "--report", fifo},
                                  options);
    EXPECT_EQ(fix.status, status) << fix.err;
    const auto out = harness::Lines(fix.out);
    ASSERT_FALSE(out.empty());
    const std::string& summary = out.back();
    EXPECT_NE(summary.find("\"interrupted\":true"), std::string::npos) << summary;
    const size_t at = summary.find("\"touched\":");
    ASSERT_NE(at, std::string::npos);
    const long touched = std::stol(summary.substr(at + 10));
    EXPECT_LT(touched, 3000);
    // Every copy is either repaired and counted, or left as it was.
    long repaired = 0;
    for (const auto& pair : pairs) {
        const int64_t now = harness::ModifiedNanos(scratch / "c/" + pair.relative);
        EXPECT_TRUE(now == kT || now == kT + kHour) << pair.relative;
        repaired += now == kT;
    }
    EXPECT_EQ(repaired, touched);
    EXPECT_EQ(harness::Lines(report).back(), summary);
}

TEST(Output, SigtermFinishesTheFileInHandAndExits143)
{
    StopPartWay(SIGTERM, 143);
}

TEST(Output, CtrlCFinishesTheFileInHandAndExits130)
{
    StopPartWay(SIGINT, 130);
}

TEST(Output, AFullOutputIsAFailureOfEveryCommand)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 3, kT, kHour}, {"b", 4, kT, kHour}});
    harness::RunOptions full;
    full.outputFile = "/dev/full";
    full.stateHome = scratch / "state";
    const std::vector<std::vector<std::string>> commands = {
        {"scan", scratch / "o", scratch / "c"},
        {"scan", scratch / "o", scratch / "c", "--json"},
        {"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json"},
        {"journals"},
        {"undo", "--last", "--dry-run"},
        {"undo", "--last"},
        {"help"},
    };
    for (const auto& args : commands) {
        const harness::Result run = harness::Run(args, full);
        EXPECT_EQ(run.status, 1) << args[0] << run.err;
        EXPECT_NE(run.err.find("write error: No space left on device"), std::string::npos) << args[0] << run.err;
    }
    // The work itself was done: fixed, then taken back.
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT + kHour);
}

TEST(Output, AClosedPipeStopsTheRunAsAnInterruptDoes)
{
    harness::Scratch scratch;
    std::vector<harness::Pair> pairs;
    for (int i = 0; i < 2000; ++i)
        pairs.push_back({"d" + std::to_string(i % 20) + "/f" + std::to_string(i), 2, kT, kHour});
    harness::WritePairs(scratch / "o", scratch / "c", pairs);
    harness::RunOptions closed;
    closed.closedOutput = true;
    closed.stateHome = scratch / "state";
    closed.environment = {"KELVORA_TEST_BATCH=50"};
    const harness::Result fix = harness::Run(
        {"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json", "--report", scratch / "r.jsonl"}, closed);
    EXPECT_EQ(fix.status, 141) << fix.err;
    EXPECT_NE(fix.err.find("the output was closed"), std::string::npos) << fix.err;
    const std::string summary = harness::Lines(harness::ReadText(scratch / "r.jsonl")).back();
    EXPECT_NE(summary.find("\"interrupted\":true"), std::string::npos) << summary;
    const size_t at = summary.find("\"touched\":");
    ASSERT_NE(at, std::string::npos) << summary;
    const long touched = std::stol(summary.substr(at + 10));
    EXPECT_LT(touched, 2000);
    long repaired = 0;
    for (const auto& pair : pairs)
        repaired += harness::ModifiedNanos(scratch / "c/" + pair.relative) == kT;
    EXPECT_EQ(repaired, touched);
    // Its journal was ended: the run is taken back whole.
    harness::RunOptions state;
    state.stateHome = closed.stateHome;
    const harness::Result undo = harness::Run({"undo", "--last"}, state);
    EXPECT_EQ(undo.status, 0) << undo.err << undo.out;
    for (const auto& pair : pairs)
        EXPECT_EQ(harness::ModifiedNanos(scratch / "c/" + pair.relative), kT + kHour) << pair.relative;
}

TEST(Output, ARelativeJournalIsNamedWholeInTheUndoCommand)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 3, kT, kHour}});
    harness::MakeFolders(scratch / "here");
    harness::RunOptions inside;
    inside.workingFolder = scratch / "here";
    const harness::Result fix = harness::Run({"fix", "../o", "../c", "--shift", "1h", "--journal", "run.jsonl"}, inside);
    EXPECT_EQ(fix.status, 0) << fix.err;
    const std::string command = "kelvora-cli undo " + scratch / "here/run.jsonl";
    EXPECT_NE(fix.out.find(command + "\n"), std::string::npos) << fix.out;
    // From another folder, the command printed takes the run back.
    const harness::Result undo = harness::Run({"undo", scratch / "here/run.jsonl"});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT + kHour);
}

TEST(Output, UndoKeepsItsJournalWhereAskedWhenTheDefaultFolderCannotBeWritten)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 3, kT, kHour}});
    harness::RunOptions options;
    options.stateHome = scratch / "state";
    options.withoutOverride = true;
    ASSERT_EQ(harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h"}, options).status, 0);
    const std::string journals = scratch / "state/kelvora/journal";
    ASSERT_EQ(chmod(journals.c_str(), 0500), 0);
    const harness::Result refused = harness::Run({"undo", "--last"}, options);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--journal FILE"), std::string::npos) << refused.err;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT);
    const harness::Result undo = harness::Run({"undo", "--last", "--journal", scratch / "undo.jsonl"}, options);
    ASSERT_EQ(chmod(journals.c_str(), 0700), 0);
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT + kHour);
    EXPECT_NE(harness::ReadText(scratch / "undo.jsonl").find("\"undo\""), std::string::npos);
}
