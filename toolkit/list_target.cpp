#include "toolkit/list_target.h"

#include <commctrl.h>

#include <algorithm>

#include "toolkit/dialog.h"
#include "toolkit/list_objects.h"

namespace list_target {

static Kind KindOfTag(const Text& tag)
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

LRESULT Send(const Target& target, UINT message, WPARAM wParam, LPARAM lParam)
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
static Text BoxLine(const Target& target, UINT lengthMessage, UINT textMessage, int index)
{
    const int length = static_cast<int>(Send(target, lengthMessage, index));
    if (length < 0)
        return Text();
    Text buffer(length + 5, ' ');
    Send(target, textMessage, index, reinterpret_cast<LPARAM>(&buffer[0]));
    return buffer.substr(0, length);
}

static Text ListViewText(const Target& target, int index, int column)
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

}  // namespace list_target
