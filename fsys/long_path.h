// Full Windows paths in their long form ("\\?\C:\...", "\\?\UNC\server\share\..."),
// which the system takes at any length and without altering a name (no
// trailing dot or space dropped, no "/" read as a separator). Plain text
// work on UTF-8 strings, without the system.
#pragma once

#include <string>

namespace fsys {

// The long form of `full`, a full path as the system's full-path call gives
// it ("C:\a\b", "\\server\share\a", "\\.\C:\a", or already in the long form),
// without a trailing backslash except at the top. False with a message for a
// device ("\\.\NUL") or a network path without a share.
bool LongForm(const std::string& full, std::string& longPath, std::string& error);

// The length of the top of a long path (the drive's root "\\?\C:\", or
// "\\?\UNC\server\share\"), 0 when it has none.
size_t TopLength(const std::string& longPath);

// The folder that holds `longPath`; empty at the top.
std::string ParentOf(const std::string& longPath);

// `name` inside the folder `folder`.
std::string Join(const std::string& folder, const std::string& name);

// The drive letter a path starts with ("C:\...", "C:photos", "\\?\C:...", "\\.\C:..."),
// upper case; 0 when it names none.
char DriveOf(const std::string& path);

}  // namespace fsys
