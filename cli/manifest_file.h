// Opening the manifest named on the command line, one file per system
// (cli/manifest_file_posix.cpp, cli/manifest_file_windows.cpp).
#pragma once

#include <cstdio>
#include <string>

namespace cli {

// Opens a manifest for reading, in binary. Refuses, with a message, what is
// not a regular file (a FIFO, a device, a folder), without waiting on it.
std::FILE* OpenManifestFile(const std::string& path, std::string& error);

// Standard input, in binary.
std::FILE* ManifestStdin();

}  // namespace cli
