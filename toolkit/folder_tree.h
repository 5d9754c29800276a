// The breadth-first walk of a folder tree, optionally with the files met on
// the way.
#pragma once

#include <vector>

#include "toolkit/dir_search.h"
#include "toolkit/string_array.h"
#include "toolkit/text.h"

// A file met during the walk: its folder's index in the folder list, its bare
// name, and what the listing told of it.
struct TreeFile {
    int folder = 0;
    Text name;
    DirEntryInfo info;
};

// Replaces the contents of `folders` by the start folder of `pattern`
// (without trailing backslashes) at index 1, then every folder below it,
// breadth-first, as parent + "\" + name; at most 10000 folders are scanned.
// When `files` is given, every file entry accepted in the folders of the list
// (read-only, hidden, system and archive ones included, and those of folders
// listed beyond the cap too) is appended to it, folder by folder in list
// order. Returns the upper bound of `folders`.
int ListFolderTree(StringArray& folders, const Text& pattern, std::vector<TreeFile>* files = nullptr);
