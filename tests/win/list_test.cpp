// List commands on the result list box 1004, a combo box, a list view and
// the in-memory list objects.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "box_watcher.h"
#include "scratch_folder.h"
#include "test_dialog.h"
#include "toolkit/list.h"

namespace {

using Lines = std::vector<std::string>;

const int kComboId = 2001;
const int kListViewId = 2002;

class ListTest : public MainDialogTest {
protected:
    HWND ListBox() const { return Item(IDC_RESULT_LIST); }

    int Count() const { return static_cast<int>(SendMessageA(ListBox(), LB_GETCOUNT, 0, 0)); }

    Lines LinesOf(int id) const
    {
        Lines lines;
        const int count = List(3, id, "", 0, 0);
        for (int i = 0; i < count; ++i)
            lines.push_back(ListLineText(id, i, 0));
        return lines;
    }

    void Fill(int id, const Lines& lines) const
    {
        List(4, id, "", 0, 0);
        for (const std::string& line : lines)
            List(2, id, line, 0, 0);
    }

    HWND MakeChild(const char* className, DWORD style, int id) const
    {
        return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 10, 10, 200, 150,
                               window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
    }
};

TEST_F(ListTest, AddKeepsOrderSelectionAndFirstVisibleLine)
{
    ASSERT_EQ(List(2, IDC_RESULT_LIST, "first", 0, 0), 1);
    SendMessageA(ListBox(), LB_SETCURSEL, 0, 0);
    for (int i = 1; i <= 1000; ++i)
        ASSERT_EQ(List(2, IDC_RESULT_LIST, "line " + std::to_string(i), 0, 0), 1);
    ASSERT_EQ(Count(), 1001);
    EXPECT_EQ(ListLineText(IDC_RESULT_LIST, 0, 0), "first");
    for (int i = 1; i <= 1000; ++i)
        ASSERT_EQ(ListLineText(IDC_RESULT_LIST, i, 0), "line " + std::to_string(i));
    EXPECT_EQ(SendMessageA(ListBox(), LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageA(ListBox(), LB_GETTOPINDEX, 0, 0), 0);
}

TEST_F(ListTest, SuspendedDrawingKeepsLinesAndResumingDrawsThemAll)
{
    ShowWindow(window, SW_SHOW);
    SetListDrawing(IDC_RESULT_LIST, false);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(List(2, IDC_RESULT_LIST, "ligne " + std::to_string(i), 0, 0), 1);
    EXPECT_EQ(Count(), 50);
    SetListDrawing(IDC_RESULT_LIST, false);  // already suspended: nothing changes
    SetListDrawing(IDC_RESULT_LIST, true);
    // Drawn at once: nothing is left to paint, and the scroll bar knows the lines.
    RECT pending;
    EXPECT_FALSE(GetUpdateRect(ListBox(), &pending, FALSE));
    SCROLLINFO scroll = {sizeof scroll, SIF_RANGE | SIF_PAGE};
    ASSERT_TRUE(GetScrollInfo(ListBox(), SB_VERT, &scroll));
    EXPECT_EQ(scroll.nMax, 49);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST).back(), "ligne 49");
    // Lines added afterwards are drawn as usual.
    EXPECT_EQ(List(2, IDC_RESULT_LIST, "ligne 50", 0, 0), 1);
    EXPECT_FALSE(GetUpdateRect(ListBox(), &pending, FALSE));
}

TEST_F(ListTest, AddWithoutSelectionSelectsNothing)
{
    for (int i = 0; i < 50; ++i)
        List(2, IDC_RESULT_LIST, "x", 0, 0);
    EXPECT_EQ(SendMessageA(ListBox(), LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(ListBox(), LB_GETTOPINDEX, 0, 0), 0);
}

TEST_F(ListTest, EmptyLineBecomesOneSpace)
{
    List(2, IDC_RESULT_LIST, "a", 0, 0);
    EXPECT_EQ(List(2, IDC_RESULT_LIST, "", 0, 0), 1);
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(ListLineText(IDC_RESULT_LIST, 1, 0), " ");
}

TEST_F(ListTest, RemoveAllEmptiesFiveHundredLines)
{
    for (int i = 0; i < 500; ++i)
        List(2, IDC_RESULT_LIST, std::to_string(i), 0, 0);
    ASSERT_EQ(Count(), 500);
    EXPECT_EQ(List(4, IDC_RESULT_LIST, "", 0, 0), 1);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(List(5, IDC_RESULT_LIST, "", 0, 0), 1);
}

TEST_F(ListTest, UnknownIdentifierAddsNothingAndRemovesNothing)
{
    List(2, IDC_RESULT_LIST, "stays", 0, 0);
    for (int id : {4242, -7}) {
        EXPECT_EQ(List(2, id, "x", 0, 0), 1) << id;
        EXPECT_EQ(List(4, id, "", 0, 0), 0) << id;
        EXPECT_EQ(List(3, id, "", 0, 0), 0) << id;
        EXPECT_EQ(ListLineText(id, 0, 0), "") << id;
    }
    EXPECT_EQ(List(4, IDC_SHIFT_EDIT, "", 0, 0), 0);   // not a list
    EXPECT_EQ(Count(), 1);
}

TEST_F(ListTest, LineTextOfSelectedMissingAndPastTheEnd)
{
    Fill(IDC_RESULT_LIST, {"a", "b"});
    EXPECT_EQ(ListLineText(IDC_RESULT_LIST, -1, 0), "");
    SendMessageA(ListBox(), LB_SETCURSEL, 1, 0);
    EXPECT_EQ(ListLineText(IDC_RESULT_LIST, -1, 0), "b");
    EXPECT_EQ(ListLineText(IDC_RESULT_LIST, 2, 0), "");
}

TEST_F(ListTest, SelectionCommands)
{
    EXPECT_EQ(List(6, IDC_RESULT_LIST, "", 3, 0), 0);   // empty list
    EXPECT_EQ(List(9, IDC_RESULT_LIST, "", 0, 0), 0);
    Fill(IDC_RESULT_LIST, {"alpha", "beta", "gamma", "alpine"});
    EXPECT_EQ(List(7, IDC_RESULT_LIST, "", 0, 0), -1);
    EXPECT_EQ(List(9, IDC_RESULT_LIST, "", 0, 0), 0);
    List(6, IDC_RESULT_LIST, "", 99, 0);                 // clamped to the last line
    EXPECT_EQ(List(8, IDC_RESULT_LIST, "", 0, 0), 3);
    EXPECT_EQ(List(9, IDC_RESULT_LIST, "", 0, 0), 1);
    List(6, IDC_RESULT_LIST, "", -4, 0);                 // clamped to the first line
    EXPECT_EQ(List(7, IDC_RESULT_LIST, "", 0, 0), 0);
    EXPECT_EQ(List(14, IDC_RESULT_LIST, "al", 0, 0), 3);   // after the selected line
    EXPECT_EQ(List(14, IDC_RESULT_LIST, "GAM", 0, 0), 2);
    EXPECT_EQ(List(14, IDC_RESULT_LIST, "zeta", 0, 0), -1);
}

TEST_F(ListTest, DeleteInsertReplace)
{
    Fill(IDC_RESULT_LIST, {"a", "b", "c"});
    List(11, IDC_RESULT_LIST, "", 2, 0);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{"a", "b"}));
    EXPECT_EQ(List(7, IDC_RESULT_LIST, "", 0, 0), 1);   // clamped after the deletion
    List(11, IDC_RESULT_LIST, "", 5, 0);                 // no such line
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{"a", "b"}));

    List(12, IDC_RESULT_LIST, "x", 1, 0);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{"a", "x", "b"}));
    EXPECT_EQ(List(7, IDC_RESULT_LIST, "", 0, 0), 1);
    List(12, IDC_RESULT_LIST, "", 0, 0);
    List(12, IDC_RESULT_LIST, "end", 10, 0);            // past the end: added
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{" ", "a", "x", "b", "end"}));

    List(13, IDC_RESULT_LIST, "y", 2, 0);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{" ", "a", "y", "b", "end"}));
    EXPECT_EQ(List(7, IDC_RESULT_LIST, "", 0, 0), 2);
}

TEST_F(ListTest, SortAscendingOrDescending)
{
    const struct {
        int code;
        const char* order;
        Lines expected;
    } cases[] = {
        {15, "", {"abricot", "Banane", "poire", "\xE9t\xE9"}},
        {15, " asc ", {"abricot", "Banane", "poire", "\xE9t\xE9"}},
        {15, "Ascending", {"abricot", "Banane", "poire", "\xE9t\xE9"}},
        {15, "DESC", {"\xE9t\xE9", "poire", "Banane", "abricot"}},
        {16, "", {"\xE9t\xE9", "poire", "Banane", "abricot"}},
    };
    for (const auto& c : cases) {
        Fill(IDC_RESULT_LIST, {"poire", "abricot", "\xE9t\xE9", "Banane"});
        List(c.code, IDC_RESULT_LIST, c.order, 0, 0);
        EXPECT_EQ(LinesOf(IDC_RESULT_LIST), c.expected) << c.code << " " << c.order;
    }
}

TEST_F(ListTest, TextLinesJoinAndDuplicates)
{
    List(2, IDC_RESULT_LIST, "old", 0, 0);
    EXPECT_EQ(List(20, IDC_RESULT_LIST, "  a\r\nb\nc\r\rd  ", 0, 0), 0);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{"old", "a", "b", "c", " ", "d"}));
    List(19, IDC_RESULT_LIST, "   ", 0, 0);              // blank: nothing changes
    EXPECT_EQ(List(3, IDC_RESULT_LIST, "", 0, 0), 6);
    List(19, IDC_RESULT_LIST, "x\ny\n", 0, 0);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{"x", "y"}));

    Text joined;
    EXPECT_EQ(List(21, IDC_RESULT_LIST, joined, 0, 0), 2);
    EXPECT_EQ(joined, "x\r\ny");

    Fill(IDC_RESULT_LIST, {"Un", "deux", "UN", "  ", "un", "Deux", " ", "trois"});
    EXPECT_EQ(List(34, IDC_RESULT_LIST, "", 0, 0), 5);   // "  " and " " differ
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{"Un", "deux", "  ", " ", "trois"}));
    Fill(IDC_RESULT_LIST, {"Un", "deux", "UN", "  ", "un", "Deux", " ", "trois"});
    EXPECT_EQ(List(34, IDC_RESULT_LIST, " sans_vide", 0, 0), 3);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{"Un", "deux", "trois"}));
}

TEST_F(ListTest, ClipboardRoundTrip)
{
    Fill(IDC_RESULT_LIST, {"Caf\xE9", "deux"});
    EXPECT_EQ(List(22, IDC_RESULT_LIST, "", 0, 0), 2);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(data)), "Caf\xE9\r\ndeux");
    GlobalUnlock(data);
    CloseClipboard();

    EXPECT_EQ(List(23, IDC_RESULT_LIST, "", 0, 0), 4);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{"Caf\xE9", "deux", "Caf\xE9", "deux"}));

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(List(23, IDC_RESULT_LIST, "", 0, 0), 0);
}

TEST_F(ListTest, FilesFoldersAndTextFiles)
{
    scratch::ScratchFolder root("list_files");
    ASSERT_EQ(root.Shell("mkdir sub && touch f1"), 0);

    EXPECT_EQ(List(24, IDC_RESULT_LIST, root.win + "\\*.*", 0, 0), 1);
    EXPECT_EQ(List(25, IDC_RESULT_LIST, root.win + "\\*.*", 1, 0), 1);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{"f1", root.win + "\\sub"}));

    const std::string file = root.win + "\\lines.txt";
    EXPECT_EQ(List(28, IDC_RESULT_LIST, file, 0, 0), 2);
    List(4, IDC_RESULT_LIST, "", 0, 0);
    List(2, IDC_RESULT_LIST, "gone", 0, 0);
    EXPECT_EQ(List(27, IDC_RESULT_LIST, file, 0, 0), 2);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{"f1", root.win + "\\sub"}));
    EXPECT_EQ(List(27, IDC_RESULT_LIST, root.win + "\\missing.txt", 0, 0), 0);
}

TEST_F(ListTest, WindowsProcessesAndDroppedFiles)
{
    EXPECT_GT(List(26, IDC_RESULT_LIST, "C", 0, 0), 0);
    EXPECT_NE(SendMessageA(ListBox(), LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>("ZRKelvoraCLASS")),
              LB_ERR);
    const int windows = List(26, IDC_RESULT_LIST, "", 0, 0);
    ASSERT_GT(windows, 0);
    const std::string first = ListLineText(IDC_RESULT_LIST, 0, 0);
    EXPECT_EQ(first.substr(0, 2), "1\t");   // "OICT": place, handle, class, title
    EXPECT_EQ(std::count(first.begin(), first.end(), '\t'), 3);

    const int processes = List(33, IDC_RESULT_LIST, "", 0, 0);
    EXPECT_GT(processes, 0);
    bool foundSelf = false;
    const std::string self = "\t" + std::to_string(GetCurrentProcessId());
    for (const std::string& line : LinesOf(IDC_RESULT_LIST))
        foundSelf = foundSelf || (line.size() > self.size() &&
                                  line.compare(line.size() - self.size(), self.size(), self) == 0);
    EXPECT_TRUE(foundSelf);

    RememberDroppedFiles({"C:\\a.txt", "C:\\b.txt"});
    EXPECT_EQ(List(30, IDC_RESULT_LIST, "", 0, 0), 2);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{"C:\\a.txt", "C:\\b.txt"}));
    RememberDroppedFiles({});
    EXPECT_EQ(List(30, IDC_RESULT_LIST, "", 0, 0), 0);
    EXPECT_EQ(List(3, IDC_RESULT_LIST, "", 0, 0), 0);
}

TEST_F(ListTest, HorizontalExtentAndObsoleteFontList)
{
    RECT client = {};
    GetClientRect(ListBox(), &client);
    List(32, IDC_RESULT_LIST, "", 0, 0);
    EXPECT_EQ(SendMessageA(ListBox(), LB_GETHORIZONTALEXTENT, 0, 0), client.right * 10);
    List(32, IDC_RESULT_LIST, "", 3, 0);
    EXPECT_EQ(SendMessageA(ListBox(), LB_GETHORIZONTALEXTENT, 0, 0), client.right * 3);

    BoxWatcher watcher("'List\\FONTLIST'");
    EXPECT_EQ(List(31, IDC_RESULT_LIST, "", 0, 0), 0);
    const SeenBox box = watcher.Wait();
    EXPECT_TRUE(box.seen);
    EXPECT_EQ(box.text, "Obsol\xE8te: utiliser 'FontList()'.");
}

TEST_F(ListTest, UnhandledCodesDoNothing)
{
    Fill(IDC_RESULT_LIST, {"a"});
    for (int code : {0, 35, 39, 99, 101, 151, -3})
        EXPECT_EQ(List(code, IDC_RESULT_LIST, "x", 0, 0), 0) << code;
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), Lines{"a"});
}

TEST_F(ListTest, ComboBoxLines)
{
    ASSERT_NE(MakeChild("ComboBox", CBS_DROPDOWNLIST | WS_VSCROLL, kComboId), nullptr);
    EXPECT_EQ(List(2, kComboId, "b", 0, 0), 1);
    EXPECT_EQ(List(2, kComboId, "", 0, 0), 1);
    List(12, kComboId, "a", 0, 0);
    EXPECT_EQ(LinesOf(kComboId), (Lines{"a", "b", " "}));
    EXPECT_EQ(List(7, kComboId, "", 0, 0), 0);
    EXPECT_EQ(ListLineText(kComboId, -1, 0), "a");
    EXPECT_EQ(List(14, kComboId, "B", 0, 0), 1);
    EXPECT_EQ(List(10, kComboId, "", 9, 0), 1);            // caret: selects, clamped
    EXPECT_EQ(List(8, kComboId, "", 0, 0), 2);
    EXPECT_EQ(List(4, kComboId, "", 0, 0), 1);
    EXPECT_EQ(List(3, kComboId, "", 0, 0), 0);
}

TEST_F(ListTest, ListViewLinesAndColumns)
{
    ASSERT_NE(MakeChild(WC_LISTVIEWA, LVS_REPORT, kListViewId), nullptr);
    EXPECT_EQ(List(101, kListViewId, "Nom", 120, 0), 0);
    EXPECT_EQ(List(101, kListViewId, "Taille", -1, 0), 1);
    EXPECT_EQ(List(2, kListViewId, "one", 0, 0), 1);
    EXPECT_EQ(List(2, kListViewId, "two", 0, 0), 1);
    EXPECT_EQ(List(102, kListViewId, "2 Ko", 1, 1), 1);
    EXPECT_EQ(LinesOf(kListViewId), (Lines{"one", "two"}));
    EXPECT_EQ(ListLineText(kListViewId, 1, 1), "2 Ko");
    List(6, kListViewId, "", 1, 0);
    EXPECT_EQ(List(7, kListViewId, "", 0, 0), 1);
    EXPECT_EQ(ListLineText(kListViewId, -1, 0), "two");
    EXPECT_EQ(List(101, IDC_RESULT_LIST, "Nom", 120, 0), 0);   // list boxes only take 1 to 34
    EXPECT_EQ(List(4, kListViewId, "", 0, 0), 1);
    EXPECT_EQ(List(3, kListViewId, "", 0, 0), 0);
}

TEST_F(ListTest, ListObjectsHoldLinesWithoutAWindow)
{
    const int object = List(1, 0, "", 0, 0);
    ASSERT_GE(object, 0);
    ASSERT_LE(object, 99);
    EXPECT_EQ(List(3, object, "", 0, 0), 0);
    EXPECT_EQ(List(2, object, "z", 0, 0), 1);
    EXPECT_EQ(List(2, object, "", 0, 0), 1);
    List(12, object, "a", 0, 0);
    EXPECT_EQ(LinesOf(object), (Lines{"a", "z", " "}));
    List(15, object, "", 0, 0);
    EXPECT_EQ(LinesOf(object), (Lines{" ", "a", "z"}));

    Fill(IDC_RESULT_LIST, {"from", "the box"});
    EXPECT_EQ(List(17, object, "", IDC_RESULT_LIST, 0), 5);
    EXPECT_EQ(List(18, IDC_RESULT_LIST, "", object, 0), 5);
    EXPECT_EQ(LinesOf(IDC_RESULT_LIST), (Lines{" ", "a", "z", "from", "the box"}));
    EXPECT_EQ(List(4, object, "", 0, 0), 1);
    EXPECT_EQ(List(17, IDC_RESULT_LIST, "", object, 0), 0);   // the source is empty
    EXPECT_EQ(List(3, IDC_RESULT_LIST, "", 0, 0), 5);

    const int second = List(1, 0, "", 0, 0);
    EXPECT_NE(second, object);
}

}  // namespace
