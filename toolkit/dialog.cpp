#include "toolkit/dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "toolkit/list.h"
#include "toolkit/main_window.h"
#include "toolkit/msg_box.h"
#include "toolkit/object_pos.h"

namespace {

// Every descendant of the main window that has an identifier, gathered on
// the first lookup; `owner` is the main window it was gathered from.
struct ControlTable {
    HWND owner = nullptr;
    std::vector<std::pair<int, HWND>> entries;
};
ControlTable g_controls;

// While set, the main window shows the application-starting cursor.
bool g_busy = false;

const int kAbsent = -1;

BOOL CALLBACK CollectControl(HWND window, LPARAM)
{
    const int id = GetDlgCtrlID(window);
    if (id != 0)
        g_controls.entries.emplace_back(id, window);
    return TRUE;
}

// Fills the table from the main window; again when the main window changed,
// so the table never names the controls of a window that is gone.
void FillControlTable(HWND main)
{
    if (g_controls.owner == main && !g_controls.entries.empty())
        return;
    g_controls.owner = main;
    g_controls.entries.clear();
    EnumChildWindows(main, CollectControl, 0);
}

int StyleLowByte(HWND window)
{
    return static_cast<int>(GetWindowLongA(window, GWL_STYLE) & 0xFF);
}

bool IsCheckStyle(int lowByte)
{
    return lowByte == BS_CHECKBOX || lowByte == BS_AUTOCHECKBOX || lowByte == BS_RADIOBUTTON ||
           lowByte == BS_3STATE || lowByte == BS_AUTO3STATE || lowByte == BS_AUTORADIOBUTTON;
}

bool IsTextButtonStyle(int lowByte)
{
    return lowByte == BS_PUSHBUTTON || lowByte == BS_DEFPUSHBUTTON || lowByte == BS_GROUPBOX ||
           lowByte == BS_USERBUTTON || lowByte == BS_LEFTTEXT;
}

void SetText(HWND window, const Text& text)
{
    SetWindowTextA(window, text.c_str());
}

// --- Command 1: the mouse cursor by name ------------------------------------

struct CursorName {
    const char* name;
    int cursor;
};

const CursorName kCursors[] = {
    {"WAIT", 32514}, {"APPSTARTING", 32650}, {"ICON", 32641}, {"ARROW", 32512},
    {"CROSS", 32515}, {"IBEAM", 32513}, {"SIZE", 32640}, {"NESW", 32643},
    {"NS", 32645}, {"NWSE", 32642}, {"WE", 32644}, {"UP", 32516},
    {"NO", 32648}, {"HAND", 32649}, {"HELP", 32651}, {"ALL", 32646},
};

int CursorOfName(const Text& name)
{
    for (const CursorName& entry : kCursors) {
        if (name == entry.name)
            return entry.cursor;
    }
    return 32512;
}

void UseClassCursor(HCURSOR cursor)
{
    if (MainWindow())
        SetClassLongPtrA(MainWindow(), GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
}

int SetCursorByName(const Text& text)
{
    g_busy = false;
    const Text name = UpperAscii(TrimBlanks(text));
    if (name == "NONE") {
        ShowCursor(FALSE);
        return 1;
    }
    HCURSOR cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(CursorOfName(name)));
    UseClassCursor(cursor);
    SetCursor(cursor);
    ShowCursor(TRUE);
    g_busy = name == "WAIT" || name == "APPSTARTING";
    return 1;
}

int SetCursorFromFile(const Text& text)
{
    UseClassCursor(LoadCursorFromFileA(text.c_str()));
    return 1;
}

int ObsoletePlacement(int id, int n1, int n2, int n3, int n4)
{
    MessageBoxA(nullptr, "Routine obsol\xE8te, \xE0 remplacer par '_ObjectPos'", "'Dialog 'SETPOS'",
                MB_TASKMODAL | MB_ICONINFORMATION);
    int top = n1, left = n2, width = n3, height = n4, right = 0, bottom = 0;
    HWND window = nullptr;
    return _ObjectPos(1, id, top, left, width, height, right, bottom, window);
}

int AcceptDroppedFiles(int id)
{
    if (MainWindow())
        DragAcceptFiles(MainWindow(), id == 1);
    return 1;
}

// --- Command 7: set a control's text or value, by class ---------------------

void SetStaticOrEdit(HWND window, const Text& text, int n1)
{
    SetText(window, text.empty() && n1 != kAbsent ? std::to_string(n1) : text);
}

// The system unchecks the rest of the group when an automatic radio button
// gets BM_SETCHECK; as a plain radio button for the moment of the call, the
// button changes only itself and the others keep their states.
void SetCheckOfThisButtonOnly(HWND window, WPARAM state)
{
    const bool autoRadio = (GetWindowLongA(window, GWL_STYLE) & 0xF) == BS_AUTORADIOBUTTON;
    if (autoRadio)
        SetWindowLongA(window, GWL_STYLE, (GetWindowLongA(window, GWL_STYLE) & ~0xF) | BS_RADIOBUTTON);
    SendMessageA(window, BM_SETCHECK, state, 0);
    if (autoRadio)
        SetWindowLongA(window, GWL_STYLE, (GetWindowLongA(window, GWL_STYLE) & ~0xF) | BS_AUTORADIOBUTTON);
}

void SetButton(HWND window, const Text& text)
{
    const int lowByte = StyleLowByte(window);
    if (IsCheckStyle(lowByte)) {
        const Text word = UpperAscii(TrimBlanks(text));
        WPARAM state = BST_UNCHECKED;
        if (word == "1" || word == "OUI")
            state = BST_CHECKED;
        else if (word == "?")
            state = BST_INDETERMINATE;
        SetCheckOfThisButtonOnly(window, state);
        return;
    }
    if (IsTextButtonStyle(lowByte))
        SetText(window, text);
}

void SetComboBox(HWND window, const Text& text)
{
    const int kind = static_cast<int>(GetWindowLongA(window, GWL_STYLE) & 3);
    if (kind == CBS_SIMPLE || kind == CBS_DROPDOWN)
        SetText(window, text);
}

// Parts cut at tabs: part i gets the i-th piece, at most 11 parts.
void SetStatusParts(HWND window, const Text& text)
{
    size_t start = 0;
    for (int part = 0; part <= 10; ++part) {
        const size_t tab = text.find('\t', start);
        const Text piece = text.substr(start, tab == Text::npos ? Text::npos : tab - start);
        SendMessageA(window, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(piece.c_str()));
        if (tab == Text::npos)
            return;
        start = tab + 1;
        if (start >= text.size())
            return;
    }
}

void SetControlValue(const Text& tag, HWND window, const Text& text, int n1, int n2, int n3)
{
    if (n3 == kAbsent)
        n3 = 0;
    if (tag == "Static" || tag == "Edit") {
        SetStaticOrEdit(window, text, n1);
    } else if (tag == "Button") {
        SetButton(window, text);
    } else if (tag == "ComboBox") {
        SetComboBox(window, text);
    } else if (tag == "msctls_progress32") {
        if (n2 >= 0)
            SendMessageA(window, PBM_SETRANGE, 0, MAKELPARAM(n3, n2));
        SendMessageA(window, PBM_SETPOS, n1, 0);
    } else if (tag == "msctls_trackbar32") {
        if (n2 >= 0)
            SendMessageA(window, TBM_SETRANGE, TRUE, MAKELPARAM(n3, n2));
        SendMessageA(window, TBM_SETPOS, TRUE, n1);
    } else if (tag == "ScrollBar") {
        if (n2 >= 0)
            SendMessageA(window, SBM_SETRANGEREDRAW, n3, n2 & 0xFFFF);
        SendMessageA(window, SBM_SETPOS, n1, TRUE);
    } else if (tag == "msctls_updown32") {
        if (n2 >= 0)
            SendMessageA(window, UDM_SETRANGE, 0, MAKELPARAM(n3, n2));
        SendMessageA(window, UDM_SETPOS, 0, MAKELPARAM(n1 & 0xFFFF, 0));
    } else if (tag == "msctls_statusbar32") {
        SetStatusParts(window, text);
    }
    // Shown at once: a long run returns to the message loop only through its pump.
    UpdateWindow(window);
}

// --- Other commands on a found control ---------------------------------------

// Without a tab: simple mode. With tabs: the pieces are the parts' right edges.
void SetStatusLayout(HWND window, const Text& text)
{
    if (text.find('\t') == Text::npos) {
        SendMessageA(window, SB_SIMPLE, TRUE, 0);
        return;
    }
    SendMessageA(window, SB_SIMPLE, FALSE, 0);
    std::vector<int> edges;
    size_t start = 0;
    while (edges.size() < 256) {
        const size_t tab = text.find('\t', start);
        const Text piece = text.substr(start, tab == Text::npos ? Text::npos : tab - start);
        edges.push_back(static_cast<int>(std::lround(std::strtod(piece.c_str(), nullptr))));
        if (tab == Text::npos)
            break;
        start = tab + 1;
    }
    SendMessageA(window, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void ClearSelection(const Text& tag, HWND window)
{
    if (tag == "ListBox")
        SendMessageA(window, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    else if (tag == "ComboBox")
        SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void DispatchOneMouseMessage(HWND window)
{
    MSG message = {};
    if (!PeekMessageA(&message, window, WM_MOUSEFIRST, 0x020D, PM_REMOVE))
        return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

void MakePassword(HWND window)
{
    SetWindowLongA(window, GWL_STYLE, GetWindowLongA(window, GWL_STYLE) | ES_PASSWORD);
    SendMessageA(window, EM_SETPASSWORDCHAR, '*', 0);
}

int ControlCommand(int code, const Text& tag, HWND window, const Text& text, int n1, int n2, int n3)
{
    switch (code) {
    case 5:
        UpdateWindow(window);
        return 0;
    case 6:
        UpdateWindow(MainWindow());
        return 0;
    case 7:
        SetControlValue(tag, window, text, n1, n2, n3);
        return 1;
    case 8:
        if (tag == "msctls_statusbar32")
            SetStatusLayout(window, text);
        return 0;
    case 9:
        return 0;
    case 10:
        if (tag == "Button")
            SendMessageA(window, 0x0401, n1, 0);
        return 0;
    case 11:
        ClearSelection(tag, window);
        return 0;
    case 12:
    case 13:
        EnableWindow(window, code == 12);
        return 0;
    case 14:
    case 15:
        SetFocus(window);
        return 0;
    case 16:
    case 17:
        ShowWindow(window, code == 16 ? SW_HIDE : SW_SHOW);
        return 0;
    case 18:
        DispatchOneMouseMessage(window);
        return 0;
    case 19:
        if (tag == "Edit")
            MakePassword(window);
        return 0;
    default:
        return UnknownMethod("'Dialog'", code);
    }
}

// --- Reading a control ------------------------------------------------------

Text ButtonText(HWND window)
{
    const int lowByte = StyleLowByte(window);
    if (IsCheckStyle(lowByte))
        return SendMessageA(window, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
    if (IsTextButtonStyle(lowByte))
        return WindowText(window);
    return Text();
}

Text SelectedTabText(HWND window)
{
    const LRESULT selected = SendMessageA(window, TCM_GETCURSEL, 0, 0);
    if (selected < 0)
        return Text();
    char buffer[256] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 255;
    SendMessageA(window, TCM_GETITEMA, selected, reinterpret_cast<LPARAM>(&item));
    return Text(item.pszText ? item.pszText : "");
}

Text Decimal(LRESULT value)
{
    return std::to_string(static_cast<long>(value));
}

}  // namespace

HWND FindControl(int id)
{
    HWND main = MainWindow();
    if (!main)
        return nullptr;
    FillControlTable(main);
    // The table lists the children in z-order, as the system searches them:
    // a listed window that is still a direct child with that identifier is
    // the one the system would find, without asking it for the list of
    // children on every command.
    for (const auto& entry : g_controls.entries) {
        if (entry.first == id && IsWindow(entry.second) && GetParent(entry.second) == main &&
            GetDlgCtrlID(entry.second) == id)
            return entry.second;
    }
    if (HWND child = GetDlgItem(main, id))
        return child;
    // A window of the table that has been destroyed since is never handed out.
    for (const auto& entry : g_controls.entries) {
        if (entry.first == id && IsWindow(entry.second))
            return entry.second;
    }
    return nullptr;
}

Text ControlClass(int id, HWND* window, int* object)
{
    if (id == -1 || (id >= 0 && id <= 99)) {
        if (object)
            *object = id;
        return id == -1 ? "New_VDS_List" : "VDS_List";
    }
    if (id < -1)
        return Text();
    HWND found = FindControl(id);
    if (window)
        *window = found;
    if (!found)
        return Text();
    char name[255] = {};
    GetClassNameA(found, name, sizeof name);
    return name;
}

Text WindowText(HWND window)
{
    bool fromSystem = true;
    int length = GetWindowTextLengthA(window);
    if (length <= 0) {
        fromSystem = false;
        length = static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    }
    if (length <= 0)
        return Text();
    std::vector<char> buffer(length + 2, '\0');
    if (fromSystem)
        GetWindowTextA(window, buffer.data(), length + 2);
    else
        SendMessageA(window, WM_GETTEXT, length + 2, reinterpret_cast<LPARAM>(buffer.data()));
    return Text(buffer.data());
}

int Dialog(int code, int id, const Text& text, int n1, int n2, int n3, int n4)
{
    HWND window = nullptr;
    const Text tag = ControlClass(id, &window, nullptr);
    switch (code) {
    case 1:
        return SetCursorByName(text);
    case 2:
        return SetCursorFromFile(text);
    case 3:
        return ObsoletePlacement(id, n1, n2, n3, n4);
    case 4:
        return AcceptDroppedFiles(id);
    default:
        break;
    }
    if (tag == "VDS_List" || !window)
        return 0;
    return ControlCommand(code, tag, window, text, n1, n2, n3);
}

Text ControlText(int id)
{
    HWND window = nullptr;
    const Text tag = ControlClass(id, &window, nullptr);
    if (!window)
        return Text();
    if (tag == "Button")
        return ButtonText(window);
    if (tag == "Static" || tag == "Edit" || tag == "msctls_statusbar32" || tag == "ComboBox" ||
        tag == "ComboBoxEx32")
        return WindowText(window);
    if (tag == "ListBox")
        return ListLineText(id, -1, 0);
    if (tag == "msctls_progress32")
        return Decimal(SendMessageA(window, PBM_DELTAPOS, 0, 0));
    if (tag == "msctls_trackbar32")
        return Decimal(SendMessageA(window, TBM_GETPOS, 0, 0));
    if (tag == "ScrollBar")
        return Decimal(SendMessageA(window, SBM_GETPOS, 0, 0));
    if (tag == "msctls_updown32")
        return Decimal(LOWORD(SendMessageA(window, UDM_GETPOS, 0, 0)));
    if (tag == "SysTabControl32")
        return SelectedTabText(window);
    return Text();
}

bool IsBusy()
{
    return g_busy;
}
