// The targets of List: what an identifier names (list box, combo box, list
// view or in-memory list object), and the line operations its commands share.
#pragma once

#include <windows.h>

#include <vector>

#include "toolkit/text.h"

namespace list_target {

enum class Kind { None, ListBox, ComboBox, ListView, Object };

// The working record of one call: what the identifier names and its line
// count when the call began.
struct Target {
    Kind kind = Kind::None;
    HWND window = nullptr;
    std::vector<Text>* object = nullptr;
    int count = 0;
};

LRESULT Send(const Target& target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
int LineCount(const Target& target);
Target OpenTarget(int id);
int Clamp(const Target& target, int index);
int SelectedLine(const Target& target);
Text LineAt(const Target& target, int index, int column);
std::vector<Text> AllLines(const Target& target);
bool PutLine(const Target& target, int index, const Text& text);
int AddLines(const Target& target, const std::vector<Text>& lines);
void DeleteLine(const Target& target, int index);
bool ClearLines(const Target& target);
void SelectLine(const Target& target, int index);
std::vector<Text> SplitLines(const Text& text);
Text JoinLines(const std::vector<Text>& lines);

}  // namespace list_target
