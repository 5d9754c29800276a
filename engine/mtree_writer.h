// Lines of an mtree specification in its flat form: one line per entry, its
// full relative path first ("./" then the names joined by "/").
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "fsys/fsys.h"

namespace engine {

// The first line: the signature by which readers know the format.
constexpr const char* kMtreeSignature = "#mtree\n";

// A name or path as mtree writes it: every byte outside the printable ASCII
// range, the space and the characters the format or its readers give a
// meaning to (# = \ * ? [) become a backslash and three octal digits.
std::string MtreeEncode(const std::string& bytes);

// "./PATH type=file size=N time=S.NNNNNNNNN[ sha256digest=HEX]\n"; `path`
// is relative, names joined by "/".
std::string MtreeFileLine(const std::string& path, uint64_t size, const fsys::Instant& modified,
                          const std::array<uint8_t, 32>* sha256);

// "./PATH type=dir\n" (".", the top, when `path` is empty).
std::string MtreeFolderLine(const std::string& path);

}  // namespace engine
