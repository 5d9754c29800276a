// Touching one copy of a run: checked again on the open handle, at its
// original's exact instant, never twice.
#include "touch/copy_touch.h"

#include <gtest/gtest.h>

#include "scratch_folder.h"
#include "touch/file_time.h"
#include "winfs/long_path.h"

namespace {

const uint64_t kTicksPerSecond = 10000000;
const int64_t kSecondsFrom1601To1970 = 11644473600LL;
// 2010-10-31 01:30:00 UTC: 02:30 in Paris, in the second of its two 02:30s.
const int64_t kAutumnSecond = 1288488600;

class CopyTouchTest : public testing::Test {
protected:
    CopyTouchTest() : root("copy_touch"), volume(VolumeOfPath(Path(""))) {}

    std::wstring Path(const char* name) const
    {
        const std::string path = root.win + "\\" + name;
        return ExtendedPath(std::wstring(path.begin(), path.end()));
    }

    // A file of `content` written at `seconds` since 1970 UTC (whole seconds).
    void Make(const char* name, const char* content, int64_t seconds)
    {
        ASSERT_EQ(root.Shell("printf '" + std::string(content) + "' > " + name + " && touch -d @" +
                             std::to_string(seconds) + " " + name),
                  0);
    }

    FileFacts Facts(const char* name) const
    {
        FileFacts facts;
        EXPECT_TRUE(FactsOfPath(Path(name), facts));
        return facts;
    }

    int64_t WrittenSeconds(const char* name) const
    {
        return static_cast<int64_t>(Facts(name).writeTicks / kTicksPerSecond) - kSecondsFrom1601To1970;
    }

    scratch::ScratchFolder root;
    uint32_t volume;
    TouchedFiles touched;
};

TEST_F(CopyTouchTest, ACopyEndsAtTheInstantGivenWhateverTheHour)
{
    Make("copy", "abc", kAutumnSecond + 3600);
    const CopyTouch touch = TouchMatchingCopy(Path("copy"), volume, Facts("copy"), kAutumnSecond, touched);
    EXPECT_EQ(touch.outcome, CopyOutcome::Touched);
    EXPECT_GT(touch.result, 0);
    EXPECT_EQ(WrittenSeconds("copy"), kAutumnSecond);
    EXPECT_EQ(touch.writeTicks, Facts("copy").writeTicks);
    EXPECT_EQ(touched.size(), 1u);
}

TEST_F(CopyTouchTest, ACopyThatChangedSinceItsFactsWereTakenIsLeftAlone)
{
    Make("grown", "abc", kAutumnSecond + 3600);
    Make("redated", "abc", kAutumnSecond + 3600);
    Make("replaced", "abc", kAutumnSecond + 3600);
    const FileFacts grown = Facts("grown");
    const FileFacts redated = Facts("redated");
    const FileFacts replaced = Facts("replaced");
    // Another size at the same time; the same size at another time; another
    // file of the same size and time put in its place.
    Make("grown", "abcd", kAutumnSecond + 3600);
    Make("redated", "abc", kAutumnSecond + 3601);
    ASSERT_EQ(root.Shell("printf abc > other && touch -d @" + std::to_string(kAutumnSecond + 3600) +
                         " other && mv other replaced"),
              0);

    EXPECT_EQ(TouchMatchingCopy(Path("grown"), volume, grown, kAutumnSecond, touched).outcome, CopyOutcome::NotTheSameFile);
    EXPECT_EQ(TouchMatchingCopy(Path("redated"), volume, redated, kAutumnSecond, touched).outcome,
              CopyOutcome::NotTheSameFile);
    EXPECT_EQ(WrittenSeconds("grown"), kAutumnSecond + 3600);
    EXPECT_EQ(WrittenSeconds("redated"), kAutumnSecond + 3601);
    // Same size and time: the same file as far as its facts can tell.
    EXPECT_EQ(TouchMatchingCopy(Path("replaced"), volume, replaced, kAutumnSecond, touched).outcome,
              CopyOutcome::Touched);
    EXPECT_EQ(touched.size(), 1u);
}

TEST_F(CopyTouchTest, AFileTouchedOnceIsNeverTouchedAgainUnderAnyPath)
{
    Make("a", "abc", kAutumnSecond + 3600);
    ASSERT_EQ(root.Shell("ln a b"), 0);
    const FileFacts facts = Facts("a");
    ASSERT_EQ(TouchMatchingCopy(Path("a"), volume, facts, kAutumnSecond, touched).outcome, CopyOutcome::Touched);

    // Its facts as they are now, through another link: still refused.
    EXPECT_EQ(TouchMatchingCopy(Path("b"), volume, Facts("b"), kAutumnSecond + 7200, touched).outcome,
              CopyOutcome::NotTheSameFile);
    EXPECT_EQ(WrittenSeconds("b"), kAutumnSecond);
}

TEST_F(CopyTouchTest, UnreadableAndUnopenableCopies)
{
    Make("locked", "abc", kAutumnSecond + 3600);
    const FileFacts facts = Facts("locked");
    HANDLE holder = CreateFileW(Path("locked").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(TouchMatchingCopy(Path("locked"), volume, facts, kAutumnSecond, touched).outcome, CopyOutcome::NotReadable);
    CloseHandle(holder);
    EXPECT_EQ(WrittenSeconds("locked"), kAutumnSecond + 3600);

    FileFacts none;
    EXPECT_EQ(TouchMatchingCopy(Path("missing"), volume, none, kAutumnSecond, touched).outcome, CopyOutcome::NotReadable);
    EXPECT_TRUE(touched.empty());
}

TEST_F(CopyTouchTest, AFileBeingWrittenThatCanBeReadIsTouched)
{
    Make("written", "abc", kAutumnSecond + 3600);
    const FileFacts facts = Facts("written");
    HANDLE writer = CreateFileW(Path("written").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(TouchMatchingCopy(Path("written"), volume, facts, kAutumnSecond, touched).outcome, CopyOutcome::Touched);
    CloseHandle(writer);
    EXPECT_EQ(WrittenSeconds("written"), kAutumnSecond);
}

TEST_F(CopyTouchTest, TheInstantKeepsTheMillisecondsOfTheCreationTime)
{
    Make("ms", "abc", kAutumnSecond + 3600);
    HANDLE file = CreateFileW(Path("ms").c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME creation;
    ASSERT_TRUE(GetFileTime(file, &creation, nullptr, nullptr));
    ASSERT_GT(SetLastWriteInstant(file, kAutumnSecond), 0);
    FILETIME written;
    ASSERT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
    CloseHandle(file);
    const uint64_t creationTicks = (static_cast<uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
    const uint64_t writtenTicks = (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    EXPECT_EQ(writtenTicks / kTicksPerSecond, static_cast<uint64_t>(kAutumnSecond + kSecondsFrom1601To1970));
    EXPECT_EQ(writtenTicks % kTicksPerSecond, (creationTicks % kTicksPerSecond) / 10000 * 10000);
}

}  // namespace
