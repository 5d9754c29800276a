// Path helpers over text values: both "\" and "/" separate folders.
#pragma once

#include "toolkit/text.h"

struct PathParts {
    Text drive;      // "C:", "\\server\share" or empty
    Text folder;     // up to and including the last separator, or empty
    Text name;       // file name without its extension
    Text extension;  // from the last dot of the file part, or empty
};

// Text without its trailing occurrences of ch (one character). When the text
// is blank or does not contain ch it comes back unchanged; otherwise trailing
// blanks go first, then every trailing ch.
Text StripTrailing(const Text& text, const Text& ch);

// Splits a path into drive, folder, name and extension; joined, they give the path back.
PathParts SplitPath(const Text& path);

// One part or combination of parts of SplitPath:
// 1 drive, 2 folder, 3 drive+folder, 4 name, 5 extension, 6 name+extension,
// 7 drive+folder+name; any other mode, or a blank path, gives "".
Text PathPart(int mode, const Text& path);
