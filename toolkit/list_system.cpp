#include "toolkit/list_system.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "toolkit/dialog.h"
#include "toolkit/main_window.h"
#include "toolkit/string_array.h"
#include "toolkit/tableau.h"

namespace list_target {

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

static Text ClipboardText()
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

static Text WindowField(char letter, HWND window, int place)
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

static BOOL CALLBACK AddWindowLine(HWND window, LPARAM data)
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
static Text DefaultPrinter()
{
    char device[512] = {};
    GetProfileStringA("windows", "device", "", device, sizeof device);
    const Text entry = device;
    return entry.substr(0, entry.find(','));
}

static bool PrintPages(HDC printer, const std::vector<Text>& lines)
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

}  // namespace list_target
