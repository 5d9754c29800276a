// The file time setter under Wine, with the Europe/Paris zone (UTC+1, UTC+2
// from the last Sunday of March to the last Sunday of October).
#include "file_time_units.h"
#include "touch/file_time.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "touch/date_serial.h"
#include "touch/file_query.h"
#include "unix_shell.h"

namespace {

struct Times {
    uint64_t creation = 0;
    uint64_t access = 0;
    uint64_t write = 0;
};

uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

Times FileTimes(const std::string& path)
{
    Times times;
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
    FILETIME creation, access, write;
    if (GetFileTime(file, &creation, &access, &write))
        times = {Ticks(creation), Ticks(access), Ticks(write)};
    CloseHandle(file);
    return times;
}

// Ticks (100 ns since 1601) of a UTC date and time.
uint64_t UtcTicks(int year, int month, int day, int hour, int minute, int second, int milliseconds = 0)
{
    SYSTEMTIME fields = {};
    fields.wYear = static_cast<WORD>(year);
    fields.wMonth = static_cast<WORD>(month);
    fields.wDay = static_cast<WORD>(day);
    fields.wHour = static_cast<WORD>(hour);
    fields.wMinute = static_cast<WORD>(minute);
    fields.wSecond = static_cast<WORD>(second);
    fields.wMilliseconds = static_cast<WORD>(milliseconds);
    FILETIME time;
    EXPECT_TRUE(SystemTimeToFileTime(&fields, &time));
    return Ticks(time);
}

void SetLastWrite(const std::string& path, uint64_t ticks)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
}

int Field(double serial, const char* code)
{
    return std::atoi(SerialField(serial, code).c_str());
}

// Touches the copy with the calendar fields of the original, as the touch run does.
int TouchLikeOriginal(const std::string& copy, const std::string& original)
{
    const double serial = FileModifiedSerial(original);
    return TouchFileTime(copy, Field(serial, "yyyy"), Field(serial, "mm"), Field(serial, "dd"),
                         Field(serial, "hh"), Field(serial, "nn"), Field(serial, "ss"));
}

class TouchFileTimeTest : public ScratchTest {};

TEST_F(TouchFileTimeTest, RoundTripCopyReadsBackEqualToItsOriginal)
{
    // Originals of both seasons (and of the days of the changes) touched in
    // the present season: the copy shows the original's local time and, where
    // that local time occurs once, the same UTC second.
    const struct {
        uint64_t utc;
        bool repeatedLocalTime;
    } originals[] = {
        {UtcTicks(2010, 7, 14, 7, 5, 3, 250), false},
        {UtcTicks(2011, 1, 20, 7, 5, 3), false},
        {UtcTicks(2010, 3, 28, 0, 59, 59), false},
        {UtcTicks(2010, 3, 28, 1, 0, 0), false},
        {UtcTicks(2015, 10, 25, 0, 30, 0), true},   // 02:30, the first time
        {UtcTicks(2015, 10, 25, 1, 30, 0), true},   // 02:30, the second time
        {UtcTicks(2037, 12, 31, 23, 0, 0), false},
        {UtcTicks(2040, 8, 1, 12, 0, 0), false},
    };
    MakeFile("original");
    MakeFile("copy");
    for (const auto& original : originals) {
        SetLastWrite(WinPath("original"), original.utc);
        SetLastWrite(WinPath("copy"), original.utc + 3600 * kTicksPerSecond);
        const double serial = FileModifiedSerial(WinPath("original"));
        ASSERT_NE(serial, 0);
        EXPECT_GT(TouchLikeOriginal(WinPath("copy"), WinPath("original")), 0);
        EXPECT_EQ(FileModifiedSerial(WinPath("copy")), serial)
            << SerialField(serial, "yyyy") << "-" << SerialField(serial, "mm") << "-" << SerialField(serial, "dd")
            << " " << SerialField(serial, "hh") << ":" << SerialField(serial, "nn");
        const int64_t apart = static_cast<int64_t>(FileTimes(WinPath("copy")).write / kTicksPerSecond) -
                              static_cast<int64_t>(original.utc / kTicksPerSecond);
        if (original.repeatedLocalTime)
            EXPECT_TRUE(apart == 0 || apart == -3600) << apart;
        else
            EXPECT_EQ(apart, 0);
    }
}

TEST_F(TouchFileTimeTest, RoundTripOfOriginalsDatedWithTheLinuxTouch)
{
    MakeFile("copy");
    const char* dates[] = {"2010-07-14 07:05:03", "2011-01-20 07:05:03"};
    for (const char* date : dates) {
        RunUnix("rm -f " + Quoted(UnixPath("original")));
        ASSERT_EQ(RunUnix("TZ=UTC touch -d '" + std::string(date) + "' " + Quoted(UnixPath("original"))), 0);
        EXPECT_GT(TouchLikeOriginal(WinPath("copy"), WinPath("original")), 0) << date;
        EXPECT_EQ(FileModifiedSerial(WinPath("copy")), FileModifiedSerial(WinPath("original"))) << date;
    }
}

TEST_F(TouchFileTimeTest, LocalTimesOfTheChangeNights)
{
    // 02:30 on 31 October 2010 occurs twice: the earlier instant (00:30 UTC)
    // is taken. 02:30 on 28 March 2010 never occurs: it is taken with the
    // winter offset (01:30 UTC) and reads back an hour later, as 03:30.
    MakeFile("f");
    ASSERT_GT(TouchFileTime(WinPath("f"), 2010, 10, 31, 2, 30, 0), 0);
    EXPECT_EQ(FileModifiedSerial(WinPath("f")), SerialFromParts(2010, 10, 31, 2, 30, 0));
    EXPECT_EQ(FileTimes(WinPath("f")).write / kTicksPerSecond, UtcTicks(2010, 10, 31, 0, 30, 0) / kTicksPerSecond);

    ASSERT_GT(TouchFileTime(WinPath("f"), 2010, 3, 28, 2, 30, 0), 0);
    EXPECT_EQ(FileModifiedSerial(WinPath("f")), SerialFromParts(2010, 3, 28, 3, 30, 0));
    EXPECT_EQ(FileTimes(WinPath("f")).write / kTicksPerSecond, UtcTicks(2010, 3, 28, 1, 30, 0) / kTicksPerSecond);
}

TEST_F(TouchFileTimeTest, InvalidFieldsLeaveTheFileAsItWas)
{
    const struct {
        int year, month, day, hour, minute, second;
    } invalid[] = {
        {2010, 13, 1, 0, 0, 0},
        {2010, 0, 1, 0, 0, 0},
        {2010, 4, 31, 0, 0, 0},
        {2011, 2, 29, 0, 0, 0},
        {1900, 2, 29, 0, 0, 0},
        {2010, 1, 0, 0, 0, 0},
        {2010, 1, 1, 24, 0, 0},
        {2010, 1, 1, 0, 60, 0},
        {2010, 1, 1, 0, 0, 60},
        {2010, 65536 + 13, 1, 0, 0, 0},  // only the low 16 bits count
    };
    MakeFile("f");
    SetLastWrite(WinPath("f"), UtcTicks(2012, 5, 6, 7, 8, 9, 123));
    const Times before = FileTimes(WinPath("f"));
    for (const auto& c : invalid) {
        EXPECT_EQ(TouchFileTime(WinPath("f"), c.year, c.month, c.day, c.hour, c.minute, c.second),
                  TOUCH_INVALID_FIELDS)
            << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":" << c.minute << ":" << c.second;
        EXPECT_EQ(FileTimes(WinPath("f")).write, before.write);
    }
    EXPECT_GT(TouchFileTime(WinPath("f"), 2012, 2, 29, 23, 59, 59), 0);
    EXPECT_EQ(FileModifiedSerial(WinPath("f")), SerialFromParts(2012, 2, 29, 23, 59, 59));
    EXPECT_GT(TouchFileTime(WinPath("f"), 2010, 65536 + 7, 14, 9, 5, 3), 0);
    EXPECT_EQ(FileModifiedSerial(WinPath("f")), SerialFromParts(2010, 7, 14, 9, 5, 3));
}

TEST_F(TouchFileTimeTest, MissingPathGivesMinusOneAndCreatesNothing)
{
    EXPECT_EQ(TouchFileTime(WinPath("missing"), 2010, 7, 14, 9, 5, 3), TOUCH_CANNOT_OPEN);
    EXPECT_EQ(GetFileAttributesA(WinPath("missing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(TouchFileTime(WinPath("missing\\file"), 2010, 7, 14, 9, 5, 3), TOUCH_CANNOT_OPEN);
    EXPECT_EQ(TouchFileTime("", 2010, 7, 14, 9, 5, 3), TOUCH_CANNOT_OPEN);
}

TEST_F(TouchFileTimeTest, ImmutableFileKeepsItsTime)
{
    MakeFile("f");
    SetLastWrite(WinPath("f"), UtcTicks(2012, 5, 6, 7, 8, 9));
    if (RunUnix("chattr +i " + Quoted(UnixPath("f")) + " 2>/dev/null") != 0)
        GTEST_SKIP() << "chattr +i is not possible here (needs root and a file system with the flag)";
    const Times before = FileTimes(WinPath("f"));
    const int result = TouchFileTime(WinPath("f"), 2010, 7, 14, 9, 5, 3);
    RunUnix("chattr -i " + Quoted(UnixPath("f")));
    EXPECT_LE(result, 0);
    EXPECT_EQ(FileTimes(WinPath("f")).write, before.write);
}

TEST_F(TouchFileTimeTest, OnlyTheLastWriteTimeChanges)
{
    MakeFile("f", "contents");
    HANDLE file = CreateFileA(WinPath("f").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const uint64_t accessTicks = UtcTicks(2013, 3, 4, 5, 6, 7);
    FILETIME access = {static_cast<DWORD>(accessTicks), static_cast<DWORD>(accessTicks >> 32)};
    ASSERT_TRUE(SetFileTime(file, nullptr, &access, nullptr));
    CloseHandle(file);
    const Times before = FileTimes(WinPath("f"));

    ASSERT_GT(TouchFileTime(WinPath("f"), 2010, 7, 14, 9, 5, 3), 0);
    const Times after = FileTimes(WinPath("f"));
    EXPECT_EQ(after.access, before.access);
    EXPECT_NE(after.write, before.write);
    EXPECT_EQ(FileSizeBytes(WinPath("f")), 8);
    char contents[16] = {};
    if (FILE* stream = fopen(WinPath("f").c_str(), "rb")) {
        fread(contents, 1, sizeof contents - 1, stream);
        fclose(stream);
    }
    EXPECT_STREQ(contents, "contents");
}

TEST_F(TouchFileTimeTest, CreationTimeIsKept)
{
    // Wine on Linux keeps no creation time of its own: it reports the last-
    // write time in its place, and the check has no meaning there.
    MakeFile("probe");
    const uint64_t probeCreation = FileTimes(WinPath("probe")).creation;
    SetLastWrite(WinPath("probe"), UtcTicks(2005, 1, 1, 0, 0, 0));
    if (FileTimes(WinPath("probe")).creation != probeCreation)
        GTEST_SKIP() << "the file system reports the last-write time as the creation time";

    MakeFile("f");
    const uint64_t creation = FileTimes(WinPath("f")).creation;
    ASSERT_GT(TouchFileTime(WinPath("f"), 2010, 7, 14, 9, 5, 3), 0);
    EXPECT_EQ(FileTimes(WinPath("f")).creation, creation);
}

TEST_F(TouchFileTimeTest, NewTimeCarriesTheMillisecondsOfTheCreationTime)
{
    MakeFile("f");
    const Times times = FileTimes(WinPath("f"));
    ASSERT_GT(TouchFileTime(WinPath("f"), 2010, 7, 14, 9, 5, 3), 0);
    const uint64_t write = FileTimes(WinPath("f")).write;
    EXPECT_EQ(write % kTicksPerSecond, times.creation % kTicksPerSecond / 10000 * 10000);
    EXPECT_EQ(write / kTicksPerSecond, UtcTicks(2010, 7, 14, 7, 5, 3) / kTicksPerSecond);
    // Whole seconds only are read back.
    EXPECT_EQ(FileModifiedSerial(WinPath("f")), SerialFromParts(2010, 7, 14, 9, 5, 3));
}

// The creation time of a file, broken down in UTC.
SYSTEMTIME CreationFields(const std::string& path)
{
    const uint64_t ticks = FileTimes(path).creation;
    const FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME fields = {};
    EXPECT_TRUE(FileTimeToSystemTime(&time, &fields));
    return fields;
}

TEST_F(TouchFileTimeTest, FieldsOfMinusOneKeepTheCreationTimesUtcValue)
{
    MakeFile("date");
    const SYSTEMTIME date = CreationFields(WinPath("date"));
    ASSERT_GT(TouchFileTime(WinPath("date"), -1, -1, -1, 10, 20, 30), 0);
    EXPECT_EQ(FileModifiedSerial(WinPath("date")), SerialFromParts(date.wYear, date.wMonth, date.wDay, 10, 20, 30));

    MakeFile("time");
    const SYSTEMTIME time = CreationFields(WinPath("time"));
    ASSERT_GT(TouchFileTime(WinPath("time"), 2010, 7, 14, -1, -1, -1), 0);
    EXPECT_EQ(FileModifiedSerial(WinPath("time")),
              SerialFromParts(2010, 7, 14, time.wHour, time.wMinute, time.wSecond));
}

TEST_F(TouchFileTimeTest, SameCallTwiceGivesTheSameTime)
{
    MakeFile("f");
    ASSERT_GT(TouchFileTime(WinPath("f"), 2011, 1, 20, 8, 5, 3), 0);
    const uint64_t first = FileTimes(WinPath("f")).write;
    ASSERT_GT(TouchFileTime(WinPath("f"), 2011, 1, 20, 8, 5, 3), 0);
    EXPECT_EQ(FileTimes(WinPath("f")).write, first);
}

TEST_F(TouchFileTimeTest, FileHeldOpenByAnotherHandleIsStillTouched)
{
    // An open for write attributes only is not stopped by the sharing of
    // other handles, even one that writes and shares nothing.
    MakeFile("f");
    HANDLE writer = CreateFileA(WinPath("f").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_GT(TouchFileTime(WinPath("f"), 2011, 1, 20, 8, 5, 3), 0);
    CloseHandle(writer);
    EXPECT_EQ(FileModifiedSerial(WinPath("f")), SerialFromParts(2011, 1, 20, 8, 5, 3));
}

// TouchReadableFile answers "can it be read?" and touches in one open; its
// answers must be those of FileIsReadable followed by TouchFileTime.
TEST_F(TouchFileTimeTest, ReadableFileIsTouchedAsTouchFileTimeWould)
{
    MakeFile("a");
    MakeFile("b");
    const int alone = TouchFileTime(WinPath("a"), 2010, 7, 14, 9, 5, 3);
    EXPECT_GT(TouchReadableFile(WinPath("b"), 2010, 7, 14, 9, 5, 3), 0);
    EXPECT_GT(alone, 0);
    EXPECT_EQ(FileModifiedSerial(WinPath("b")), FileModifiedSerial(WinPath("a")));
    EXPECT_EQ(FileModifiedSerial(WinPath("b")), SerialFromParts(2010, 7, 14, 9, 5, 3));
}

TEST_F(TouchFileTimeTest, UnreadableFileOrFolderIsLeftAloneByTouchReadableFile)
{
    MakeFile("locked");
    const uint64_t before = FileTimes(WinPath("locked")).write;
    // Another handle that shares nothing keeps the file from being read...
    HANDLE holder = CreateFileA(WinPath("locked").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ASSERT_FALSE(FileIsReadable(WinPath("locked")));
    EXPECT_EQ(TouchReadableFile(WinPath("locked"), 2010, 7, 14, 9, 5, 3), TOUCH_NOT_READABLE);
    CloseHandle(holder);
    EXPECT_EQ(FileTimes(WinPath("locked")).write, before);

    // ...and a folder or a missing path cannot be read either.
    ASSERT_EQ(RunUnix("mkdir " + Quoted(UnixPath("folder"))), 0);
    EXPECT_EQ(TouchReadableFile(WinPath("folder"), 2010, 7, 14, 9, 5, 3), TOUCH_NOT_READABLE);
    EXPECT_EQ(TouchReadableFile(WinPath("missing"), 2010, 7, 14, 9, 5, 3), TOUCH_NOT_READABLE);
    EXPECT_EQ(GetFileAttributesA(WinPath("missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(TouchFileTimeTest, TouchReadableFileKeepsTheResultCodesOfTouchFileTime)
{
    MakeFile("f");
    const uint64_t before = FileTimes(WinPath("f")).write;
    EXPECT_EQ(TouchReadableFile(WinPath("f"), 2011, 2, 29, 9, 0, 0), TOUCH_INVALID_FIELDS);
    EXPECT_EQ(TouchReadableFile(WinPath("f"), 2011, 13, 1, 9, 0, 0), TOUCH_INVALID_FIELDS);
    EXPECT_EQ(FileTimes(WinPath("f")).write, before);

    // A file being written by another handle that shares reading and writing
    // can be read, so it is touched.
    HANDLE writer = CreateFileA(WinPath("f").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_GT(TouchReadableFile(WinPath("f"), 2011, 1, 20, 8, 5, 3), 0);
    CloseHandle(writer);
    EXPECT_EQ(FileModifiedSerial(WinPath("f")), SerialFromParts(2011, 1, 20, 8, 5, 3));
}

TEST_F(TouchFileTimeTest, FolderCanBeTouched)
{
    ASSERT_EQ(RunUnix("mkdir " + Quoted(UnixPath("folder"))), 0);
    EXPECT_GT(TouchFileTime(WinPath("folder"), 2011, 1, 20, 8, 5, 3), 0);
    EXPECT_EQ(FileModifiedSerial(WinPath("folder")), SerialFromParts(2011, 1, 20, 8, 5, 3));
}

}  // namespace

namespace {

const char kChildZoneVariable[] = "KELVORA_TEST_CHILD_ZONE";

// Offset from UTC, in seconds, of the local time at a UTC time.
int64_t OffsetAt(int64_t utc)
{
    int64_t local = 0;
    EXPECT_TRUE(LocalSecondsFromUnixTime(utc, local));
    return local - utc;
}

int64_t OffsetOn(int year, int month, int day)
{
    return OffsetAt((DayNumber(year, month, day) - 25569) * 86400 + 12 * 3600);
}

// Runs this test program again, with the round-trip tests only, under Wine
// started from the Linux side with the zone given in TZ (Wine takes its
// zone from the Linux environment of the process, not from the Windows
// one); the exit code of the run, whose output goes to the log file.
int RunRoundTripsInZone(const std::string& zone, const std::string& log)
{
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string unixProgram = program;
    if (unixProgram.compare(0, 2, "Z:") == 0)
        unixProgram.erase(0, 2);
    for (char& c : unixProgram) {
        if (c == '\\')
            c = '/';
    }
    return RunUnix("TZ=" + zone + " " + kChildZoneVariable + "=" + zone + " wine " + Quoted(unixProgram) +
                   " --gtest_filter='TouchFileTimeTest.RoundTrip*:TouchFileTimeZone.ChildRunsInItsZone'" +
                   " >" + Quoted(log) + " 2>&1");
}

TEST(TouchFileTimeZone, RoundTripsWithTheSeasonsTheOtherWayRound)
{
    // Sydney has summer time while Paris has winter time and the other way
    // round: whatever the date of the test, one of the two runs has its
    // present in summer time and the other in winter time.
    if (getenv(kChildZoneVariable) != nullptr)
        GTEST_SKIP() << "already the run in another zone";
    const std::string log = std::string(TEST_SCRATCH_DIR) + "/zone-run.log";
    ASSERT_EQ(RunRoundTripsInZone("Australia/Sydney", log), 0) << "the output of that run is in " << log;
    DeleteFileA(WindowsPath(log).c_str());
}

TEST(TouchFileTimeZone, ChildRunsInItsZone)
{
    const char* zone = getenv(kChildZoneVariable);
    if (zone == nullptr)
        GTEST_SKIP() << "only in the run started by RoundTripsWithTheSeasonsTheOtherWayRound";
    ASSERT_STREQ(zone, "Australia/Sydney");
    EXPECT_EQ(OffsetOn(2011, 1, 20), 11 * 3600);
    EXPECT_EQ(OffsetOn(2010, 7, 14), 10 * 3600);
}

}  // namespace
