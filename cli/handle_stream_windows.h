// A stdio stream over a Windows file handle, for the files the front end
// opens with CreateFileW (wide, long names) and then writes or reads with
// stdio.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace cli {

// The stream owns the handle from then on; on failure the handle is closed,
// `error` says so and the result is null. `mode` is "rb" or "wb".
std::FILE* StreamOfHandle(HANDLE handle, const char* mode, std::string& error);

}  // namespace cli
