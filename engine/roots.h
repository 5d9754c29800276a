// The two folders named on the command line, opened and checked before
// anything is walked.
#pragma once

#include <string>

#include "fsys/fsys.h"

namespace engine {

struct Roots {
    fsys::FolderHandle originals;
    fsys::FolderHandle copies;
};

// Opens both folders (a link there is followed). False and a message when one
// does not exist, is not a folder or cannot be read, or when they are the
// same folder or one lies inside the other (by identity, whatever the spelling).
bool OpenRoots(const std::string& originals, const std::string& copies, Roots& roots,
               std::string& error);

// True when `inner` is the folder `outer` or lies somewhere below it (by
// identity, climbing from `inner`); false also when the climb fails.
bool Within(const fsys::Folder& inner, const fsys::Folder& outer);

}  // namespace engine
