// A first fix taken back on Windows: every copy's last-write time returns to
// the exact 100 ns value it had, names outside any ANSI code page included,
// and nothing else in either tree changes.
#include <gtest/gtest.h>

#include "files.h"
#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
// Fractions Windows keeps (100 ns steps), a different one for each copy.
const int64_t kT = 1262304000 * kS + 1234500;

const std::string kGreek = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC";  // Ελληνικά
const std::string kAccented = "r\xC3\xA9sum\xC3\xA9 \xC3\xA9t\xC3\xA9";                      // résumé été
const std::string kEmoji = "photo \xF0\x9F\x98\x80";                                          // photo 😀

// LOCALAPPDATA pointed at a folder of the test for as long as it lives, so
// that the undo's own journal lands there and not in the user's profile.
class LocalAppData {
public:
    explicit LocalAppData(const std::string& folder)
    {
        const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
        had_ = length > 0;
        if (had_) {
            old_.resize(length);
            old_.resize(GetEnvironmentVariableW(L"LOCALAPPDATA", &old_[0], length));
        }
        SetEnvironmentVariableW(L"LOCALAPPDATA", winfiles::Long(folder).substr(4).c_str());
    }
    ~LocalAppData() { SetEnvironmentVariableW(L"LOCALAPPDATA", had_ ? old_.c_str() : nullptr); }

private:
    bool had_ = false;
    std::wstring old_;
};

}  // namespace

TEST(WindowsUndo, FirstFixTakenBackRestoresEveryLastWriteTimeTo100Ns)
{
    harness::Scratch scratch;
    const std::string o = scratch / "o", c = scratch / "c";
    const std::vector<harness::Pair> pairs = {
        {"plain.txt", 10, kT, kHour},
        {kGreek + "/" + kAccented + ".doc", 7, kT + 100, -kHour},
        {kAccented + "/" + kEmoji + ".jpg", 3, kT + 9999900, kHour},
        {kEmoji + "/" + kGreek, 0, kT + 200, -kHour},
        {"same", 4, kT + 300, 0},            // already right: not touched
        {"off", 4, kT + 400, 2 * kHour},     // another shift: not touched
    };
    harness::WritePairs(o, c, pairs);
    std::vector<int64_t> before;
    for (const harness::Pair& pair : pairs)
        before.push_back(harness::ModifiedNanos(c + "/" + pair.relative));
    ASSERT_EQ(before[1], kT + 100 - kHour);
    const harness::Snapshot originals = harness::Take(o);
    const harness::Snapshot copies = harness::Take(c);

    const std::string journal = scratch / ("journal " + kGreek + ".jsonl");
    const auto fix = harness::Run({"fix", o, c, "--shift", "1h", "--json", "--journal", journal});
    ASSERT_EQ(fix.status, 0) << fix.err << fix.out;
    EXPECT_NE(fix.out.find("\"touched\":4,"), std::string::npos) << fix.out;
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(harness::ModifiedNanos(c + "/" + pairs[i].relative), pairs[i].originalNanos) << pairs[i].relative;
    ASSERT_FALSE(winfiles::ReadBytes(journal).empty());

    harness::MakeFolders(scratch / "local");
    const LocalAppData local(scratch / "local");
    const auto undo = harness::Run({"undo", journal, "--json"});
    ASSERT_EQ(undo.status, 0) << undo.err << undo.out;
    EXPECT_NE(undo.out.find("\"restored\":4"), std::string::npos) << undo.out;
    for (size_t i = 0; i < pairs.size(); ++i)
        EXPECT_EQ(harness::ModifiedNanos(c + "/" + pairs[i].relative), before[i]) << pairs[i].relative;
    EXPECT_TRUE(harness::Differences(originals, harness::Take(o)).empty());
    const auto changed = harness::Differences(copies, harness::Take(c));
    EXPECT_TRUE(changed.empty()) << changed.front();
    // The undo keeps a journal of its own, which names the one it undid.
    const auto undoJournals = harness::Take(scratch / "local/Kelvora/journal");
    ASSERT_EQ(undoJournals.size(), 1u);
    EXPECT_NE(undoJournals.begin()->second.content.find("\"undo\""), std::string::npos);
}

TEST(WindowsUndo, OnlyTheFolderAndTheFilesTheRunChangedAreSetBack)
{
    // The journal records the copies folder's volume serial and file index,
    // and each copy's file index: another folder put at the copies' place is
    // refused whole, a copy made anew at its place is left alone.
    harness::Scratch scratch;
    const std::string o = scratch / "o", c = scratch / "c";
    harness::WritePairs(o, c, {{"a.txt", 10, kT, kHour}, {"d/b.txt", 20, kT + 500, kHour}});
    const std::string journal = scratch / "run.jsonl";
    ASSERT_EQ(harness::Run({"fix", o, c, "--shift", "1h", "--journal", journal}).status, 0);
    harness::MakeFolders(scratch / "local");
    const LocalAppData local(scratch / "local");

    ASSERT_TRUE(MoveFileW(winfiles::Long(c).c_str(), winfiles::Long(c + ".old").c_str()));
    harness::WritePairs(scratch / "unused", c, {{"a.txt", 10, kT, 0}, {"d/b.txt", 20, kT + 500, 0}});
    const auto refused = harness::Run({"undo", journal});
    EXPECT_EQ(refused.status, 2) << refused.err;
    EXPECT_NE(refused.err.find("not the one the run changed"), std::string::npos) << refused.err;
    EXPECT_EQ(harness::ModifiedNanos(c + "/a.txt"), kT);

    harness::Scratch gone;  // the stand-in folder moved out of the way
    ASSERT_TRUE(MoveFileW(winfiles::Long(c).c_str(), winfiles::Long(gone / "stand-in").c_str()));
    ASSERT_TRUE(MoveFileW(winfiles::Long(c + ".old").c_str(), winfiles::Long(c).c_str()));
    // d/b.txt made anew: a new file of the same size and time put in its place.
    harness::WriteFile(c + "/d/b.new", 20, kT + 500);
    ASSERT_TRUE(MoveFileExW(winfiles::Long(c + "/d/b.new").c_str(), winfiles::Long(c + "/d/b.txt").c_str(),
                            MOVEFILE_REPLACE_EXISTING));
    const auto undo = harness::Run({"undo", journal});
    EXPECT_EQ(undo.status, 1) << undo.err;
    EXPECT_NE(undo.err.find("another file is at its place"), std::string::npos) << undo.err;
    EXPECT_EQ(harness::ModifiedNanos(c + "/a.txt"), kT + kHour);
    EXPECT_EQ(harness::ModifiedNanos(c + "/d/b.txt"), kT + 500);
}
