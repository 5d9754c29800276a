// Touching one copy in a run: exactly the file whose size and time made the
// match, at its original's exact instant, and never a file touched before.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "winfs/file_facts.h"

// The files a run has touched, by identity.
struct FileIdentityHash {
    size_t operator()(const FileIdentity& identity) const
    {
        return std::hash<uint64_t>()(identity.index ^ (static_cast<uint64_t>(identity.volume) << 40));
    }
};
using TouchedFiles = std::unordered_set<FileIdentity, FileIdentityHash>;

enum class CopyOutcome {
    NotReadable,     // cannot be opened for reading: nothing done, no line
    NotTheSameFile,  // no longer the size and time that matched, or touched
                     // before in this run: nothing done, no line
    Touched,         // its last-write time was set
    Failed,          // setting it failed: `result` holds the code
};

struct CopyTouch {
    CopyOutcome outcome = CopyOutcome::NotReadable;
    int result = 0;              // TouchFileTime's result code
    uint64_t writeTicks = 0;     // the last-write time read back after a touch
};

// Opens the copy at `path` (the wide "\\?\" path of the directory entry its
// facts came from), checks on the open handle that it still has the size and
// last-write time of `expected` and was not touched before, then sets its
// last-write time to the UTC instant `seconds` with TouchFileTime's rules,
// and records it in `touched`. `volume`: the serial of the volume of the
// copies (VolumeOfPath), part of the identity of the files touched.
CopyTouch TouchMatchingCopy(const std::wstring& path, uint32_t volume, const FileFacts& expected, int64_t seconds,
                            TouchedFiles& touched);
