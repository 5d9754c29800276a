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
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "toolkit/dialog.h"
#include "toolkit/list_objects.h"
#include "toolkit/main_window.h"
#include "toolkit/path.h"
#include "toolkit/string_array.h"
#include "toolkit/tableau.h"

namespace {

enum class Kind { None, ListBox, ComboBox, ListView, Object };

// The working record of one call: what the identifier names and its line
// count when the call began.
struct Target {
    Kind kind = Kind::None;
    HWND window = nullptr;
    std::vector<Text>* object = nullptr;
    int count = 0;
};

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

Kind KindOfTag(const Text& tag)
{
    if (tag == "ListBox")
        return Kind::ListBox;
    if (tag == "ComboBox")
        return Kind::ComboBox;
    if (tag == "SysListView32")
        return Kind::ListView;
    if (tag == "VDS_List")
        return Kind::Object;
    return Kind::None;
}

LRESULT Send(const Target& target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendMessageA(target.window, message, wParam, lParam);
}

int LineCount(const Target& target)
{
    switch (target.kind) {
    case Kind::ListBox: return std::max<int>(0, Send(target, LB_GETCOUNT));
    case Kind::ComboBox: return std::max<int>(0, Send(target, CB_GETCOUNT));
    case Kind::ListView: return static_cast<int>(Send(target, LVM_GETITEMCOUNT));
    case Kind::Object: return static_cast<int>(target.object->size());
    default: return 0;
    }
}

Target OpenTarget(int id)
{
    Target target;
    int object = -1;
    target.kind = KindOfTag(ControlClass(id, &target.window, &object));
    if (target.kind == Kind::Object)
        target.object = ListObject(object);
    const bool usable = target.kind == Kind::Object ? target.object != nullptr
                                                    : target.window != nullptr;
    if (!usable)
        target.kind = Kind::None;
    target.count = LineCount(target);
    return target;
}

int Clamp(const Target& target, int index)
{
    return std::max(0, std::min(index, target.count - 1));
}

// Reads a list box or combo box line: the length first, then the text into
// a buffer of that length plus five spaces.
Text BoxLine(const Target& target, UINT lengthMessage, UINT textMessage, int index)
{
    const int length = static_cast<int>(Send(target, lengthMessage, index));
    if (length < 0)
        return Text();
    Text buffer(length + 5, ' ');
    Send(target, textMessage, index, reinterpret_cast<LPARAM>(&buffer[0]));
    return buffer.substr(0, length);
}

Text ListViewText(const Target& target, int index, int column)
{
    if (index < 0)
        return Text();
    for (int size = 256;; size *= 2) {
        Text buffer(size, '\0');
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = &buffer[0];
        item.cchTextMax = size;
        const int length = static_cast<int>(
            Send(target, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)));
        if (length < size - 1 || size >= 65536)
            return Text(item.pszText, std::min(length, size));
    }
}

int SelectedLine(const Target& target)
{
    switch (target.kind) {
    case Kind::ListBox: return static_cast<int>(Send(target, LB_GETCURSEL));
    case Kind::ComboBox: return static_cast<int>(Send(target, CB_GETCURSEL));
    case Kind::ListView: return static_cast<int>(Send(target, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    default: return -1;
    }
}

Text LineAt(const Target& target, int index, int column)
{
    switch (target.kind) {
    case Kind::ListBox:
        return BoxLine(target, LB_GETTEXTLEN, LB_GETTEXT, index < 0 ? SelectedLine(target) : index);
    case Kind::ComboBox:
        return BoxLine(target, CB_GETLBTEXTLEN, CB_GETLBTEXT, index < 0 ? SelectedLine(target) : index);
    case Kind::ListView:
        return ListViewText(target, index < 0 ? SelectedLine(target) : index, column);
    case Kind::Object:
        if (index < 0 || index >= static_cast<int>(target.object->size()))
            return Text();
        return (*target.object)[index];
    default:
        return Text();
    }
}

std::vector<Text> AllLines(const Target& target)
{
    std::vector<Text> lines;
    const int count = LineCount(target);
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines.push_back(LineAt(target, i, 0));
    return lines;
}

// Inserts a line at `index` (-1: at the end). An empty text becomes one
// space, so that an empty line is still a visible line. False when the
// control refuses the line.
bool PutLine(const Target& target, int index, const Text& text)
{
    const Text line = text.empty() ? Text(" ") : text;
    const LPARAM pointer = reinterpret_cast<LPARAM>(line.c_str());
    switch (target.kind) {
    case Kind::ListBox:
        return Send(target, index < 0 ? LB_ADDSTRING : LB_INSERTSTRING, index, pointer) != LB_ERR;
    case Kind::ComboBox:
        return Send(target, index < 0 ? CB_ADDSTRING : CB_INSERTSTRING, index, pointer) != CB_ERR;
    case Kind::ListView: {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = index < 0 ? LineCount(target) : index;
        item.pszText = const_cast<char*>(line.c_str());
        return Send(target, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) != -1;
    }
    case Kind::Object:
        if (index < 0 || index > static_cast<int>(target.object->size()))
            target.object->push_back(line);
        else
            target.object->insert(target.object->begin() + index, line);
        return true;
    default:
        return true;
    }
}

int AddLines(const Target& target, const std::vector<Text>& lines)
{
    int added = 0;
    for (const Text& line : lines)
        added += PutLine(target, -1, line) ? 1 : 0;
    return added;
}

void DeleteLine(const Target& target, int index)
{
    switch (target.kind) {
    case Kind::ListBox: Send(target, LB_DELETESTRING, index); break;
    case Kind::ComboBox: Send(target, CB_DELETESTRING, index); break;
    case Kind::ListView: Send(target, LVM_DELETEITEM, index); break;
    case Kind::Object: target.object->erase(target.object->begin() + index); break;
    default: break;
    }
}

bool ClearLines(const Target& target)
{
    switch (target.kind) {
    case Kind::ListBox: Send(target, LB_RESETCONTENT); return true;
    case Kind::ComboBox: Send(target, CB_RESETCONTENT); return true;
    case Kind::ListView: Send(target, LVM_DELETEALLITEMS); return true;
    case Kind::Object: target.object->clear(); return true;
    default: return false;
    }
}

void SelectLine(const Target& target, int index)
{
    switch (target.kind) {
    case Kind::ListBox: Send(target, LB_SETCURSEL, index); break;
    case Kind::ComboBox: Send(target, CB_SETCURSEL, index); break;
    case Kind::ListView: {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        Send(target, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        Send(target, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
        break;
    }
    default: break;
    }
}

// Cuts a text into lines: CR LF, a lone CR and a lone LF each end a line; a
// line end at the very end starts no further line.
std::vector<Text> SplitLines(const Text& text)
{
    std::vector<Text> lines;
    Text line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            line.push_back(c);
            continue;
        }
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        lines.push_back(line);
        line.clear();
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

Text JoinLines(const std::vector<Text>& lines)
{
    Text joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            joined += "\r\n";
        joined += lines[i];
    }
    return joined;
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

int CopyToClipboard(const Target& target)
{
    const std::vector<Text> lines = AllLines(target);
    const Text joined = JoinLines(lines);
    if (!OpenClipboard(MainWindow()))
        return 0;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, joined.size() + 1);
    if (memory) {
        char* bytes = static_cast<char*>(GlobalLock(memory));
        std::copy(joined.begin(), joined.end(), bytes);
        bytes[joined.size()] = '\0';
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_TEXT, memory))
            GlobalFree(memory);
    }
    CloseClipboard();
    return static_cast<int>(lines.size());
}

Text ClipboardText()
{
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(MainWindow()))
        return Text();
    Text text;
    HANDLE memory = GetClipboardData(CF_TEXT);
    const char* bytes = memory ? static_cast<const char*>(GlobalLock(memory)) : nullptr;
    if (bytes) {
        text = bytes;
        GlobalUnlock(memory);
    }
    CloseClipboard();
    return text;
}

int AppendClipboard(const Target& target)
{
    const Text text = ClipboardText();
    if (text.empty())
        return 0;
    AddLines(target, SplitLines(text));
    return LineCount(target);
}

// Codes 24 and 25: files or folders of a wildcard pattern, through the
// folder listings of Tableau; N1 = 1 puts the pattern's folder in front.
int AppendFolderEntries(const Target& target, const Text& pattern, bool folders, int n1)
{
    StringArray names;
    Tableau(folders ? 16 : 17, names, n1 == 1 ? 1 : 0, pattern);
    std::vector<Text> lines(names.elements.begin() + std::min<size_t>(1, names.elements.size()),
                            names.elements.end());
    return AddLines(target, lines);
}

// Code 26: one line per top-level window, its fields chosen by the letters of
// the text (default "OICT") and separated by tabs:
// O its place in the enumeration (from 1), I its handle (8 hex digits),
// C its class name, T its title, P its process id, V 1 when visible, else 0.
struct WindowListing {
    Text fields;
    std::vector<Text> lines;
};

Text WindowField(char letter, HWND window, int place)
{
    char buffer[256] = {};
    switch (letter) {
    case 'O': return std::to_string(place);
    case 'I':
        std::snprintf(buffer, sizeof buffer, "%08lX",
                      static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
        return buffer;
    case 'C': GetClassNameA(window, buffer, sizeof buffer); return buffer;
    case 'T': return WindowText(window);
    case 'P': {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        return std::to_string(process);
    }
    case 'V': return IsWindowVisible(window) ? "1" : "0";
    default: return Text();
    }
}

BOOL CALLBACK AddWindowLine(HWND window, LPARAM data)
{
    WindowListing& listing = *reinterpret_cast<WindowListing*>(data);
    const int place = static_cast<int>(listing.lines.size()) + 1;
    Text line;
    for (size_t i = 0; i < listing.fields.size(); ++i) {
        if (i > 0)
            line += '\t';
        line += WindowField(listing.fields[i], window, place);
    }
    listing.lines.push_back(line);
    return TRUE;
}

int ListWindows(const Target& target, const Text& text)
{
    WindowListing listing;
    for (char c : UpperAscii(TrimBlanks(text))) {
        if (Text("OICTPV").find(c) != Text::npos)
            listing.fields.push_back(c);
    }
    if (listing.fields.empty())
        listing.fields = "OICT";
    EnumWindows(AddWindowLine, reinterpret_cast<LPARAM>(&listing));
    ClearLines(target);
    AddLines(target, listing.lines);
    return LineCount(target);
}

int ReadTextFile(const Target& target, const Text& file)
{
    ClearLines(target);
    StringArray lines;
    if (Tableau(13, lines, 0, file) == 0)
        return 0;
    return AddLines(target, std::vector<Text>(lines.elements.begin() + 1, lines.elements.end()));
}

int WriteTextFile(const Target& target, const Text& file)
{
    StringArray lines;
    ResetArray(lines);
    for (const Text& line : AllLines(target))
        AppendItem(lines, line);
    if (Tableau(11, lines, 0, file) == 0 && UpperBound(lines) > 0)
        return 0;
    return UpperBound(lines);
}

// The default printer named in the [windows] section, "name,driver,port".
Text DefaultPrinter()
{
    char device[512] = {};
    GetProfileStringA("windows", "device", "", device, sizeof device);
    const Text entry = device;
    return entry.substr(0, entry.find(','));
}

bool PrintPages(HDC printer, const std::vector<Text>& lines)
{
    const int height = -MulDiv(10, GetDeviceCaps(printer, LOGPIXELSY), 72);
    HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             FIXED_PITCH | FF_MODERN, "Courier New");
    HGDIOBJ previous = SelectObject(printer, font);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(printer, &metrics);
    const int lineHeight = std::max<int>(1, metrics.tmHeight + metrics.tmExternalLeading);
    const int pageHeight = GetDeviceCaps(printer, VERTRES);
    bool ok = StartPage(printer) > 0;
    int y = 0;
    for (size_t i = 0; ok && i < lines.size(); ++i) {
        if (y + lineHeight > pageHeight) {
            ok = EndPage(printer) > 0 && StartPage(printer) > 0;
            y = 0;
        }
        TextOutA(printer, 0, y, lines[i].c_str(), static_cast<int>(lines[i].size()));
        y += lineHeight;
    }
    ok = EndPage(printer) > 0 && ok;
    SelectObject(printer, previous);
    DeleteObject(font);
    return ok;
}

// Code 29: prints the lines on the default printer; 1 when the document was
// printed, 0 when there is no printer or printing failed.
int PrintLines(const Target& target)
{
    const Text printer = DefaultPrinter();
    if (printer.empty())
        return 0;
    HDC dc = CreateDCA(nullptr, printer.c_str(), nullptr, nullptr);
    if (!dc)
        return 0;
    DOCINFOA document = {};
    document.cbSize = sizeof document;
    document.lpszDocName = "List";
    bool ok = StartDocA(dc, &document) > 0;
    if (ok) {
        ok = PrintPages(dc, AllLines(target));
        if (ok)
            EndDoc(dc);
        else
            AbortDoc(dc);
    }
    DeleteDC(dc);
    return ok ? 1 : 0;
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

// Code 33: one line per running process: its program name, a tab and its id.
int ListProcesses(const Target& target)
{
    std::vector<Text> lines;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more;
             more = Process32Next(snapshot, &entry))
            lines.push_back(Text(entry.szExeFile) + "\t" + std::to_string(entry.th32ProcessID));
        CloseHandle(snapshot);
    }
    ClearLines(target);
    AddLines(target, lines);
    return LineCount(target);
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
