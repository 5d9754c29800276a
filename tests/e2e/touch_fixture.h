// A fixture for end-to-end runs of "Touch heure...": a fresh folder of
// originals and one of copies per test, the real Kelvora.exe driven through
// its window, files of any name made through wide paths.
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

class TouchWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        unixRoot = std::string(TEST_SCRATCH_DIR) + "/touch-exact/" + name;
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

    void Clean() { driver::RunUnix("rm -rf '" + unixRoot + "'"); }

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
        if (!kelvora.main) {
            EXPECT_TRUE(driver::Start(kelvora, ""));
            EXPECT_TRUE(driver::WaitMainWindow(kelvora));
            if (!kelvora.main)
                return {};
        }
        driver::SetControlText(kelvora, IDC_ORIGINALS_FOLDER, originalsField);
        driver::SetControlText(kelvora, IDC_COPIES_FOLDER, copiesField);
        driver::SetControlText(kelvora, IDC_SHIFT_EDIT, shift);
        for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
            driver::SetCheck(kelvora, id, id == unit ? BST_CHECKED : BST_UNCHECKED);
        driver::Click(kelvora, IDC_TOUCH_BUTTON);
        driver::Box box;
        EXPECT_TRUE(driver::WaitBox(kelvora, box, 120000)) << "no box after the click";
        if (box.window)
            driver::CloseBox(box);
        driver::Sync(kelvora);
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

    std::string unixRoot, root, originals, copies;
    driver::Process kelvora;
};

}  // namespace touchfixture
