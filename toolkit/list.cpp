// List: numbered commands on anything that holds lines. The target is named
// by identifier and its class tag (ControlClass) decides how it is handled:
// list box, combo box, list view, or in-memory list object (0 to 99).
//
//  1 new list object (its id)         18 empty, then 17
//  2 add a line ("" adds " ")         19 empty, then 20 (a blank text: nothing)
//  3 count                            20 add the lines of the text (CR/LF)
//  4, 5 remove all lines              21 all lines joined by CR LF into the text
//  6 select line N1                   22 all lines joined by CR LF to the clipboard
//  7, 8 selected line                 23 add the lines of the clipboard's text
//  9 number of selected lines         24 add the files of a wildcard pattern
// 10 caret on line N1                 25 add the folders of a wildcard pattern
// 11 delete line N1                   26 empty, then one line per top-level window
// 12 insert before line N1            27 empty, then the lines of a text file
// 13 replace line N1                  28 write the lines to a text file
// 14 select the next line that begins 29 print the lines (Courier New 10)
//    with the text                    30 empty, then the files last dropped
// 15 sort (text "", "ASC[ENDING]":    31 obsolete font list: a box
//    ascending, else descending)      32 horizontal extent of a list box
// 16 sort descending                  33 empty, then one line per process
// 17 add all lines of list N1         34 remove duplicate lines
// 101, 102 list-view columns and item texts; other codes: nothing, 0.
//
// Indexes count from 0; "clamped" moves an index into 0 to count - 1.
// Commands whose result no caller relies on (6, 10 to 16, 32) return 1 when
// they acted and 0 when there was nothing to act on. Every command but 1
// repaints a target window before it returns (UpdateWindow).
#include "toolkit/list.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "toolkit/dialog.h"
#include "toolkit/list_objects.h"
#include "toolkit/list_system.h"
#include "toolkit/list_target.h"
#include "toolkit/string_array.h"
namespace {

using namespace list_target;

std::vector<Text> droppedFiles;

// List windows whose drawing is suspended (SetListDrawing).
std::vector<HWND> heldWindows;

bool DrawingHeld(HWND window)
{
    return std::find(heldWindows.begin(), heldWindows.end(), window) != heldWindows.end();
}

// Repaints a list window at once, unless its drawing is suspended: then
// there is nothing to draw until it is resumed.
void RepaintNow(HWND window)
{
    if (window && !DrawingHeld(window))
        UpdateWindow(window);
}

// --- Commands -------------------------------------------------------------

int AddLine(const Target& target, const Text& text)
{
    return PutLine(target, -1, text) ? 1 : 0;
}

int RemoveAll(const Target& target)
{
    return ClearLines(target) ? 1 : 0;
}

int Select(const Target& target, int n1)
{
    if (target.count == 0)
        return 0;
    SelectLine(target, Clamp(target, n1));
    return 1;
}

int SelectedCount(const Target& target)
{
    if (target.count == 0)
        return 0;
    if (target.kind == Kind::ListBox) {
        const int count = static_cast<int>(Send(target, LB_GETSELCOUNT));
        if (count != LB_ERR)
            return count;
    }
    if (target.kind == Kind::ListView)
        return static_cast<int>(Send(target, LVM_GETSELECTEDCOUNT));
    return SelectedLine(target) >= 0 ? 1 : 0;
}

int SetCaret(const Target& target, int n1)
{
    if (target.count == 0)
        return 0;
    if (target.kind == Kind::ListBox)
        Send(target, LB_SETCARETINDEX, Clamp(target, n1), FALSE);
    else
        SelectLine(target, Clamp(target, n1));
    return 1;
}

int DeleteAndSelect(const Target& target, int n1)
{
    if (n1 < 0 || n1 >= target.count)
        return 0;
    DeleteLine(target, n1);
    const int count = LineCount(target);
    if (count > 0)
        SelectLine(target, std::min(n1, count - 1));
    return 1;
}

int InsertAndSelect(const Target& target, const Text& text, int n1)
{
    if (target.kind == Kind::None)
        return 0;
    const int index = std::max(0, n1);
    if (!PutLine(target, index, text))
        return 0;
    SelectLine(target, index);
    return 1;
}

int ReplaceLine(const Target& target, const Text& text, int n1)
{
    if (n1 < 0 || n1 >= target.count)
        return 0;
    DeleteLine(target, n1);
    PutLine(target, n1, text);
    RepaintNow(target.window);
    SelectLine(target, n1);
    return 1;
}

bool StartsWithIgnoringCase(const Text& line, const Text& prefix)
{
    return line.size() >= prefix.size() &&
           CompareItems(line.substr(0, prefix.size()), prefix, false) == 0;
}

int SelectByPrefix(const Target& target, const Text& text)
{
    const WPARAM start = static_cast<WPARAM>(SelectedLine(target));
    const LPARAM pointer = reinterpret_cast<LPARAM>(text.c_str());
    if (target.kind == Kind::ListBox)
        return static_cast<int>(Send(target, LB_SELECTSTRING, start, pointer));
    if (target.kind == Kind::ComboBox)
        return static_cast<int>(Send(target, CB_SELECTSTRING, start, pointer));
    const int from = static_cast<int>(start);
    for (int step = 1; step <= target.count; ++step) {
        const int index = (from + step + target.count) % target.count;
        if (StartsWithIgnoringCase(LineAt(target, index, 0), text)) {
            SelectLine(target, index);
            return index;
        }
    }
    return -1;
}

int SortLines(const Target& target, bool descending)
{
    if (target.kind == Kind::None)
        return 0;
    std::vector<Text> lines = AllLines(target);
    std::stable_sort(lines.begin(), lines.end(), [descending](const Text& a, const Text& b) {
        const int order = CompareItems(a, b, false);
        return descending ? order > 0 : order < 0;
    });
    ClearLines(target);
    AddLines(target, lines);
    return 1;
}

bool WantsAscending(const Text& text)
{
    const Text order = UpperAscii(TrimBlanks(text));
    return order.empty() || order == "ASC" || order == "ASCENDING";
}

int AppendList(const Target& target, int sourceId, bool emptyFirst)
{
    const std::vector<Text> lines = AllLines(OpenTarget(sourceId));
    if (emptyFirst)
        ClearLines(target);
    if (lines.empty())
        return 0;
    AddLines(target, lines);
    return LineCount(target);
}

int AppendTextLines(const Target& target, const Text& text, bool emptyFirst)
{
    const Text trimmed = TrimBlanks(text);
    if (trimmed.empty())
        return 0;
    if (emptyFirst)
        ClearLines(target);
    AddLines(target, SplitLines(trimmed));
    return 0;
}

int JoinIntoText(const Target& target, Text& text)
{
    const std::vector<Text> lines = AllLines(target);
    text = JoinLines(lines);
    return static_cast<int>(lines.size());
}

int ListDroppedFiles(const Target& target)
{
    ClearLines(target);
    if (droppedFiles.empty())
        return 0;
    AddLines(target, droppedFiles);
    return LineCount(target);
}

int ObsoleteFontList()
{
    MessageBoxA(nullptr, "Obsol\xE8te: utiliser 'FontList()'.", "'List\\FONTLIST'",
                MB_TASKMODAL | MB_ICONINFORMATION);
    return 0;
}

int SetHorizontalExtent(const Target& target, int n1)
{
    if (target.kind != Kind::ListBox)
        return 0;
    RECT client = {};
    GetClientRect(target.window, &client);
    const int factor = n1 == 0 ? 10 : n1;
    Send(target, LB_SETHORIZONTALEXTENT, (client.right - client.left) * factor);
    return 1;
}

int RemoveDuplicates(const Target& target, const Text& option)
{
    const bool dropBlank = UpperAscii(TrimBlanks(option)) == "SANS_VIDE";
    std::unordered_set<Text> seen;
    std::vector<Text> kept;
    for (const Text& line : AllLines(target)) {
        if (dropBlank && TrimBlanks(line).empty())
            continue;
        if (seen.insert(FoldCase(line)).second)
            kept.push_back(line);
    }
    if (static_cast<int>(kept.size()) != target.count) {
        ClearLines(target);
        AddLines(target, kept);
    }
    return LineCount(target);
}

// Codes 101 and 102 of list views: 101 adds a column headed by the text, N1
// pixels wide (100 when absent) and returns its index; 102 sets the text of
// item N1 in column N2. The other list-view codes do nothing.
int ListViewCommand(const Target& target, int code, const Text& text, int n1, int n2)
{
    if (target.kind != Kind::ListView)
        return 0;
    if (code == 101) {
        HWND header = reinterpret_cast<HWND>(Send(target, LVM_GETHEADER));
        const int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(text.c_str());
        column.cx = n1 < 0 ? 100 : n1;
        return static_cast<int>(Send(target, LVM_INSERTCOLUMNA, std::max(0, columns),
                                     reinterpret_cast<LPARAM>(&column)));
    }
    if (code == 102 && n1 >= 0 && n1 < target.count) {
        LVITEMA item = {};
        item.iSubItem = std::max(0, n2);
        item.pszText = const_cast<char*>(text.c_str());
        return Send(target, LVM_SETITEMTEXTA, n1, reinterpret_cast<LPARAM>(&item)) ? 1 : 0;
    }
    return 0;
}

int Perform(const Target& target, int code, Text& text, int n1, int n2)
{
    if (code >= 100 && code <= 150)
        return ListViewCommand(target, code, text, n1, n2);
    switch (code) {
    case 2: return AddLine(target, text);
    case 3: return target.count;
    case 4:
    case 5: return RemoveAll(target);
    case 6: return Select(target, n1);
    case 7:
    case 8: return SelectedLine(target);
    case 9: return SelectedCount(target);
    case 10: return SetCaret(target, n1);
    case 11: return DeleteAndSelect(target, n1);
    case 12: return InsertAndSelect(target, text, n1);
    case 13: return ReplaceLine(target, text, n1);
    case 14: return SelectByPrefix(target, text);
    case 15: return SortLines(target, !WantsAscending(text));
    case 16: return SortLines(target, true);
    case 17: return AppendList(target, n1, false);
    case 18: return AppendList(target, n1, true);
    case 19: return AppendTextLines(target, text, true);
    case 20: return AppendTextLines(target, text, false);
    case 21: return JoinIntoText(target, text);
    case 22: return CopyToClipboard(target);
    case 23: return AppendClipboard(target);
    case 24: return AppendFolderEntries(target, text, false, n1);
    case 25: return AppendFolderEntries(target, text, true, n1);
    case 26: return ListWindows(target, text);
    case 27: return ReadTextFile(target, text);
    case 28: return WriteTextFile(target, text);
    case 29: return PrintLines(target);
    case 30: return ListDroppedFiles(target);
    case 31: return ObsoleteFontList();
    case 32: return SetHorizontalExtent(target, n1);
    case 33: return ListProcesses(target);
    case 34: return RemoveDuplicates(target, text);
    default: return 0;
    }
}

}  // namespace

int List(int code, int id, Text& text, int n1, int n2)
{
    if (code == 1)
        return NewListObject();
    const Target target = OpenTarget(id);
    if (code == 12 && n1 > target.count - 1)
        code = 2;
    const int result = Perform(target, code, text, n1, n2);
    RepaintNow(target.window);
    return result;
}

void SetListDrawing(int id, bool drawing)
{
    HWND window = nullptr;
    ControlClass(id, &window, nullptr);
    if (!window || drawing != DrawingHeld(window))
        return;
    if (drawing) {
        heldWindows.erase(std::find(heldWindows.begin(), heldWindows.end(), window));
        SendMessageA(window, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        return;
    }
    SendMessageA(window, WM_SETREDRAW, FALSE, 0);
    heldWindows.push_back(window);
}

int List(int code, int id, const Text& text, int n1, int n2)
{
    Text copy = text;
    return List(code, id, copy, n1, n2);
}

Text ListLineText(int id, int index, int column)
{
    return LineAt(OpenTarget(id), index, column);
}

void RememberDroppedFiles(const std::vector<Text>& names)
{
    droppedFiles = names;
}
