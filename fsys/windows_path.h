// For the Windows files of the program: a path given in UTF-8 (relative,
// with "/" or "\", drive-relative, a network share or already long) in the
// long form the wide calls take at any length.
#pragma once

#include <string>

#include "fsys/fsys.h"

namespace fsys {

// False with the reason (code ENODEV for a drive this system does not have,
// EINVAL for a form it refuses) when the path cannot be put in that form.
bool LongWidePath(const std::string& path, std::wstring& wide, Failure& failure);

}  // namespace fsys
