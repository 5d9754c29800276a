// Fixtures for end-to-end runs of "Touch heure...": a fresh folder of
// originals and one of copies per test, the real Kelvora.exe driven through
// its window; files of any name made through wide paths.
#pragma once

#include <string>
#include <vector>

#include "driver/driver.h"
#include "resource_ids.h"
#include "touch_tree.h"
#include "wide_tree.h"

namespace touchfixture {

const char kEndText[] = "Heure d'\xE9t\xE9 :\r\r\xABTouch\xBB de l'heure des fichiers-copie termin\xE9 !";
const int64_t kHour = 3600;

// A fresh folder of originals and one of copies per test, below `area` in
// the scratch folder, and the real Kelvora.exe started when first needed and
// ended after the test.
class TreesTest : public testing::Test {
protected:
    explicit TreesTest(const std::string& area) : area_(area) {}

    void SetUp() override
    {
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        unixRoot = std::string(TEST_SCRATCH_DIR) + "/" + area_ + "/" + name;
        Clean();
        root = driver::WindowsPath(unixRoot);
        originals = root + "\\originals";
        copies = root + "\\copies";
        touchtree::MakeFolders(originals);
        touchtree::MakeFolders(copies);
    }

    void TearDown() override
    {
        driver::Kill(kelvora);
        Clean();
    }

    // The immutable flag some tests set is cleared first.
    void Clean() { driver::RunUnix("chattr -R -i '" + unixRoot + "' 2>/dev/null; rm -rf '" + unixRoot + "'"); }

    void Launch()
    {
        if (kelvora.main)
            return;
        ASSERT_TRUE(driver::Start(kelvora, ""));
        ASSERT_TRUE(driver::WaitMainWindow(kelvora));
    }

    // Fills the fields, checks one unit (0: none) and clicks "Touch heure...";
    // returns the box that follows, closed.
    driver::Box Click(const std::string& shift, int unit, const std::string& originalsField,
                      const std::string& copiesField)
    {
        driver::Box box;
        Launch();
        if (HasFatalFailure())
            return box;
        driver::SetControlText(kelvora, IDC_ORIGINALS_FOLDER, originalsField);
        driver::SetControlText(kelvora, IDC_COPIES_FOLDER, copiesField);
        driver::SetControlText(kelvora, IDC_SHIFT_EDIT, shift);
        for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
            driver::SetCheck(kelvora, id, id == unit ? BST_CHECKED : BST_UNCHECKED);
        driver::Click(kelvora, IDC_TOUCH_BUTTON);
        EXPECT_TRUE(driver::WaitBox(kelvora, box, 120000)) << "no box after the click";
        if (box.window)
            EXPECT_TRUE(driver::CloseBox(box));
        EXPECT_TRUE(driver::Sync(kelvora));
        return box;
    }

    std::string unixRoot, root, originals, copies;
    driver::Process kelvora;

private:
    std::string area_;
};

// Runs over trees of names of any kind, made through wide paths.
class TouchWindowTest : public TreesTest {
protected:
    TouchWindowTest() : TreesTest("touch-exact") {}

    std::wstring Original(const std::wstring& relative) const { return widetree::Wide(originals) + L"\\" + relative; }
    std::wstring Copy(const std::wstring& relative) const { return widetree::Wide(copies) + L"\\" + relative; }

    // An original and its copy, same content unless told otherwise.
    void Pair(const std::wstring& relative, int64_t originalTime, int64_t copyTime,
              const std::string& content = "contenu")
    {
        widetree::WriteFile(Original(relative), content, originalTime);
        widetree::WriteFile(Copy(relative), content, copyTime);
    }

    // A whole run over the two folders (or the given fields); expects the
    // end box and returns the result lines.
    std::vector<std::string> Touch(const std::string& shift, int unit = IDC_UNIT_HOURS)
    {
        return TouchFields(shift, unit, originals, copies);
    }

    std::vector<std::string> TouchFields(const std::string& shift, int unit, const std::string& originalsField,
                                         const std::string& copiesField)
    {
        const driver::Box box = Click(shift, unit, originalsField, copiesField);
        if (!kelvora.main)
            return {};
        EXPECT_EQ(box.caption, "Info");
        EXPECT_EQ(box.text, kEndText);
        EXPECT_EQ(driver::StatusText(kelvora), "Pr\xEAt.");
        EXPECT_EQ(driver::ProgressPosition(kelvora), 100);
        return driver::ListLines(kelvora);
    }

    // The line of a touched copy, its relative path as the list shows it.
    std::string TouchedLine(const std::string& shownRelative, const std::string& tail = "0h") const
    {
        return copies + "\\" + shownRelative + "  =->  " + tail;
    }
};

}  // namespace touchfixture
