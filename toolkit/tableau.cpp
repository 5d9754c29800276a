// Tableau: numbered commands on a StringArray.
//
//  1 append                       11 write items to a text file (replace)
//  2 append unless present        12 append items to a text file
//  3 insert at a position         13 read a text file into items
//  4 sort                         14 items into a list control
//  5 empty repeated neighbours    15 lines of a list control into items
//  6 close up empty items         16 folders of a wildcard pattern
//  7 reverse                      17 files of a wildcard pattern
//  8 find                         18 write items index..last to a text file
//  9 split a text                 19 folder tree, breadth-first
// 10 join into a text             21 delete at a position
//
// Choices of this toolkit:
// - Code 4 sorts ascending (A before B) by default and descending with an
//   option text that starts with "DESC".
// - Code 10 joins with CR LF when no separator is given: the line end of the
//   text files below, and the first separator that code 9 looks for.
// - Text files (codes 11, 12, 13, 18) hold one item per line ended by CR LF;
//   bytes are written and read as they are (cp1252). Reading also takes lines
//   ended by a lone LF, and a last line without an end.
#include "toolkit/tableau.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "toolkit/dir_search.h"
#include "toolkit/folder_tree.h"
#include "toolkit/list.h"
#include "toolkit/path.h"

namespace {

const int kFolderBit = 0x10;
const int kListingMask = 0x37;     // read-only, hidden, system, folder, archive

bool IsDotEntry(const Text& name)
{
    return name == "." || name == "..";
}

// Makes sure the array has element 0, so that items start at index 1.
void EnsureStorage(StringArray& array)
{
    if (array.elements.empty())
        array.elements.emplace_back();
}

int AppendUnlessPresent(StringArray& array, const Text& text, int flag)
{
    const bool exact = flag != 1;
    for (int i = 1; i <= UpperBound(array); ++i) {
        if (CompareItems(Element(array, i), text, exact) == 0)
            return 0;
    }
    return AppendItem(array, text);
}

int InsertAt(StringArray& array, const Text& text, int index)
{
    // Index 0 would push item 1 into the unused element 0: it counts as 1 too.
    if (index < 1)
        index = 1;
    if (index > UpperBound(array))
        return AppendItem(array, text);
    array.elements.insert(array.elements.begin() + index, text);
    return UpperBound(array);
}

bool WantsDescending(const Text& option)
{
    return UpperAscii(TrimBlanks(option)).compare(0, 4, "DESC") == 0;
}

// Shrinking-gap exchange sort: gap = count / 2, halved once a gap is
// settled; passes at a gap swap out-of-order pairs (i, i + gap), each pass
// ending where the previous one last swapped, until a pass swaps nothing.
void SortItems(StringArray& array, bool exact, bool descending)
{
    const int count = UpperBound(array);
    for (int gap = count / 2; gap > 0; gap /= 2) {
        int limit = count - gap;
        while (limit > 0) {
            int lastSwap = 0;
            for (int i = 1; i <= limit; ++i) {
                const int order = CompareItems(Element(array, i), Element(array, i + gap), exact);
                if (descending ? order < 0 : order > 0) {
                    std::swap(Element(array, i), Element(array, i + gap));
                    lastSwap = i;
                }
            }
            limit = lastSwap - 1;
        }
    }
}

void EmptyRepeats(StringArray& array, bool exact)
{
    for (int i = 1; i < UpperBound(array); ++i) {
        if (CompareItems(Element(array, i), Element(array, i + 1), exact) == 0)
            Element(array, i).clear();
    }
}

void CloseUpEmpty(StringArray& array)
{
    const int count = UpperBound(array);
    int kept = 0;
    for (int i = 1; i <= count; ++i) {
        if (Element(array, i).empty())
            continue;
        ++kept;
        if (kept != i)
            Element(array, kept) = std::move(Element(array, i));
    }
    if (kept > 0)
        array.elements.resize(kept + 1);
}

void ReverseItems(StringArray& array)
{
    if (UpperBound(array) > 1)
        std::reverse(array.elements.begin() + 1, array.elements.end());
}

int FindItem(const StringArray& array, const Text& text, int flag)
{
    const Text wanted = FoldCase(text);
    for (int i = 1; i <= UpperBound(array); ++i) {
        const Text item = FoldCase(Element(array, i));
        if (flag == 1 ? item == wanted : item.find(wanted) != Text::npos)
            return i;
    }
    return -1;
}

const char* const kSeparators[] = {"\r\n", "\n\r", "\r", "\n", "\t", "|", ";", ","};

int SplitText(StringArray& array, const Text& text, Text& separator)
{
    ResetArray(array);
    if (text.empty())
        return -1;
    if (separator.empty()) {
        for (const char* candidate : kSeparators) {
            if (text.find(candidate) != Text::npos) {
                separator = candidate;
                break;
            }
        }
        if (separator.empty())
            return -1;
    }
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        if (end == Text::npos) {
            AppendItem(array, text.substr(start));
            break;
        }
        AppendItem(array, text.substr(start, end - start));
        start = end + separator.size();
    }
    return UpperBound(array);
}

int JoinItems(const StringArray& array, Text& text, const Text& separator)
{
    const Text joint = separator.empty() ? Text("\r\n") : separator;
    text.clear();
    for (int i = 1; i <= UpperBound(array); ++i)
        text += Element(array, i) + joint;
    return static_cast<int>(text.size());
}

// Creates every missing folder of the path of `file`.
void CreateFoldersOf(const Text& file)
{
    const Text folder = PathPart(3, file);
    for (size_t at = folder.find_first_of("\\/", 0); at != Text::npos;
         at = folder.find_first_of("\\/", at + 1)) {
        if (at > 0)
            CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
    }
}

// Writes items first..last, one a line ended by CR LF; `skipEmpty` leaves out
// empty items. Returns false when the file cannot be opened.
bool WriteItems(const StringArray& array, const Text& file, bool append, bool skipEmpty,
                int first, int last)
{
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateFoldersOf(file);
    FILE* stream = std::fopen(file.c_str(), append ? "ab" : "wb");
    if (!stream)
        return false;
    for (int i = first; i <= last; ++i) {
        const Text& item = Element(array, i);
        if (skipEmpty && item.empty())
            continue;
        std::fwrite(item.data(), 1, item.size(), stream);
        std::fwrite("\r\n", 1, 2, stream);
    }
    std::fclose(stream);
    return true;
}

int WriteItemsToFile(const StringArray& array, const Text& file, bool append, bool skipEmpty,
              int first, int last)
{
    if (TrimBlanks(file).empty())
        return 0;
    const int count = UpperBound(array);
    if (first < 1)
        first = 1;
    if (last < 0 || last > count)
        last = count;
    if (!WriteItems(array, file, append, skipEmpty, first, last))
        return 0;
    return count;
}

// Appends one line read from a file, without the CR of a CR LF end.
void AppendFileLine(StringArray& array, Text& line, bool skipEmpty)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (!(skipEmpty && line.empty()))
        AppendItem(array, line);
    line.clear();
}

int ReadItemsFromFile(StringArray& array, const Text& file, bool skipEmpty)
{
    if (TrimBlanks(file).empty())
        return 0;
    FILE* stream = std::fopen(file.c_str(), "rb");
    if (!stream)
        return 0;
    EnsureStorage(array);
    Text line;
    bool pending = false;
    for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream)) {
        if (c == '\n') {
            AppendFileLine(array, line, skipEmpty);
            pending = false;
        } else {
            line.push_back(static_cast<char>(c));
            pending = true;
        }
    }
    std::fclose(stream);
    if (pending)
        AppendFileLine(array, line, skipEmpty);
    return UpperBound(array);
}

int ItemsToList(const StringArray& array, int listId, int flag)
{
    if (listId == -1)
        return 0;
    for (int i = 1; i <= UpperBound(array); ++i) {
        if (flag != 0 && Element(array, i).empty())
            continue;
        List(2, listId, Element(array, i), 0, 0);
    }
    return UpperBound(array);
}

int ListToItems(StringArray& array, int listId, int flag)
{
    if (listId == -1)
        return 0;
    EnsureStorage(array);
    const int count = List(3, listId, Text(), 0, 0);
    for (int i = 0; i < count; ++i) {
        const Text line = ListLineText(listId, i, 0);
        if (flag == 1 && TrimBlanks(line).empty())
            continue;
        AppendItem(array, line);
    }
    return UpperBound(array);
}

// Codes 16 and 17: the folders (16, without "." and "..") or the files (17)
// that the pattern matches, appended in the order the search gives them.
int ListFolderEntries(StringArray& array, const Text& pattern, bool folders, bool fullPaths)
{
    const Text prefix = PathPart(3, pattern);
    int attributes = 0;
    for (Text name = DirSearch(pattern, kListingMask, &attributes); !name.empty();
         name = DirSearch(Text(), 0, &attributes)) {
        const bool isFolder = (attributes & kFolderBit) != 0;
        if (isFolder != folders || (isFolder && IsDotEntry(name)))
            continue;
        AppendItem(array, fullPaths ? prefix + name : name);
    }
    return UpperBound(array);
}

int DeleteAt(StringArray& array, int index)
{
    // Index 0 is the unused element, not an item: it is refused like -1.
    if (index < 1 || index > UpperBound(array))
        return -1;
    array.elements.erase(array.elements.begin() + index);
    return UpperBound(array);
}

int UnknownCode(int code)
{
    const Text message = "M\xE9thode \xAB" + std::to_string(code) + "\xBB inconnue !";
    MessageBoxA(nullptr, message.c_str(), "'Tableau'", MB_TASKMODAL | MB_ICONERROR);
    return 0;
}

}  // namespace

int Tableau(int code, StringArray& array, int flag, Text& text, int index, Text& text2, int last)
{
    flag &= 0xFF;
    const bool exact = flag != 0;
    switch (code) {
    case 1: return AppendItem(array, text);
    case 2: return AppendUnlessPresent(array, text, flag);
    case 3: return InsertAt(array, text, index);
    case 4: SortItems(array, exact, WantsDescending(text)); break;
    case 5: EmptyRepeats(array, exact); break;
    case 6: CloseUpEmpty(array); break;
    case 7: ReverseItems(array); break;
    case 8: return FindItem(array, text, flag);
    case 9: return SplitText(array, text, text2);
    case 10: return JoinItems(array, text, text2);
    case 11: return WriteItemsToFile(array, text, false, exact, 1, -1);
    case 12: return WriteItemsToFile(array, text, true, exact, 1, -1);
    case 13: return ReadItemsFromFile(array, text, exact);
    case 14: return ItemsToList(array, index, flag);
    case 15: return ListToItems(array, index, flag);
    case 16: return ListFolderEntries(array, text, true, flag == 1);
    case 17: return ListFolderEntries(array, text, false, flag == 1);
    case 18: return WriteItemsToFile(array, text, false, exact, index, last);
    case 19: return ListFolderTree(array, text);
    case 21: return DeleteAt(array, index);
    default: return UnknownCode(code);
    }
    return UpperBound(array);
}

int Tableau(int code, StringArray& array, int flag, const Text& text)
{
    Text copy = text;
    Text separator;
    return Tableau(code, array, flag, copy, -1, separator, -1);
}
