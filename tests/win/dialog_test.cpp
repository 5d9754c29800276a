// Control commands and control reading on a main dialog made from the
// program's template, plus controls of other classes added to it.
#include <string>

#include "box_watcher.h"
#include "test_dialog.h"
#include "toolkit/dialog.h"

namespace {

const int kAbsent = -1;

int Set(int id, const Text& text, int n1 = kAbsent, int n2 = kAbsent, int n3 = kAbsent)
{
    return Dialog(7, id, text, n1, n2, n3, kAbsent);
}

std::string StatusPart(HWND statusBar, int part)
{
    char buffer[256] = {};
    SendMessageA(statusBar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

}  // namespace

class DialogTest : public MainDialogTest {
protected:
    // A control of any class added to the main dialog.
    HWND AddControl(const char* className, DWORD style, int id)
    {
        return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 120, 60,
                               window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
    }
};

TEST_F(DialogTest, RadioButtonTakesOuiOneOrNothing)
{
    struct Case {
        const char* text;
        LRESULT state;
        const char* read;
    } cases[] = {
        {" oui ", BST_CHECKED, "1"}, {"0", BST_UNCHECKED, "0"}, {"OUI", BST_CHECKED, "1"},
        {"", BST_UNCHECKED, "0"},    {" 1 ", BST_CHECKED, "1"}, {"non", BST_UNCHECKED, "0"},
        {"Oui", BST_CHECKED, "1"},   {"ouioui", BST_UNCHECKED, "0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Set(IDC_UNIT_MINUTES, c.text), 1) << c.text;
        EXPECT_EQ(SendMessageA(Item(IDC_UNIT_MINUTES), BM_GETCHECK, 0, 0), c.state) << c.text;
        EXPECT_EQ(ControlText(IDC_UNIT_MINUTES), c.read) << c.text;
    }
}

TEST_F(DialogTest, QuestionMarkSetsIndeterminateWhichReadsAsZero)
{
    HWND box = AddControl("Button", BS_AUTO3STATE, 2001);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Set(2001, " ? "), 1);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    EXPECT_EQ(ControlText(2001), "0");
    Set(2001, "oui");
    EXPECT_EQ(ControlText(2001), "1");
}

TEST_F(DialogTest, CheckingOneRadioLeavesTheOthersOfItsGroup)
{
    SendMessageA(Item(IDC_UNIT_MINUTES), BM_SETCHECK, BST_CHECKED, 0);
    Set(IDC_UNIT_HOURS, "1");
    EXPECT_EQ(ControlText(IDC_UNIT_HOURS), "1");
    EXPECT_EQ(ControlText(IDC_UNIT_MINUTES), "1");
    EXPECT_EQ(ControlText(IDC_UNIT_SECONDS), "0");
}

TEST_F(DialogTest, EditTakesTextOrNumber)
{
    Set(IDC_SHIFT_EDIT, "", 5);
    EXPECT_EQ(ControlText(IDC_SHIFT_EDIT), "5");
    Set(IDC_SHIFT_EDIT, "", kAbsent);
    EXPECT_EQ(ControlText(IDC_SHIFT_EDIT), "");
    Set(IDC_SHIFT_EDIT, "7", 5);   // a text wins over the number
    EXPECT_EQ(ControlText(IDC_SHIFT_EDIT), "7");
    // Read back exactly as typed, blanks and accents included.
    SetWindowTextA(Item(IDC_ORIGINALS_FOLDER), " 2 ");
    EXPECT_EQ(ControlText(IDC_ORIGINALS_FOLDER), " 2 ");
    Set(IDC_COPIES_FOLDER, "C:\\R\xE9p copi\xE9" "es");
    EXPECT_EQ(ControlText(IDC_COPIES_FOLDER), "C:\\R\xE9p copi\xE9" "es");
}

TEST_F(DialogTest, ProgressBarPositionAndRange)
{
    HWND bar = Item(IDC_PROGRESS_BAR);
    Set(IDC_PROGRESS_BAR, "", 37, kAbsent);
    EXPECT_EQ(ControlText(IDC_PROGRESS_BAR), "37");
    // PBM_GETRANGE answers the minimum for TRUE, the maximum for FALSE.
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);
    Set(IDC_PROGRESS_BAR, "", 150, 200, kAbsent);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 200);
    EXPECT_EQ(ControlText(IDC_PROGRESS_BAR), "150");
    // Reading does not move it.
    EXPECT_EQ(ControlText(IDC_PROGRESS_BAR), "150");
}

TEST_F(DialogTest, StatusBarPartsCutAtTabs)
{
    HWND bar = Item(IDC_STATUS_BAR);
    int edges[12];
    for (int i = 0; i < 12; ++i)
        edges[i] = 20 * (i + 1);
    SendMessageA(bar, SB_SETPARTS, 12, reinterpret_cast<LPARAM>(edges));

    Set(IDC_STATUS_BAR, "un\tdeux\ttrois");
    EXPECT_EQ(StatusPart(bar, 0), "un");
    EXPECT_EQ(StatusPart(bar, 1), "deux");
    EXPECT_EQ(StatusPart(bar, 2), "trois");

    // Without tabs only part 0 changes.
    Set(IDC_STATUS_BAR, "Pr\xEAt.");
    EXPECT_EQ(StatusPart(bar, 0), "Pr\xEAt.");
    EXPECT_EQ(StatusPart(bar, 1), "deux");
    EXPECT_EQ(ControlText(IDC_STATUS_BAR), "Pr\xEAt.");

    // Nothing after the last tab: the part behind it keeps its text.
    Set(IDC_STATUS_BAR, "a\t");
    EXPECT_EQ(StatusPart(bar, 0), "a");
    EXPECT_EQ(StatusPart(bar, 1), "deux");

    // At most 11 parts: part 10 gets its own piece, part 11 nothing.
    Set(IDC_STATUS_BAR, "0\t1\t2\t3\t4\t5\t6\t7\t8\t9\tdix\tonze\tdouze");
    EXPECT_EQ(StatusPart(bar, 9), "9");
    EXPECT_EQ(StatusPart(bar, 10), "dix");
    EXPECT_EQ(StatusPart(bar, 11), "");
}

TEST_F(DialogTest, OtherValueControlsSetAndRead)
{
    AddControl(TRACKBAR_CLASSA, 0, 2101);
    AddControl("ScrollBar", SBS_HORZ, 2102);
    AddControl(UPDOWN_CLASSA, 0, 2103);
    struct Case {
        int id;
        int n1, n2, n3;
        const char* read;
    } cases[] = {
        {2101, 30, 50, kAbsent, "30"},   // trackbar within a new range
        {2101, 80, kAbsent, kAbsent, "50"},   // kept in the range set before
        {2102, 12, 40, 10, "12"},
        {2102, 5, kAbsent, kAbsent, "10"},   // below the minimum set before
        {2103, 7, 20, kAbsent, "7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Set(c.id, "", c.n1, c.n2, c.n3), 1) << c.id;
        EXPECT_EQ(ControlText(c.id), c.read) << c.id << " " << c.n1;
    }
}

TEST_F(DialogTest, ButtonsByStyle)
{
    EXPECT_EQ(ControlText(IDC_TOUCH_BUTTON), "Touch heure...");
    Set(IDC_QUIT_BUTTON, "Fermer");
    EXPECT_EQ(ControlText(IDC_QUIT_BUTTON), "Fermer");
    Set(IDC_UNIT_GROUP, "Unit\xE9");
    EXPECT_EQ(WindowText(Item(IDC_UNIT_GROUP)), "Unit\xE9");
    // An owner-drawn button is only repainted, and reads as "".
    HWND drawn = AddControl("Button", BS_OWNERDRAW, 2201);
    SetWindowTextA(drawn, "dessin");
    Set(2201, "autre");
    EXPECT_EQ(WindowText(drawn), "dessin");
    EXPECT_EQ(ControlText(2201), "");
}

TEST_F(DialogTest, ComboBoxTextOnlyWithAnEditField)
{
    HWND dropDown = AddControl("ComboBox", CBS_DROPDOWN, 2301);
    HWND dropList = AddControl("ComboBox", CBS_DROPDOWNLIST, 2302);
    SendMessageA(dropList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("ligne"));
    Set(2301, "saisi");
    EXPECT_EQ(ControlText(2301), "saisi");
    Set(2302, "ligne");
    EXPECT_EQ(SendMessageA(dropList, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_NE(dropDown, nullptr);
}

TEST_F(DialogTest, TabControlReadsSelectedTab)
{
    HWND tabs = AddControl(WC_TABCONTROLA, 0, 2401);
    EXPECT_EQ(ControlText(2401), "");
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>("Premier");
    SendMessageA(tabs, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.pszText = const_cast<char*>("Second");
    SendMessageA(tabs, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item));
    SendMessageA(tabs, TCM_SETCURSEL, 1, 0);
    EXPECT_EQ(ControlText(2401), "Second");
}

TEST_F(DialogTest, CommandsOnNothingReturnZero)
{
    // A list object (0 to 99) and an identifier no window has: no effect, no box.
    BoxWatcher watcher;
    EXPECT_EQ(Set(5, "1"), 0);
    EXPECT_EQ(Set(4242, "1"), 0);
    EXPECT_EQ(Dialog(25, 4242, "", kAbsent, kAbsent, kAbsent, kAbsent), 0);
    EXPECT_EQ(Dialog(12, -7, "", kAbsent, kAbsent, kAbsent, kAbsent), 0);
    EXPECT_EQ(ControlText(5), "");
    EXPECT_EQ(ControlText(4242), "");
    EXPECT_FALSE(watcher.Wait().seen);
}

TEST_F(DialogTest, UnknownCodeShowsWarningBoxAndReturnsZero)
{
    BoxWatcher watcher;
    EXPECT_EQ(Dialog(25, IDC_SHIFT_EDIT, "", kAbsent, kAbsent, kAbsent, kAbsent), 0);
    const SeenBox box = watcher.Wait();
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.caption, "'Dialog'");
    EXPECT_EQ(box.text, "M\xE9thode \xAB" "25\xBB inconnue !");
    EXPECT_EQ(ControlText(IDC_SHIFT_EDIT), "0");
}

TEST_F(DialogTest, WindowStateCommands)
{
    HWND edit = Item(IDC_SHIFT_EDIT);
    Dialog(13, IDC_SHIFT_EDIT, "", kAbsent, kAbsent, kAbsent, kAbsent);
    EXPECT_FALSE(IsWindowEnabled(edit));
    Dialog(12, IDC_SHIFT_EDIT, "", kAbsent, kAbsent, kAbsent, kAbsent);
    EXPECT_TRUE(IsWindowEnabled(edit));
    Dialog(16, IDC_SHIFT_EDIT, "", kAbsent, kAbsent, kAbsent, kAbsent);
    EXPECT_FALSE(IsWindowVisible(edit));
    Dialog(17, IDC_SHIFT_EDIT, "", kAbsent, kAbsent, kAbsent, kAbsent);
    EXPECT_TRUE(IsWindowVisible(edit));
    Dialog(19, IDC_SHIFT_EDIT, "", kAbsent, kAbsent, kAbsent, kAbsent);
    EXPECT_EQ(SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0), '*');
    EXPECT_NE(GetWindowLongA(edit, GWL_STYLE) & ES_PASSWORD, 0);

    HWND list = Item(IDC_RESULT_LIST);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("ligne"));
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    Dialog(11, IDC_RESULT_LIST, "", kAbsent, kAbsent, kAbsent, kAbsent);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
}

TEST_F(DialogTest, StatusBarLayoutCommand)
{
    HWND bar = Item(IDC_STATUS_BAR);
    Dialog(8, IDC_STATUS_BAR, "100.4\t200.6\t-1", kAbsent, kAbsent, kAbsent, kAbsent);
    EXPECT_FALSE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
    int edges[4] = {};
    ASSERT_EQ(SendMessageA(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
    EXPECT_EQ(edges[0], 100);
    EXPECT_EQ(edges[1], 201);
    Dialog(8, IDC_STATUS_BAR, "simple", kAbsent, kAbsent, kAbsent, kAbsent);
    EXPECT_TRUE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
}

TEST_F(DialogTest, DropAcceptanceFollowsIdentifier)
{
    EXPECT_EQ(Dialog(4, 1, "", kAbsent, kAbsent, kAbsent, kAbsent), 1);
    EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
    EXPECT_EQ(Dialog(4, 0, "", kAbsent, kAbsent, kAbsent, kAbsent), 1);
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
}

TEST_F(DialogTest, CursorNamesSetTheBusyFlag)
{
    struct Case {
        const char* name;
        bool busy;
        LPCSTR cursor;
    } cases[] = {
        {" wait ", true, IDC_WAIT},  {"AppStarting", true, IDC_APPSTARTING},
        {"cross", false, IDC_CROSS}, {"inconnu", false, IDC_ARROW},
        {"hand", false, IDC_HAND},   {"arrow", false, IDC_ARROW},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Dialog(1, 0, c.name, kAbsent, kAbsent, kAbsent, kAbsent), 1) << c.name;
        ShowCursor(FALSE);
        EXPECT_EQ(IsBusy(), c.busy) << c.name;
        EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR)),
                  LoadCursorA(nullptr, c.cursor))
            << c.name;
    }
}

TEST_F(DialogTest, ControlClassByIdentifierRange)
{
    int object = 1234;
    HWND found = nullptr;
    EXPECT_EQ(ControlClass(-1, &found, &object), "New_VDS_List");
    EXPECT_EQ(object, -1);
    EXPECT_EQ(ControlClass(42, &found, &object), "VDS_List");
    EXPECT_EQ(object, 42);
    EXPECT_EQ(found, nullptr);
    object = 1234;
    EXPECT_EQ(ControlClass(-7, &found, &object), "");
    EXPECT_EQ(object, 1234);
    EXPECT_EQ(ControlClass(IDC_STATUS_BAR, &found, &object), "msctls_statusbar32");
    EXPECT_EQ(found, Item(IDC_STATUS_BAR));
    EXPECT_EQ(ControlClass(4242, &found, nullptr), "");
    EXPECT_EQ(found, nullptr);
}

TEST_F(DialogTest, FindControlReachesNestedControlsOfThisWindow)
{
    // A control inside another one: not a direct child of the main window.
    HWND frame = AddControl("Static", 0, 2501);
    HWND nested = CreateWindowExA(0, "Edit", "dedans", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, frame,
                                  reinterpret_cast<HMENU>(2502), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(FindControl(2502), nested);
    EXPECT_EQ(ControlText(2502), "dedans");
    EXPECT_EQ(FindControl(IDC_SHIFT_EDIT), Item(IDC_SHIFT_EDIT));
    EXPECT_EQ(FindControl(4242), nullptr);
}

TEST_F(DialogTest, WindowTextOfCaptionAndEmptyWindow)
{
    EXPECT_EQ(WindowText(window), "Kelvora");
    EXPECT_EQ(WindowText(Item(IDC_PROGRESS_BAR)), "");
    EXPECT_EQ(WindowText(nullptr), "");
}
