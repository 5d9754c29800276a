// Paths in the system's "\\?\" form, which reaches any name at any length.
#pragma once

#include <string>

// The "\\?\" form of what the system makes of a plain path: its full path
// (current folder, "." and "..", "/", trailing dots and blanks handled as for
// any plain path), prefixed so that no length limit and no further rewriting
// applies to it or to names joined to it. "\\server\share\..." becomes
// "\\?\UNC\server\share\...". A path already in that form, or a device path
// ("\\.\..."), is returned unchanged; "" when the system cannot make a full
// path of it.
std::wstring ExtendedPath(const std::wstring& path);

// `folder` and `name` joined by one backslash (none added after a folder
// that already ends with one); `name` alone when `folder` is empty.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
