// A breadth-first walk of a folder tree through the system's wide-character
// listing of each open folder: every name as the file system holds it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A file met on the walk, as its directory entry describes it.
struct WalkFile {
    int folder = 0;            // index of its folder in TreeWalk::folders
    std::wstring name;         // bare name
    uint32_t attributes = 0;   // the system's attribute word
    int64_t size = 0;          // bytes
    uint64_t writeTicks = 0;   // last write, 100 ns since 1601-01-01 UTC
    uint64_t index = 0;        // the file's index on its volume; 0 when the
                               // file system gives none
};

struct TreeWalk {
    // Folders relative to the start folder: "" for the start folder itself at
    // index 0, then "name", "name\name" and so on, breadth-first.
    std::vector<std::wstring> folders;
    // Files folder by folder, in the order of `folders`, each folder's in
    // the order of the directory search.
    std::vector<WalkFile> files;
};

// At most this many folders are searched for sub-folders (the start folder
// counted); this also ends walks through links back to an ancestor.
const int kMaxScannedFolders = 10000;

// Walks the tree under `root` (a folder; best in the "\\?\" form, so that
// every name and length can be reached, see long_path.h) and replaces the
// contents of `walk`. Each folder's entries come from one listing of the
// open folder, in the order of a directory search;
// "." and ".." are skipped, and so is every entry whose attributes carry a
// volume label (0x08), device (0x40) or plain-file flag (0x80) together with
// another attribute: hidden, system, read-only and archive entries, links
// and junctions included, are walked as the system lists them. The first
// kMaxScannedFolders folders of the list are searched for sub-folders; the
// folders found beyond them are listed and read for their files only. A
// folder that cannot be searched, or an empty root, gives nothing.
void WalkTree(const std::wstring& root, TreeWalk& walk);
