// "Touch heure..." sets the time of exactly the file it compared, and of
// nothing else: names whose ANSI or plain form spells another file, facts
// grown stale during the run, the repeated autumn hour, times that cannot be
// read.
#include <set>

#include "touch_fixture.h"

using touchfixture::kHour;
using touchtree::Utc;
using widetree::WrittenSeconds;

namespace {

const int64_t kJuly = Utc(2010, 7, 14, 7, 5, 3);

class ExactFileTest : public touchfixture::TouchWindowTest {};

std::multiset<std::string> Sorted(const std::vector<std::string>& lines)
{
    return std::multiset<std::string>(lines.begin(), lines.end());
}

TEST_F(ExactFileTest, ANameWhoseAnsiOrPlainFormSpellsAnotherFileTouchesOnlyItsOwnCopy)
{
    // A fullwidth backslash, which the ANSI code page cannot spell.
    Pair(L"..\xFF3Cvictim.txt", kJuly, kJuly + kHour);
    const std::wstring victim = widetree::Wide(root) + L"\\victim.txt";  // beside the copies folder
    widetree::WriteFile(victim, "contenu", kJuly + kHour);
    // A trailing dot, which the plain form of a path drops: "data" is another file.
    Pair(L"data.", kJuly, kJuly + kHour, "12345");
    widetree::WriteFile(Copy(L"data"), "autre taille", kJuly + kHour);
    // Names of devices in the plain form.
    Pair(L"COM1.txt", kJuly, kJuly - kHour);
    Pair(L"NUL", kJuly, kJuly + kHour);

    const auto lines = Touch("1");

    EXPECT_EQ(Sorted(lines), (std::multiset<std::string>{TouchedLine("..?victim.txt"), TouchedLine("data."),
                                                         TouchedLine("COM1.txt"), TouchedLine("NUL")}));
    for (const wchar_t* touched : {L"..\xFF3Cvictim.txt", L"data.", L"COM1.txt", L"NUL"})
        EXPECT_EQ(WrittenSeconds(Copy(touched)), kJuly) << lines.size();
    EXPECT_EQ(WrittenSeconds(victim), kJuly + kHour);
    EXPECT_EQ(WrittenSeconds(Copy(L"data")), kJuly + kHour);
}

TEST_F(ExactFileTest, ACopyTouchedBeforeIsNeverHandledAgainAsAnOriginal)
{
    // The copies folder lies inside the originals: once "a.jpg" is touched
    // through its copy "c\a.jpg", that file is an original whose listed time
    // is gone, and it must not set the time of "c\c\a.jpg".
    widetree::WriteFile(Original(L"a.jpg"), "contenu", kJuly);
    widetree::WriteFile(Original(L"c\\a.jpg"), "contenu", kJuly + kHour);
    widetree::WriteFile(Original(L"c\\c\\a.jpg"), "contenu", kJuly + 2 * kHour);
    const std::string nestedCopies = originals + "\\c";

    const auto lines = TouchFields("1", IDC_UNIT_HOURS, originals, nestedCopies);

    EXPECT_EQ(lines, std::vector<std::string>{nestedCopies + "\\a.jpg  =->  0h"});
    EXPECT_EQ(WrittenSeconds(Original(L"c\\a.jpg")), kJuly);
    EXPECT_EQ(WrittenSeconds(Original(L"c\\c\\a.jpg")), kJuly + 2 * kHour);
}

TEST_F(ExactFileTest, HardLinksBetweenTheTreesTouchEachFileOnceAndFromItsTrueTime)
{
    // originals\sub\q is the same file as copies\p. Touching copies\p moves
    // it to kJuly; as an original it must not then give copies\sub\q its old
    // listed time. copies\sub\r and copies\r are one file too: touched once
    // through r, it is not the file that matched as sub\r any more.
    Pair(L"p.jpg", kJuly, kJuly + kHour);
    widetree::WriteFile(Copy(L"sub\\q.jpg"), "contenu", kJuly + 2 * kHour);
    Pair(L"r.jpg", kJuly, kJuly + kHour);
    widetree::WriteFile(Original(L"sub\\r.jpg"), "contenu", kJuly + 2 * kHour);
    ASSERT_EQ(driver::RunUnix("cd '" + unixRoot + "' && ln copies/p.jpg originals/sub/q.jpg && "
                              "ln copies/r.jpg copies/sub/r.jpg"),
              0);

    const auto lines = Touch("1");

    EXPECT_EQ(Sorted(lines), (std::multiset<std::string>{TouchedLine("p.jpg"), TouchedLine("r.jpg")}));
    EXPECT_EQ(WrittenSeconds(Copy(L"p.jpg")), kJuly);
    EXPECT_EQ(WrittenSeconds(Copy(L"sub\\q.jpg")), kJuly + 2 * kHour);
    EXPECT_EQ(WrittenSeconds(Copy(L"sub\\r.jpg")), kJuly);
}

TEST_F(ExactFileTest, AnOriginalInTheRepeatedAutumnHourGivesItsCopyItsOwnInstant)
{
    // Paris, 31 October 2010: 02:30 local is 00:30 UTC (summer time), then
    // 01:30 UTC again (winter time).
    const int64_t firstInstant = Utc(2010, 10, 31, 0, 30, 0);
    const int64_t secondInstant = Utc(2010, 10, 31, 1, 30, 0);
    Pair(L"second.jpg", secondInstant, secondInstant + kHour);
    Pair(L"first.jpg", firstInstant, firstInstant - kHour);

    const auto lines = Touch("1");

    EXPECT_EQ(Sorted(lines), (std::multiset<std::string>{TouchedLine("second.jpg"), TouchedLine("first.jpg")}));
    EXPECT_EQ(WrittenSeconds(Copy(L"second.jpg")), secondInstant);
    EXPECT_EQ(WrittenSeconds(Copy(L"first.jpg")), firstInstant);
}

TEST_F(ExactFileTest, APairWhoseTimeCannotBeReadIsNeverTouched)
{
    // 2036-02-05 06:28:16 local (winter) is 2^32 seconds after 1899-12-30
    // 00:00, the date of a time that cannot be read: in seconds the 32-bit
    // difference wraps to 0, the shift.
    const int64_t wraps = Utc(2036, 2, 5, 5, 28, 16);
    const int64_t before1970 = Utc(1960, 5, 1, 12, 0, 0);
    Pair(L"old-original.jpg", before1970, wraps);
    Pair(L"old-copy.jpg", wraps, before1970);

    EXPECT_TRUE(Touch("0", IDC_UNIT_SECONDS).empty());
    EXPECT_EQ(WrittenSeconds(Copy(L"old-original.jpg")), wraps);
    EXPECT_EQ(WrittenSeconds(Copy(L"old-copy.jpg")), before1970);
}

}  // namespace

namespace {

TEST_F(ExactFileTest, AFolderLinkInsideTheCopiesIsWalkedAsTheSystemListsIt)
{
    // copies\link leads to a folder outside the copies folder, and
    // copies\loop back to the copies folder itself. The walk lists what the
    // system lists: the copy reached through the link is the file of the
    // outside folder, and it is touched; the loop ends with the walk.
    Pair(L"link\\x.jpg", kJuly, kJuly + kHour);
    const std::wstring outside = widetree::Wide(root) + L"\\outside";
    widetree::WriteFile(outside + L"\\x.jpg", "contenu", kJuly + kHour);
    ASSERT_EQ(driver::RunUnix("cd '" + unixRoot + "/copies' && rm -rf link && ln -s ../outside link && "
                              "ln -s . loop"),
              0);

    const auto lines = Touch("1");

    EXPECT_EQ(lines, std::vector<std::string>{TouchedLine("link\\x.jpg")});
    EXPECT_EQ(WrittenSeconds(outside + L"\\x.jpg"), kJuly);
}

}  // namespace
