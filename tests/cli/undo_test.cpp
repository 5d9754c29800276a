// Undo end to end: a fix taken back leaves both trees as they were, to the
// nanosecond; a run killed part way is taken back all the same; copies changed
// since the run are left alone; journals that cannot be trusted touch nothing.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "engine/journal_reader.h"
#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1500000000 * kS + 987654321;

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Trees with matches in several folders (more than one batch in "big"), a
// few that do not match, nanosecond instants throughout.
void MakeTrees(const std::string& o, const std::string& c, int bigCount = 0)
{
    std::vector<harness::Pair> pairs = {{"m1", 100, kT, kHour},
                                        {"d/m2", 1, kT + 7, -kHour},
                                        {"d/e/m3", 5000, kT + 123, kHour + kS},
                                        {"d/empty", 0, kT, -kHour},
                                        {"same", 10, kT, 0},
                                        {"bigger", 10, kT, kHour, 12},
                                        {"off", 10, kT, 2 * kHour}};
    for (int i = 0; i < bigCount; ++i)
        pairs.push_back({"big/f" + std::to_string(1000 + i), 3, kT + i * 1001, kHour});
    harness::WritePairs(o, c, pairs);
}

struct Trees {
    harness::Scratch scratch;
    std::string o = scratch / "o", c = scratch / "c", state = scratch / "state";
    harness::Snapshot before;
    explicit Trees(int bigCount = 0)
    {
        MakeTrees(o, c, bigCount);
        before = Now();
    }
    harness::Snapshot Now() const
    {
        harness::Snapshot now;
        for (auto& [name, entry] : harness::Take(o))
            now["o/" + name] = entry;
        for (auto& [name, entry] : harness::Take(c))
            now["c/" + name] = entry;
        return now;
    }
    harness::Result Run(const std::vector<std::string>& args, std::vector<std::string> environment = {}) const
    {
        harness::RunOptions options;
        options.stateHome = state;
        options.environment = std::move(environment);
        return harness::Run(args, options);
    }
};

}  // namespace

TEST(Undo, RoundTripLeavesBothTreesAsTheyWereToTheNanosecond)
{
    Trees trees;
    const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h"});
    ASSERT_EQ(fix.status, 0) << fix.err;
    const auto journals = harness::JournalsIn(trees.state);
    ASSERT_EQ(journals.size(), 1u);
    EXPECT_NE(fix.out.find("kelvora-cli undo " + journals[0]), std::string::npos) << fix.out;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/m1"), kT);
    EXPECT_FALSE(harness::Differences(trees.before, trees.Now()).empty());

    const auto dry = trees.Run({"undo", journals[0], "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("would restore " + trees.c + "/d/e/m3"), std::string::npos) << dry.out;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/m1"), kT);

    const auto undo = trees.Run({"undo", journals[0], "--json"});
    ASSERT_EQ(undo.status, 0) << undo.err << undo.out;
    EXPECT_NE(undo.out.find("\"restored\":4"), std::string::npos) << undo.out;
    EXPECT_TRUE(harness::Differences(trees.before, trees.Now()).empty());

    // The undo is journalled too: undoing it puts the repaired times back.
    const auto all = harness::JournalsIn(trees.state);
    ASSERT_EQ(all.size(), 2u);
    const auto redo = trees.Run({"undo", all[1]});
    ASSERT_EQ(redo.status, 0) << redo.err;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/m1"), kT);
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/d/e/m3"), kT + 123);
}

TEST(Undo, TwiceChangesNothingTheSecondTimeAndSaysSo)
{
    Trees trees;
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h"}).status, 0);
    const std::string fix = harness::JournalsIn(trees.state).at(0);
    ASSERT_EQ(trees.Run({"undo", fix}).status, 0);
    const auto after = trees.Now();
    const auto again = trees.Run({"undo", fix});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("Nothing to undo"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("undone by"), std::string::npos) << again.out;
    EXPECT_TRUE(harness::Differences(after, trees.Now()).empty());
    EXPECT_EQ(harness::JournalsIn(trees.state).size(), 2u);  // no journal for an undo that changed nothing

    const auto list = trees.Run({"journals"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("4 touched"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("  undone\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("undo of "), std::string::npos) << list.out;
}

TEST(Undo, LastTakesTheNewestFixOnly)
{
    Trees first, second;
    second.state = first.state;
    ASSERT_EQ(first.Run({"fix", first.o, first.c, "--shift", "1h"}).status, 0);
    ASSERT_EQ(second.Run({"fix", second.o, second.c, "--shift", "1h"}).status, 0);
    const auto undo = first.Run({"undo", "--last", "--quiet"});
    ASSERT_EQ(undo.status, 0) << undo.err;
    EXPECT_TRUE(undo.out.empty());
    EXPECT_TRUE(harness::Differences(second.before, second.Now()).empty());
    EXPECT_EQ(harness::ModifiedNanos(first.c + "/m1"), kT);  // the earlier run stays repaired
    Trees empty;
    const auto none = empty.Run({"undo", "--last"});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("cannot read the folder of the journals"), std::string::npos) << none.err;
}

TEST(Undo, CopiesChangedSinceTheRunAreLeftAloneWithTheReason)
{
    Trees trees;
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--jobs", "1"}).status, 0);
    WriteText(trees.c + "/m1", std::string(101, 'x'));                 // edited: another size
    harness::SetTimes(trees.c + "/d/m2", kT + 7 + 5 * kS);              // touched since
    unlink((trees.c + "/d/empty").c_str());                            // gone
    mkdir((trees.c + "/d/empty").c_str(), 0755);                       // and replaced
    const auto undo = trees.Run({"undo", "--last"});
    EXPECT_EQ(undo.status, 1) << undo.err;
    EXPECT_NE(undo.err.find(trees.c + "/m1: left alone, its size changed since the run"), std::string::npos) << undo.err;
    EXPECT_NE(undo.err.find(trees.c + "/d/m2: left alone, its time changed since the run"), std::string::npos) << undo.err;
    EXPECT_NE(undo.err.find(trees.c + "/d/empty: left alone, replaced"), std::string::npos) << undo.err;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/d/m2"), kT + 7 + 5 * kS);
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/d/e/m3"), kT + 123 + kHour + kS);  // restored
}

// The copies are looked at many at a time, shared among threads: each change
// is still judged on its own copy, and reported in the journal's order.
TEST(Undo, CopiesLookedAtTogetherAreEachJudgedOnTheirOwnAndReportedInOrder)
{
    Trees trees(300);
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--jobs", "1"}).status, 0);
    const std::string journal = harness::JournalsIn(trees.state).at(0);
    const std::string big = trees.c + "/big/f";
    WriteText(big + "1010", "xyzw");                                   // edited: another size
    harness::SetTimes(big + "1200", kT + 200 * 1001 + 3 * kS);          // touched since
    unlink((big + "1150").c_str());                                    // gone
    unlink((big + "1290").c_str());
    ASSERT_EQ(symlink("f1000", (big + "1290").c_str()), 0);            // replaced by a link
    ASSERT_EQ(std::system(("rm -r '" + trees.c + "/d/e'").c_str()), 0);  // its folder gone
    // Two threads share the looks of the batch.
    const auto undo = trees.Run({"undo", journal, "--jobs", "3"});
    EXPECT_EQ(undo.status, 1) << undo.err;
    const std::vector<std::pair<std::string, std::string>> left = {
        {"d/e/m3", "its folder is gone"}, {"big/f1010", "its size changed"}, {"big/f1150", "gone since the run"},
        {"big/f1200", "its time changed"}, {"big/f1290", "replaced"}};
    std::ifstream in(journal);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t previousInErr = 0, previousInJournal = 0;
    for (const auto& [path, reason] : left) {
        SCOPED_TRACE(path);
        const size_t inErr = undo.err.find(trees.c + "/" + path + ": left alone, " + reason);
        const size_t inJournal = text.find("\"p\":\"" + path + "\"");
        ASSERT_NE(inErr, std::string::npos) << undo.err;
        ASSERT_NE(inJournal, std::string::npos);
        // In the same order in both.
        EXPECT_EQ(inErr > previousInErr, inJournal > previousInJournal);
        previousInErr = inErr;
        previousInJournal = inJournal;
    }
    // Every other copy has its time from before the run, to the nanosecond
    // (the folders of the names removed and made have a time of now).
    std::vector<std::string> expected = {"c/big", "c/big/f1010", "c/big/f1150", "c/big/f1200", "c/big/f1290",
                                         "c/d", "c/d/e", "c/d/e/m3"};
    EXPECT_EQ(harness::Differences(trees.before, trees.Now()), expected);
    EXPECT_EQ(harness::ModifiedNanos(big + "1000"), kT + kHour);
    EXPECT_EQ(harness::ModifiedNanos(big + "1299"), kT + 299 * 1001 + kHour);
}

TEST(Undo, ARunKilledAtAnyPointIsTakenBackWhole)
{
    // 404 matches in batches of 128: the kill comes before any change,
    // after the first, inside a later batch, just past a batch's start, and
    // at the last change.
    for (const int killAfter : {0, 1, 200, 258, 404}) {
        Trees trees(400);
        const auto fix = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--jobs", "1", "--quiet"},
                                   {"KELVORA_TEST_KILL_AFTER=" + std::to_string(killAfter), "KELVORA_TEST_BATCH=128"});
        ASSERT_EQ(fix.status, 128 + SIGKILL) << killAfter << fix.err;
        const auto journals = harness::JournalsIn(trees.state);
        ASSERT_EQ(journals.size(), 1u);
        if (killAfter > 0) {
            EXPECT_NE(harness::Differences(trees.before, trees.Now()), std::vector<std::string>{}) << killAfter;
        }
        const auto undo = trees.Run({"undo", journals[0]});
        EXPECT_EQ(undo.status, 0) << killAfter << undo.err << undo.out;
        EXPECT_NE(undo.err.find("did not finish"), std::string::npos) << undo.err;
        EXPECT_EQ(harness::Differences(trees.before, trees.Now()), std::vector<std::string>{}) << killAfter;
    }
}

TEST(Undo, TornLastLineIsReadUpToIt)
{
    Trees trees;
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--jobs", "1"}).status, 0);
    const std::string journal = harness::JournalsIn(trees.state).at(0);
    std::string text = harness::ReadText(journal);
    // Without the end line and with the last mark cut in half.
    text.resize(text.rfind("{\"end\""));
    text.resize(text.size() - 1);
    text.resize(text.rfind('\n') + 1 + 5);
    WriteText(journal, text);
    const auto undo = trees.Run({"undo", journal});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_NE(undo.err.find("cut short"), std::string::npos) << undo.err;
    EXPECT_TRUE(harness::Differences(trees.before, trees.Now()).empty());
}

TEST(Undo, HostileJournalsTouchNothing)
{
    Trees trees;
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--jobs", "1"}).status, 0);
    const std::string good = harness::ReadText(harness::JournalsIn(trees.state).at(0));
    // A file outside the copies at the time the intent names as set.
    harness::WriteFile(trees.scratch / "outside", 100, kT);
    const std::string header = good.substr(0, good.find('\n') + 1);
    const std::string rest = good.substr(header.size());
    const std::string intent = rest.substr(0, rest.find('\n') + 1);  // m1: 100 bytes, set kT
    const auto withPath = [&](const std::string& path) {
        std::string line = intent;
        line.replace(line.find("\"m1\""), 4, "\"" + path + "\"");
        return header + line + R"({"d":1,"k":")" + intent.substr(intent.find("\"s\":\"") + 5, 20) + "\"}\n";
    };
    std::string version = good;
    version.replace(version.find("\"kelvora_journal\":2"), 19, "\"kelvora_journal\":7");
    std::string gone = good;
    const std::string copiesField = "\"copies\":\"" + trees.c + "\"";
    gone.replace(gone.find(copiesField), copiesField.size(), "\"copies\":\"" + trees.c + "-gone\"");
    std::string badUtf8 = good;
    badUtf8.insert(badUtf8.find("\"m1\"") + 2, "\xc3\x28");
    std::string malformed = good;
    malformed.insert(header.size() + intent.size(), "{\"d\":\n");
    const struct {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"wrong version", version, "format version is 7"},
        {"missing header", rest, "not a journal of kelvora-cli"},
        {"parent path", withPath("../outside"), "leads out of the copies folder"},
        {"absolute path", withPath(trees.scratch / "outside"), "leads out of the copies folder"},
        {"huge line", header + "{\"i\":1,\"p\":\"" + std::string(engine::kMaxJournalLine + 1, 'a') + "\"}\n" + rest,
         "longer than"},
        {"invalid UTF-8", badUtf8, "not a JSON object"},
        {"malformed line", malformed, "line 3"},
        {"copies gone", gone, "cannot be opened"},
    };
    const auto before = trees.Now();
    for (const auto& c : cases) {
        const std::string path = trees.scratch / "hostile.jsonl";
        WriteText(path, c.bytes);
        const auto undo = trees.Run({"undo", path});
        EXPECT_EQ(undo.status, 2) << c.what << undo.err;
        EXPECT_NE(undo.err.find(c.message), std::string::npos) << c.what << ": " << undo.err;
        EXPECT_NE(undo.err.find("nothing was touched"), std::string::npos) << c.what << ": " << undo.err;
        EXPECT_TRUE(harness::Differences(before, trees.Now()).empty()) << c.what;
        EXPECT_EQ(harness::ModifiedNanos(trees.scratch / "outside"), kT) << c.what;
    }
    EXPECT_EQ(harness::JournalsIn(trees.state).size(), 1u);
}

TEST(Undo, AJournalFolderThatCannotBeWrittenStopsFixBeforeAnyChange)
{
    Trees trees;
    harness::MakeFolders(trees.state);
    chmod(trees.state.c_str(), 0500);
    harness::RunOptions options;
    options.stateHome = trees.state;
    options.withoutOverride = true;
    const auto fix = harness::Run({"fix", trees.o, trees.c, "--shift", "1h"}, options);
    EXPECT_EQ(fix.status, 2) << fix.err;
    EXPECT_NE(fix.err.find("Permission denied; nothing was changed"), std::string::npos) << fix.err;
    EXPECT_TRUE(harness::Differences(trees.before, trees.Now()).empty());

    // A journal named where it cannot be made, likewise.
    const auto named = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--journal", trees.scratch / "no/such/j.jsonl"});
    EXPECT_EQ(named.status, 2) << named.err;
    EXPECT_TRUE(harness::Differences(trees.before, trees.Now()).empty());

    // Without a journal the run is made, and says it cannot be undone.
    const auto unjournalled = harness::Run({"fix", trees.o, trees.c, "--shift", "1h", "--no-journal"}, options);
    EXPECT_EQ(unjournalled.status, 0) << unjournalled.err;
    EXPECT_NE(unjournalled.out.find("this run cannot be undone"), std::string::npos) << unjournalled.out;
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/m1"), kT);
    chmod(trees.state.c_str(), 0700);
}

TEST(Undo, JournalNamedOnTheCommandLine)
{
    Trees trees;
    const std::string journal = trees.scratch / "run.jsonl";
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--journal", journal}).status, 0);
    EXPECT_TRUE(harness::JournalsIn(trees.state).empty());
    // Never over an existing file.
    const auto again = trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--journal", journal});
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("File exists"), std::string::npos) << again.err;
    const auto undo = trees.Run({"undo", journal, "--report", trees.scratch / "undo.csv"});
    ASSERT_EQ(undo.status, 0) << undo.err;
    EXPECT_TRUE(harness::Differences(trees.before, trees.Now()).empty());
    EXPECT_NE(harness::ReadText(trees.scratch / "undo.csv").find("touched,d/e/m3"), std::string::npos)
        << harness::ReadText(trees.scratch / "undo.csv");
}

TEST(Undo, NamesThatAreNotUtf8AreTakenBackByTheirBytes)
{
    Trees trees;
    harness::WritePairs(trees.o, trees.c, {{"caf\xe9/\xff\xfe", 4, kT + 3, kHour}, {"line\nbreak", 2, kT, kHour}});
    trees.before = trees.Now();
    const std::string journal = trees.scratch / "names.jsonl";
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h", "--journal", journal}).status, 0);
    EXPECT_NE(harness::ReadText(journal).find("\"p_hex\":\"636166e92fff"), std::string::npos) << harness::ReadText(journal);
    EXPECT_EQ(harness::ModifiedNanos(trees.c + "/caf\xe9/\xff\xfe"), kT + 3);
    const auto undo = trees.Run({"undo", journal});
    ASSERT_EQ(undo.status, 0) << undo.err;
    EXPECT_TRUE(harness::Differences(trees.before, trees.Now()).empty());
}

TEST(Undo, BadCommandLines)
{
    Trees trees;
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"undo"}, "undo needs a JOURNAL or --last"},
        {{"undo", "j.jsonl", "--last"}, "excludes"},
        {{"undo", trees.scratch / "missing.jsonl"}, "cannot open the journal"},
        {{"undo", trees.scratch.path()}, "not a regular file"},
        {{"help", "undo"}, ""},
    };
    for (const auto& c : cases) {
        const auto result = trees.Run(c.args);
        EXPECT_EQ(result.status, *c.message ? 2 : 0) << c.args[0] << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_TRUE(harness::Differences(trees.before, trees.Now()).empty());
}

TEST(Undo, AReportInsideTheCopiesOrOnAFileThatExistsIsRefusedBeforeAnyChange)
{
    Trees trees;
    ASSERT_EQ(trees.Run({"fix", trees.o, trees.c, "--shift", "1h"}).status, 0);
    const std::string fix = harness::JournalsIn(trees.state).at(0);
    const auto fixed = trees.Now();
    const std::string existing = trees.scratch / "existing.csv";
    harness::WriteFile(existing, 7, kT);
    const struct {
        std::string report;
        const char* message;
    } cases[] = {{trees.c + "/report.csv", "lies inside COPIES"},
                 {trees.c + "/m1", "lies inside COPIES"},
                 {existing, "it exists"}};
    for (const auto& c : cases) {
        const auto undo = trees.Run({"undo", fix, "--report", c.report});
        EXPECT_EQ(undo.status, 2) << c.report << "\n" << undo.err;
        EXPECT_NE(undo.err.find(c.message), std::string::npos) << c.report << "\n" << undo.err;
    }
    EXPECT_TRUE(harness::Differences(fixed, trees.Now()).empty());
    struct stat facts;
    ASSERT_EQ(stat(existing.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_size, 7);
    EXPECT_EQ(harness::JournalsIn(trees.state).size(), 1u);
}
