// Mounts that join two trees on Linux (a bind mount of a folder of one
// inside the other), read from /proc/self/mountinfo.
#pragma once

#include <string>

namespace fsys {

// True when a folder reachable inside the open folder `a` (itself, or a mount
// below it) is in the same file system as one reachable inside `b`, one
// inside the other; `how` names both mounts. False when the mounts cannot be
// read.
bool MountedInside(int a, int b, std::string& how);

}  // namespace fsys
