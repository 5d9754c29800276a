// "Touch heure..." end to end: the real Kelvora.exe on generated trees.
#include <algorithm>
#include <set>

#include "driver/driver.h"
#include "resource_ids.h"
#include "touch_fixture.h"
#include "touch_tree.h"

using touchfixture::kEndText;
using touchfixture::kHour;
using touchtree::Utc;
using touchtree::WrittenSeconds;

namespace {

const int64_t kMinute = 60;
// A summer original (Paris at UTC+2): the run itself is in another season.
const int64_t kJuly = Utc(2010, 7, 14, 7, 5, 3);
const int64_t kJanuary = Utc(2011, 1, 20, 10, 0, 0);

class TouchRunTest : public touchfixture::TreesTest {
protected:
    TouchRunTest() : TreesTest("touch") {}

    std::string Original(const std::string& relative) const { return originals + "\\" + relative; }
    std::string Copy(const std::string& relative) const { return copies + "\\" + relative; }

    // An original and its copy, same content unless told otherwise.
    void Pair(const std::string& relative, int64_t originalTime, int64_t copyTime,
              const std::string& content = "contenu", const std::string* copyContent = nullptr)
    {
        touchtree::WriteFile(Original(relative), content, originalTime);
        touchtree::WriteFile(Copy(relative), copyContent ? *copyContent : content, copyTime);
    }

    // A whole run over the two folders; expects the end box.
    std::vector<std::string> Touch(const std::string& shift, int unit = IDC_UNIT_HOURS)
    {
        const driver::Box box = Click(shift, unit, originals, copies);
        EXPECT_EQ(box.caption, "Info");
        EXPECT_EQ(box.text, kEndText);
        return driver::ListLines(kelvora);
    }

    std::string TouchedLine(const std::string& relative, const std::string& tail) const
    {
        return Copy(relative) + "  =->  " + tail;
    }
};

std::multiset<std::string> Sorted(const std::vector<std::string>& lines)
{
    return std::multiset<std::string>(lines.begin(), lines.end());
}

TEST_F(TouchRunTest, HoursShiftOneTouchesCopiesWhoseFlooredDifferenceIsOneEitherWay)
{
    Pair("later-1h", kJuly, kJuly + kHour);
    Pair("later-1h59", kJuly, kJuly + kHour + 59 * kMinute);
    Pair("earlier-1h", kJuly, kJuly - kHour);
    Pair("earlier-30min", kJuly, kJuly - 30 * kMinute);
    Pair("later-59min", kJuly, kJuly + 59 * kMinute);
    Pair("earlier-1h01", kJuly, kJuly - kHour - kMinute);

    const auto lines = Touch("1");

    EXPECT_EQ(Sorted(lines), (std::multiset<std::string>{
                                 TouchedLine("later-1h", "0h"), TouchedLine("later-1h59", "0h"),
                                 TouchedLine("earlier-1h", "0h"), TouchedLine("earlier-30min", "0h")}));
    for (const char* touched : {"later-1h", "later-1h59", "earlier-1h", "earlier-30min"})
        EXPECT_EQ(WrittenSeconds(Copy(touched)), kJuly) << touched;
    EXPECT_EQ(WrittenSeconds(Copy("later-59min")), kJuly + 59 * kMinute);
    EXPECT_EQ(WrittenSeconds(Copy("earlier-1h01")), kJuly - kHour - kMinute);
    EXPECT_EQ(driver::StatusText(kelvora), "Pr\xEAt.");
    EXPECT_EQ(driver::ProgressPosition(kelvora), 100);
}

TEST_F(TouchRunTest, ShiftZeroTouchesACopyLessThanOneUnitAwayButNeverOneAtTheSameInstant)
{
    Pair("ten-minutes", kJuly, kJuly + 10 * kMinute);
    Pair("same-instant", kJuly, kJuly);

    const auto lines = Touch("0");

    EXPECT_EQ(lines, std::vector<std::string>{TouchedLine("ten-minutes", "0h")});
    EXPECT_EQ(WrittenSeconds(Copy("ten-minutes")), kJuly);
}

TEST_F(TouchRunTest, MinutesAndSecondsUnitsAndShiftsReducedWithinTheirUnit)
{
    Pair("thirty-minutes", kJanuary, kJanuary + 30 * kMinute);
    Pair("forty-five-seconds", kJanuary, kJanuary - 45);
    Pair("one-hour", kJanuary, kJanuary + kHour);

    EXPECT_EQ(Touch("90", IDC_UNIT_MINUTES), std::vector<std::string>{TouchedLine("thirty-minutes", "0n")});
    EXPECT_EQ(Touch("45", IDC_UNIT_SECONDS), std::vector<std::string>{TouchedLine("forty-five-seconds", "0s")});
    EXPECT_EQ(Touch("25", IDC_UNIT_HOURS), std::vector<std::string>{TouchedLine("one-hour", "0h")});
    for (const char* touched : {"thirty-minutes", "forty-five-seconds", "one-hour"})
        EXPECT_EQ(WrittenSeconds(Copy(touched)), kJanuary) << touched;
}

TEST_F(TouchRunTest, NegativeShiftTouchesNothingAndStillEndsWithTheEndBox)
{
    Pair("earlier", kJuly, kJuly - kHour);
    Pair("later", kJuly, kJuly + kHour);

    EXPECT_TRUE(Touch("-1").empty());
    EXPECT_EQ(driver::StatusText(kelvora), "Pr\xEAt.");
    EXPECT_EQ(WrittenSeconds(Copy("earlier")), kJuly - kHour);
    EXPECT_EQ(WrittenSeconds(Copy("later")), kJuly + kHour);
}

TEST_F(TouchRunTest, OtherSizeSameInstantMissingCopyAndCopiesWithoutOriginalGiveNoLine)
{
    const std::string longer = "contenu plus long";
    Pair("other-size", kJuly, kJuly + kHour, "contenu", &longer);
    Pair("same-instant", kJuly, kJuly);
    touchtree::WriteFile(Original("no-copy"), "contenu", kJuly);
    touchtree::WriteFile(Copy("no-original"), "contenu", kJuly + kHour);
    touchtree::WriteFile(Copy("sub\\no-original"), "contenu", kJuly + kHour);

    EXPECT_TRUE(Touch("1").empty());
    EXPECT_EQ(WrittenSeconds(Copy("other-size")), kJuly + kHour);
    EXPECT_EQ(WrittenSeconds(Copy("no-original")), kJuly + kHour);
    EXPECT_EQ(WrittenSeconds(Copy("sub\\no-original")), kJuly + kHour);
    EXPECT_EQ(GetFileAttributesA(Copy("no-copy").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(TouchRunTest, DeepHiddenAndReadOnlyCopiesArePairedByRelativePath)
{
    Pair("a\\b\\c\\deep.jpg", kJuly, kJuly + kHour);
    Pair("hidden.txt", kJanuary, kJanuary - kHour);
    Pair("read-only.txt", kJanuary, kJanuary + kHour);
    SetFileAttributesA(Copy("hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(Copy("read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    // A copy in another sub-folder than its original is not its copy.
    Pair("x\\moved.txt", kJuly, kJuly);
    touchtree::WriteFile(Copy("y\\moved.txt"), "contenu", kJuly + kHour);

    const auto lines = Touch("1");

    EXPECT_EQ(Sorted(lines), (std::multiset<std::string>{TouchedLine("a\\b\\c\\deep.jpg", "0h"),
                                                         TouchedLine("hidden.txt", "0h"),
                                                         TouchedLine("read-only.txt", "0h")}));
    EXPECT_EQ(WrittenSeconds(Copy("a\\b\\c\\deep.jpg")), kJuly);
    EXPECT_EQ(WrittenSeconds(Copy("hidden.txt")), kJanuary);
    EXPECT_EQ(WrittenSeconds(Copy("read-only.txt")), kJanuary);
    EXPECT_EQ(WrittenSeconds(Copy("y\\moved.txt")), kJuly + kHour);
}

TEST_F(TouchRunTest, AnOriginalThatCannotBeOpenedIsStillComparedByItsTrueSizeAndTime)
{
    // Only the original's size and time matter, and the folder listing gives
    // both: an original another program keeps from being read is paired all
    // the same.
    Pair("locked-original.jpg", kJuly, kJuly + kHour);
    HANDLE holder = CreateFileA(Original("locked-original.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    const auto lines = Touch("1");
    CloseHandle(holder);

    EXPECT_EQ(lines, std::vector<std::string>{TouchedLine("locked-original.jpg", "0h")});
    EXPECT_EQ(WrittenSeconds(Copy("locked-original.jpg")), kJuly);
}

TEST_F(TouchRunTest, CopiesThatCannotBeReadOrDifferOnlyInLetterCase)
{
    // A copy kept from being read is passed over without a line; a copy whose
    // name differs only in letter case is the same file for Windows.
    Pair("locked-copy.jpg", kJuly, kJuly + kHour);
    touchtree::WriteFile(Original("CASE.JPG"), "contenu", kJanuary);
    touchtree::WriteFile(Copy("case.jpg"), "contenu", kJanuary + kHour);
    HANDLE holder =
        CreateFileA(Copy("locked-copy.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    const auto lines = Touch("1");
    CloseHandle(holder);

    EXPECT_EQ(lines, std::vector<std::string>{TouchedLine("CASE.JPG", "0h")});
    EXPECT_EQ(WrittenSeconds(Copy("locked-copy.jpg")), kJuly + kHour);
    EXPECT_EQ(WrittenSeconds(Copy("case.jpg")), kJanuary);
}

TEST_F(TouchRunTest, FolderFieldsWithTrailingBackslashesBehaveAsWithout)
{
    Pair("a.jpg", kJuly, kJuly + kHour);

    const driver::Box box = Click("1", IDC_UNIT_HOURS, originals + "\\\\", copies + "\\ ");

    EXPECT_EQ(box.text, kEndText);
    EXPECT_EQ(driver::ListLines(kelvora), std::vector<std::string>{TouchedLine("a.jpg", "0h")});
}

TEST_F(TouchRunTest, MissingInputGivesItsErrorBoxAndTheUnitIsCheckedFirst)
{
    Pair("a.jpg", kJuly, kJuly + kHour);

    const driver::Box noUnit = Click("1", 0, "", "");
    EXPECT_EQ(noUnit.caption, "Erreur");
    EXPECT_EQ(noUnit.text, "Unite du d\xE9" "calage inconnu !");

    const driver::Box blankOriginals = Click("1", IDC_UNIT_HOURS, "   ", copies);
    EXPECT_EQ(blankOriginals.caption, "Erreur");
    EXPECT_EQ(blankOriginals.text, "Veuillez saisir le r\xE9pertoire des fichiers originaux !");

    const driver::Box blankCopies = Click("1", IDC_UNIT_HOURS, originals, " ");
    EXPECT_EQ(blankCopies.caption, "Erreur");
    EXPECT_EQ(blankCopies.text, "Veuillez saisir le r\xE9pertoire des fichiers copies !");

    EXPECT_EQ(WrittenSeconds(Copy("a.jpg")), kJuly + kHour);
    EXPECT_TRUE(driver::ListLines(kelvora).empty());
}

TEST_F(TouchRunTest, ACopyWhoseTimeCannotBeSetGivesAnErrorLineWithTheDifferenceMeasuredBefore)
{
    Pair("locked.jpg", kJuly, kJuly - kHour);
    Pair("fine.jpg", kJuly, kJuly + kHour);
    if (driver::RunUnix("chattr +i '" + unixRoot + "/copies/locked.jpg'") != 0)
        GTEST_SKIP() << "chattr +i is not available here: no file whose time cannot be set";

    const auto lines = Touch("1");

    EXPECT_EQ(Sorted(lines), (std::multiset<std::string>{"ERR -> " + Copy("locked.jpg") + "  =  -1",
                                                         TouchedLine("fine.jpg", "0h")}));
    EXPECT_EQ(WrittenSeconds(Copy("locked.jpg")), kJuly - kHour);
}

TEST_F(TouchRunTest, SummerAndWinterOriginalsReadBackEqualWhateverTheSeasonOfTheRun)
{
    // The run happens now; the originals lie in both daylight-saving periods.
    Pair("summer.jpg", kJuly, kJuly + kHour);
    Pair("winter.jpg", kJanuary, kJanuary + kHour);
    Pair("summer-night.jpg", Utc(2010, 8, 1, 22, 30, 0), Utc(2010, 8, 1, 23, 30, 0));

    const auto lines = Touch("1");

    EXPECT_EQ(Sorted(lines), (std::multiset<std::string>{TouchedLine("summer.jpg", "0h"),
                                                         TouchedLine("winter.jpg", "0h"),
                                                         TouchedLine("summer-night.jpg", "0h")}));
    EXPECT_EQ(WrittenSeconds(Copy("summer.jpg")), kJuly);
    EXPECT_EQ(WrittenSeconds(Copy("winter.jpg")), kJanuary);
    EXPECT_EQ(WrittenSeconds(Copy("summer-night.jpg")), Utc(2010, 8, 1, 22, 30, 0));
}

TEST_F(TouchRunTest, NothingButTheMatchingCopiesLastWriteTimesChanges)
{
    const std::string longer = "autre taille";
    Pair("match.jpg", kJuly, kJuly + kHour);
    Pair("d\\match.jpg", kJanuary, kJanuary - kHour);
    Pair("d\\no-match.jpg", kJuly, kJuly + 3 * kHour);
    Pair("d\\e\\size.jpg", kJuly, kJuly + kHour, "taille", &longer);
    Pair("same.jpg", kJuly, kJuly);
    touchtree::WriteFile(Copy("extra.jpg"), "seule", kJuly + kHour);
    touchtree::WriteFile(Original("lonely.jpg"), "seule", kJuly);
    auto originalsBefore = touchtree::Snapshot(originals);
    auto copiesBefore = touchtree::Snapshot(copies);

    EXPECT_EQ(Touch("1").size(), 2u);

    EXPECT_EQ(touchtree::Snapshot(originals), originalsBefore);
    auto copiesAfter = touchtree::Snapshot(copies);
    for (const char* touched : {"match.jpg", "d\\match.jpg"}) {
        ASSERT_TRUE(copiesAfter.count(touched));
        EXPECT_NE(copiesAfter[touched].written, copiesBefore[touched].written) << touched;
        copiesAfter[touched].written = copiesBefore[touched].written;
        // Wine on Linux has no creation time of its own: it reports one derived
        // from the modification time, so it follows a touched copy's new time.
        copiesAfter[touched].created = copiesBefore[touched].created;
    }
    EXPECT_EQ(copiesAfter, copiesBefore);
}

TEST_F(TouchRunTest, BeyondTheTenThousandthFolderFilesOfListedFoldersAreTouchedAndDeeperOnesNot)
{
    // The start folder and 9,999 folders below it fill the 10,000 folders the
    // walk looks into; d0000\\past is listed after them, so its files count,
    // but it is not looked into, so d0000\\past\\below is never seen.
    const std::string files = "top.txt d0001/level1.txt d0000/past/in-past.txt d0000/past/below/below.txt";
    ASSERT_EQ(driver::RunUnix("cd '" + unixRoot + "/originals' && seq -f 'd%04g' 0 9998 | xargs mkdir && "
                              "mkdir -p d0000/past/below && touch -d @" + std::to_string(kJuly) + " " + files +
                              " && cd ../copies && mkdir -p d0001 d0000/past/below && touch -d @" +
                              std::to_string(kJuly + kHour) + " " + files),
              0);

    const auto lines = Touch("1");

    EXPECT_EQ(Sorted(lines), (std::multiset<std::string>{TouchedLine("top.txt", "0h"),
                                                         TouchedLine("d0001\\level1.txt", "0h"),
                                                         TouchedLine("d0000\\past\\in-past.txt", "0h")}));
    EXPECT_EQ(WrittenSeconds(Copy("d0000\\past\\in-past.txt")), kJuly);
    EXPECT_EQ(WrittenSeconds(Copy("d0000\\past\\below\\below.txt")), kJuly + kHour);
}

// Many files, so that the run is still going when the test acts.
class BusyTouchRunTest : public TouchRunTest {
protected:
    // `count` empty pairs in 40 folders, every copy one hour off, so that the
    // touching phase lasts.
    void MakeManyPairs(int count)
    {
        pairs = count;
        ASSERT_EQ(touchtree::MakeShiftedPairs(unixRoot, count, 40, kJuly, kJuly + kHour), 0);
    }

    // Clicks "Touch heure..." and waits until the run is in its touching phase.
    void StartTouching()
    {
        Launch();
        driver::SetControlText(kelvora, IDC_ORIGINALS_FOLDER, originals);
        driver::SetControlText(kelvora, IDC_COPIES_FOLDER, copies);
        driver::Click(kelvora, IDC_TOUCH_BUTTON);
        ASSERT_TRUE(driver::WaitFor([&] { return driver::LineCount(kelvora) > 0; }, 120000))
            << "no line within two minutes; status " << driver::StatusText(kelvora);
    }

    int pairs = 0;
};

TEST_F(BusyTouchRunTest, ASecondClickDuringARunStartsNoSecondRun)
{
    MakeManyPairs(4000);
    StartTouching();
    driver::Click(kelvora, IDC_TOUCH_BUTTON);
    driver::Click(kelvora, IDC_BROWSE_ORIGINALS);

    driver::Box box;
    ASSERT_TRUE(driver::WaitBox(kelvora, box, 120000)) << "no end box within two minutes";
    EXPECT_EQ(box.caption, "Info");
    ASSERT_TRUE(driver::CloseBox(box));
    // No browser, no second end box: once the clicks have been handled, the
    // process shows no other dialog.
    ASSERT_TRUE(driver::Sync(kelvora));
    EXPECT_FALSE(driver::BoxShown(kelvora, &box)) << box.caption << ": " << box.text;

    const auto lines = driver::ListLines(kelvora);
    EXPECT_EQ(lines.size(), static_cast<size_t>(pairs));
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), lines.size());
}

TEST_F(BusyTouchRunTest, ClosingDuringARunStopsItBeforeItsNextCopyAndEndsWithCodeZero)
{
    MakeManyPairs(12000);
    StartTouching();
    // The close lands in the touching phase, early: most copies are still
    // one hour off.
    const std::string statusBefore = driver::StatusText(kelvora);
    const int linesBefore = driver::LineCount(kelvora);
    const int progressBefore = driver::ProgressPosition(kelvora);
    driver::PostClose(kelvora);
    ASSERT_EQ(statusBefore, "Touch des fichiers....");
    ASSERT_LT(progressBefore, 50);

    // The process ends without the end box, and no copy past the point of
    // closing has been touched.
    bool boxSeen = false;
    driver::Box box;
    const bool ended = driver::WaitFor([&] {
        boxSeen = boxSeen || driver::BoxShown(kelvora, &box);
        return WaitForSingleObject(kelvora.handle, 0) == WAIT_OBJECT_0;
    }, 30000);
    EXPECT_FALSE(boxSeen) << box.caption << ": " << box.text;
    ASSERT_TRUE(ended) << "still running 30 s after the close";
    EXPECT_EQ(driver::WaitExit(kelvora, 0), 0);
    const int touched = touchtree::CountWrittenAt(copies, kJuly);
    EXPECT_GE(touched, linesBefore);
    EXPECT_LT(touched, pairs / 2) << "the run went on after the close (" << progressBefore << "% at the close)";
    EXPECT_EQ(touchtree::CountWrittenAt(copies, kJuly + kHour), pairs - touched);
}

}  // namespace
