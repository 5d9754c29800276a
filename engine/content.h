// Proof by content: before a copy's time is changed, its bytes are compared
// with its original's, or (against a manifest) its SHA-256 with the recorded
// one. Each file is read once, in order, in pieces of a fixed size, so that
// memory does not grow with the files; the comparison stops at the first
// difference. Each file is looked at on its open handle before and after it
// is read: one that is not the file listed, or that changed while it was
// read, is not taken as proved either way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "fsys/fsys.h"

namespace engine {

using Digest = std::array<uint8_t, 32>;

enum class ContentVerdict {
    Equal,    // the same bytes (or the recorded digest)
    Differs,  // the bytes differ: `reason` says so
    Changed,  // a file is no longer the one listed, or changed while read: `reason`
    Failed,   // a file could not be opened or read: `reason`
};

class ContentCheck {
public:
    // Pieces of `piece` bytes: two buffers of that size, made when first needed.
    explicit ContentCheck(size_t piece);

    // Called once the first pieces of a pair are read, before the rest
    // (the place where a test alters a file while it is compared).
    using Midway = std::function<void()>;

    // Compares the contents of `name` in the two folders, listed with the
    // facts `original` and `copy` (of the same size).
    ContentVerdict Compare(const fsys::Folder& originals, const fsys::Folder& copies, const std::string& name,
                           const fsys::Facts& original, const fsys::Facts& copy, const Midway& midway,
                           std::string& reason);

    // Compares the SHA-256 of the copy `name`, listed with `copy`, with `expected`.
    ContentVerdict CheckDigest(const fsys::Folder& copies, const std::string& name, const fsys::Facts& copy,
                               const Digest& expected, const Midway& midway, std::string& reason);

    // Bytes read so far, both sides.
    uint64_t bytesRead() const { return bytesRead_; }

private:
    void Prepare();

    const size_t piece_;
    std::unique_ptr<char[]> first_, second_;
    uint64_t bytesRead_ = 0;
};

// The piece size for `jobs` walking threads: a mebibyte each while two
// buffers per thread stay within 16 MiB in all, never under 64 KiB.
size_t ContentPiece(int jobs);

}  // namespace engine
