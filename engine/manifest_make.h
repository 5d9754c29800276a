// Writes the manifest of a tree of originals: an mtree specification in its
// flat form, the top and each folder as "type=dir", each regular file with
// its size, its modification time and, when asked, its SHA-256. Links and
// special files are left out (they are never paired); links are never
// followed. Entries come in the order in which the repair walks: folder
// after folder breadth-first, the names of each folder sorted by their bytes.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/path_filter.h"
#include "fsys/fsys.h"

namespace engine {

struct ManifestOptions {
    bool digest = false;
    int maxKeptHandles = 512;
    const std::atomic<bool>* stop = nullptr;  // finish the file in hand, then stop
    const PathFilter* filter = nullptr;       // entries left out, folders not walked
};

struct ManifestTotals {
    uint64_t files = 0;
    uint64_t folders = 0;   // below the top
    uint64_t leftOut = 0;   // links and special files
    uint64_t failed = 0;    // files and folders that could not be read: not written
    uint64_t bytes = 0;     // of the files whose content was read
    bool writeFailed = false;
    bool interrupted = false;
};

class ManifestOutput {
public:
    virtual ~ManifestOutput() = default;
    // Text of the manifest, in order. False stops the walk.
    virtual bool Write(const std::string& text) = 0;
    // A file or folder that could not be read, left out of the manifest.
    virtual void Failed(const std::string& path, const std::string& reason) = 0;
    // After each folder: the files written so far.
    virtual void Progress(uint64_t files) { (void)files; }
};

ManifestTotals MakeManifest(const fsys::Folder& originals, const ManifestOptions& options,
                            ManifestOutput& output);

}  // namespace engine
