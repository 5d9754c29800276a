// File queries under Wine, with the Europe/Paris zone (UTC+1, UTC+2 from the
// last Sunday of March to the last Sunday of October).
#include "touch/file_query.h"

#include <cstdint>
#include <vector>

#include "touch/date_serial.h"
#include "unix_shell.h"

namespace {

struct Fields {
    int year, month, day, hour, minute, second;
};

double Serial(const Fields& f)
{
    return SerialFromParts(f.year, f.month, f.day, f.hour, f.minute, f.second);
}

int64_t UnixSeconds(const Fields& f)
{
    return (DayNumber(f.year, f.month, f.day) - 25569) * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
}

std::string TouchDate(const Fields& f)
{
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour,
             f.minute, f.second);
    return text;
}

// A UTC time and the local time that Paris shows for it.
struct ZoneCase {
    Fields utc;
    Fields local;
};

const ZoneCase kParisCases[] = {
    {{2010, 7, 14, 7, 5, 3}, {2010, 7, 14, 9, 5, 3}},        // summer, UTC+2
    {{2011, 1, 20, 7, 5, 3}, {2011, 1, 20, 8, 5, 3}},        // winter, UTC+1
    {{2010, 3, 28, 0, 59, 59}, {2010, 3, 28, 1, 59, 59}},    // last second before the spring change
    {{2010, 3, 28, 1, 0, 0}, {2010, 3, 28, 3, 0, 0}},        // first second after it
    {{2010, 10, 31, 0, 30, 0}, {2010, 10, 31, 2, 30, 0}},    // 02:30 the first time
    {{2010, 10, 31, 1, 30, 0}, {2010, 10, 31, 2, 30, 0}},    // 02:30 the second time
    {{2010, 12, 31, 23, 30, 0}, {2011, 1, 1, 0, 30, 0}},     // into the next year
    {{1970, 1, 1, 0, 0, 0}, {1970, 1, 1, 1, 0, 0}},
    {{2040, 7, 1, 12, 0, 0}, {2040, 7, 1, 14, 0, 0}},        // beyond 32-bit times
};

class FileQueryTest : public ScratchTest {};

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST_F(FileQueryTest, ModifiedSerialIsTheLocalTimeWithTheOffsetOfItsOwnDate)
{
    MakeFile("f");
    for (const ZoneCase& c : kParisCases) {
        ASSERT_EQ(RunUnix("TZ=UTC touch -m -d '" + TouchDate(c.utc) + "' " + Quoted(UnixPath("f"))), 0);
        EXPECT_EQ(FileModifiedSerial(WinPath("f")), Serial(c.local)) << TouchDate(c.utc) << " UTC";
        EXPECT_EQ(LocalSerialFromUnixTime(UnixSeconds(c.utc)), Serial(c.local)) << TouchDate(c.utc);
    }
}

TEST_F(FileQueryTest, ModifiedSerialDropsFractionsOfASecond)
{
    MakeFile("f");
    SYSTEMTIME utc = {2010, 7, 3, 14, 7, 5, 3, 999};
    FILETIME time;
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
    HANDLE file = CreateFileA(WinPath("f").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
    EXPECT_EQ(FileModifiedSerial(WinPath("f")), SerialFromParts(2010, 7, 14, 9, 5, 3));
}

TEST_F(FileQueryTest, ModifiedSerialIsZeroWhenTheTimeCannotBeReadAsLocal)
{
    MakeFile("old");
    ASSERT_EQ(RunUnix("TZ=UTC touch -m -d '1960-05-01 12:00:00' " + Quoted(UnixPath("old"))), 0);
    EXPECT_EQ(FileModifiedSerial(WinPath("old")), 0);
    EXPECT_EQ(FileModifiedSerial(WinPath("missing")), 0);
    EXPECT_EQ(LocalSerialFromUnixTime(-1), 0);
}

TEST(LocalTime, UtcFromLocalIsTheInverseOfLocalFromUtc)
{
    // Every 97 minutes and 13 seconds over two years, and every 5 minutes
    // through the nights of the four daylight-saving changes: the UTC time
    // found for a local time reads back as that local time, and is the UTC
    // time itself except in the repeated hour of autumn, where the earlier
    // of the two instants is found.
    std::vector<int64_t> times;
    for (int64_t t = UnixSeconds({2010, 1, 1, 0, 0, 0}); t < UnixSeconds({2012, 1, 1, 0, 0, 0}); t += 97 * 60 + 13)
        times.push_back(t);
    const Fields changes[] = {{2010, 3, 28}, {2010, 10, 31}, {2011, 3, 27}, {2011, 10, 30}};
    for (const Fields& day : changes) {
        for (int64_t t = UnixSeconds(day) - 3 * 3600; t < UnixSeconds(day) + 6 * 3600; t += 300)
            times.push_back(t);
    }
    int repeated = 0;
    for (int64_t t : times) {
        int64_t local = 0;
        ASSERT_TRUE(LocalSecondsFromUnixTime(t, local));
        int64_t back = 0;
        ASSERT_TRUE(UnixTimeFromLocalSeconds(local, back)) << t;
        int64_t localAgain = 0;
        ASSERT_TRUE(LocalSecondsFromUnixTime(back, localAgain));
        ASSERT_EQ(localAgain, local) << t;
        // t is the second instant of its local time when the instant an
        // hour before shows the same local time.
        int64_t hourBefore = 0;
        const bool secondInstant = LocalSecondsFromUnixTime(t - 3600, hourBefore) && hourBefore == local;
        ASSERT_EQ(back, secondInstant ? t - 3600 : t) << t;
        repeated += secondInstant;
    }
    EXPECT_GE(repeated, 2 * 12);  // at least the two repeated hours, every 5 minutes
}

TEST(LocalTime, RepeatedAndMissingLocalTimes)
{
    const struct {
        Fields local;
        Fields utc;
    } cases[] = {
        // 02:30 on 31 October 2010 occurs at 00:30 and at 01:30 UTC: the earlier.
        {{2010, 10, 31, 2, 30, 0}, {2010, 10, 31, 0, 30, 0}},
        {{2010, 10, 31, 2, 0, 0}, {2010, 10, 31, 0, 0, 0}},
        {{2010, 10, 31, 3, 0, 0}, {2010, 10, 31, 2, 0, 0}},
        // 02:30 on 28 March 2010 never occurs: taken with the winter offset,
        // it is 01:30 UTC, which reads back as 03:30.
        {{2010, 3, 28, 2, 30, 0}, {2010, 3, 28, 1, 30, 0}},
        {{2010, 3, 28, 2, 0, 0}, {2010, 3, 28, 1, 0, 0}},
        {{2010, 3, 28, 1, 59, 59}, {2010, 3, 28, 0, 59, 59}},
        {{2010, 3, 28, 3, 0, 0}, {2010, 3, 28, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        int64_t utc = 0;
        ASSERT_TRUE(UnixTimeFromLocalSeconds(UnixSeconds(c.local), utc)) << TouchDate(c.local);
        EXPECT_EQ(utc, UnixSeconds(c.utc)) << TouchDate(c.local);
    }
}

TEST(LocalTime, UtcFromLocalAtTheEdgesOfTheRuntimeRange)
{
    // The first hour of 1970 in Paris is before 1970 in UTC: the day after
    // still gives the offset, and the result is an hour before 1970 UTC.
    int64_t utc = 0;
    ASSERT_TRUE(UnixTimeFromLocalSeconds(UnixSeconds({1970, 1, 1, 0, 30, 0}), utc));
    EXPECT_EQ(utc, -1800);
    EXPECT_FALSE(UnixTimeFromLocalSeconds(UnixSeconds({1960, 1, 1, 0, 0, 0}), utc));
}

TEST_F(FileQueryTest, ReadableOnlyForAFileThatCanBeOpenedForReading)
{
    MakeFile("file");
    ASSERT_EQ(RunUnix("mkdir " + Quoted(UnixPath("folder"))), 0);
    ASSERT_TRUE(IsFolder(WinPath("folder")));
    EXPECT_TRUE(FileIsReadable(WinPath("file")));
    EXPECT_FALSE(FileIsReadable(WinPath("folder")));
    EXPECT_FALSE(FileIsReadable(WinPath("folder") + "\\"));
    EXPECT_FALSE(FileIsReadable(WinPath("missing")));
    EXPECT_FALSE(FileIsReadable(WinPath("missing\\file")));
    EXPECT_FALSE(FileIsReadable(""));

    HANDLE locked = CreateFileA(WinPath("file").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FileIsReadable(WinPath("file")));
    CloseHandle(locked);
    EXPECT_TRUE(FileIsReadable(WinPath("file")));
}

TEST_F(FileQueryTest, SizeInBytesOnSixtyFourBits)
{
    MakeFile("empty", "");
    MakeFile("three", "abc");
    ASSERT_EQ(RunUnix("truncate -s 5G " + Quoted(UnixPath("sparse"))), 0);
    ASSERT_EQ(RunUnix("truncate -s 4294967297 " + Quoted(UnixPath("just-over-4-gib"))), 0);
    ASSERT_EQ(RunUnix("mkdir " + Quoted(UnixPath("folder"))), 0);
    ASSERT_TRUE(IsFolder(WinPath("folder")));
    EXPECT_EQ(FileSizeBytes(WinPath("empty")), 0);
    EXPECT_EQ(FileSizeBytes(WinPath("three")), 3);
    EXPECT_EQ(FileSizeBytes(WinPath("sparse")), 5368709120LL);
    EXPECT_EQ(FileSizeBytes(WinPath("just-over-4-gib")), 4294967297LL);
    EXPECT_EQ(FileSizeBytes(WinPath("missing")), 0);
    EXPECT_EQ(FileSizeBytes(WinPath("folder")), 0);
}

}  // namespace
