// The two browse buttons: the system folder browser, centred over the main
// window, opens at the folder the field names and writes the chosen folder
// into that field only.
#include <string>

#include <gtest/gtest.h>

#include "driver/driver.h"
#include "resource_ids.h"

namespace {

const char kOriginalsTitle[] = "Choix du r\xE9pertoire des fichiers originaux";
const char kCopiesTitle[] = "Choix du r\xE9pertoire des fichiers copies";

// The new-style browser's button for making a folder.
const int kMakeNewFolderButton = 14150;

struct Button {
    int button;
    int field;
    int otherField;
    const char* title;
};

const Button kButtons[] = {
    {IDC_BROWSE_ORIGINALS, IDC_ORIGINALS_FOLDER, IDC_COPIES_FOLDER, kOriginalsTitle},
    {IDC_BROWSE_COPIES, IDC_COPIES_FOLDER, IDC_ORIGINALS_FOLDER, kCopiesTitle},
};

struct TextSearch {
    std::string text;
    bool found;
};

BOOL CALLBACK FindChildText(HWND child, LPARAM parameter)
{
    auto* search = reinterpret_cast<TextSearch*>(parameter);
    if (IsWindowVisible(child) && driver::Text(child) == search->text) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

bool HasChildWithText(HWND window, const std::string& text)
{
    TextSearch search = {text, false};
    EnumChildWindows(window, FindChildText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Where a dialog of rectangle `box` goes over `reference`: centred, or
// aligned with its left or top edge when it is as wide or as tall; then kept
// inside the screen.
int ExpectedStart(int size, int low, int high, int screenLow, int screenHigh)
{
    int start = size >= high - low ? low : low + (high - low) / 2 - size / 2;
    if (start + size > screenHigh)
        start = screenHigh - size;
    if (start < screenLow)
        start = screenLow;
    return start;
}

// A folder of its own for each test, removed afterwards. It lies on drive C:
// of the Wine prefix rather than under the scratch folder in /tmp: the
// browser finds the folder to select by comparing item lists that carry each
// folder's modification time, and /tmp changes all the time while other
// programs run, so a selection below it would be missed now and then.
class FolderChoice : public testing::Test {
protected:
    void SetUp() override
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        scratch = std::string("C:\\kelvora_folder_choice_") + info->name();
        chosen = scratch + "\\Chosen one";
        RemoveDirectoryA(chosen.c_str());
        RemoveDirectoryA(scratch.c_str());
        ASSERT_TRUE(CreateDirectoryA(scratch.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(chosen.c_str(), nullptr));

        ASSERT_TRUE(driver::Start(kelvora, ""));
        ASSERT_TRUE(driver::WaitMainWindow(kelvora));
        ASSERT_TRUE(driver::WaitFor([&] { return driver::StatusText(kelvora) == "Pr\xEAt."; }));
    }

    void TearDown() override
    {
        driver::Box box;
        while (driver::WaitBox(kelvora, box, 0))
            driver::CloseBox(box, IDCANCEL);
        driver::PostClose(kelvora);
        EXPECT_EQ(driver::WaitExit(kelvora), 0);
        RemoveDirectoryA(chosen.c_str());
        RemoveDirectoryA(scratch.c_str());
    }

    // Clicks a browse button and waits for the browser.
    driver::Box OpenBrowser(int button)
    {
        driver::Box browser;
        driver::Click(kelvora, button);
        EXPECT_TRUE(driver::WaitBox(kelvora, browser));
        return browser;
    }

    driver::Process kelvora;
    std::string scratch;
    std::string chosen;   // a folder that exists, inside scratch
};

}  // namespace

TEST_F(FolderChoice, BrowserComesUpCentredWithTheHandlersTitle)
{
    for (const Button& b : kButtons) {
        const driver::Box browser = OpenBrowser(b.button);
        ASSERT_NE(browser.window, nullptr);
        EXPECT_EQ(browser.caption, b.title);
        EXPECT_TRUE(HasChildWithText(browser.window, b.title)) << "instruction text above the tree";

        HWND newFolder = GetDlgItem(browser.window, kMakeNewFolderButton);
        EXPECT_TRUE(!newFolder || !IsWindowVisible(newFolder)) << "no button for a new folder";

        const RECT box = driver::WindowRect(browser.window);
        const RECT main = driver::WindowRect(kelvora.main);
        const RECT screen = driver::WindowRect(GetDesktopWindow());
        const int width = box.right - box.left;
        const int height = box.bottom - box.top;
        EXPECT_NEAR(box.left, ExpectedStart(width, main.left, main.right, screen.left, screen.right), 1);
        EXPECT_NEAR(box.top, ExpectedStart(height, main.top, main.bottom, screen.top, screen.bottom), 1);

        driver::CloseBox(browser, IDCANCEL);
    }
}

TEST_F(FolderChoice, CancelLeavesTheFieldExactlyAsItWas)
{
    for (const Button& b : kButtons) {
        for (const std::string& typed : {std::string(), std::string("  no such folder\\\\ "), chosen}) {
            driver::SetControlText(kelvora, b.field, typed);
            driver::SetControlText(kelvora, b.otherField, "other");
            const driver::Box browser = OpenBrowser(b.button);
            driver::CloseBox(browser, IDCANCEL);
            driver::Sync(kelvora);
            EXPECT_EQ(driver::ControlText(kelvora, b.field), typed);
            EXPECT_EQ(driver::ControlText(kelvora, b.otherField), "other");
        }
    }
}

TEST_F(FolderChoice, OkWritesTheSelectedFolderWithoutTrailingBackslashIntoItsFieldOnly)
{
    for (const Button& b : kButtons) {
        // The field names the folder with, without, and with several trailing
        // backslashes: the browser opens with that folder selected, and OK
        // writes it back without the backslashes.
        for (const std::string& typed : {chosen + "\\", chosen, chosen + "\\\\\\"}) {
            driver::SetControlText(kelvora, b.otherField, "other");
            // Wine's browser now and then misses a requested selection on a
            // fresh shell (it then keeps another item); one more try is allowed.
            for (int attempt = 0; attempt < 2; ++attempt) {
                driver::SetControlText(kelvora, b.field, typed);
                const driver::Box browser = OpenBrowser(b.button);
                driver::SetControlText(kelvora, b.field, "before OK");
                driver::CloseBox(browser, IDOK);
                ASSERT_TRUE(driver::WaitFor([&] {
                    return driver::ControlText(kelvora, b.field) != "before OK";
                })) << typed;
                if (driver::ControlText(kelvora, b.field) == chosen)
                    break;
            }
            EXPECT_EQ(driver::ControlText(kelvora, b.field), chosen) << typed;
            EXPECT_EQ(driver::ControlText(kelvora, b.otherField), "other") << typed;
        }
    }
}

TEST_F(FolderChoice, DriveRootIsWrittenWithItsBackslash)
{
    driver::SetControlText(kelvora, IDC_ORIGINALS_FOLDER, "C:\\");
    const driver::Box browser = OpenBrowser(IDC_BROWSE_ORIGINALS);
    // The field is set to "C:" first, so that the write of the choice shows.
    driver::SetControlText(kelvora, IDC_ORIGINALS_FOLDER, "C:");
    driver::CloseBox(browser, IDOK);
    EXPECT_TRUE(driver::WaitFor([&] {
        return driver::ControlText(kelvora, IDC_ORIGINALS_FOLDER) == "C:\\";
    }));
}

TEST_F(FolderChoice, MainWindowStaysUsableWhileTheBrowserIsUp)
{
    const driver::Box browser = OpenBrowser(IDC_BROWSE_ORIGINALS);
    EXPECT_TRUE(IsWindowEnabled(kelvora.main));
    driver::SetControlText(kelvora, IDC_COPIES_FOLDER, chosen);
    EXPECT_EQ(driver::ControlText(kelvora, IDC_COPIES_FOLDER), chosen);
    driver::CloseBox(browser, IDCANCEL);
}
