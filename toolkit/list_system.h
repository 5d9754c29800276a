// The List commands that exchange lines with the rest of the system: the
// clipboard, folder listings, the window and process lists, text files and
// the printer.
#pragma once

#include "toolkit/list_target.h"

namespace list_target {

int CopyToClipboard(const Target& target);
int AppendClipboard(const Target& target);
int AppendFolderEntries(const Target& target, const Text& pattern, bool folders, int n1);
int ListWindows(const Target& target, const Text& text);
int ReadTextFile(const Target& target, const Text& file);
int WriteTextFile(const Target& target, const Text& file);
int PrintLines(const Target& target);
int ListProcesses(const Target& target);

}  // namespace list_target
