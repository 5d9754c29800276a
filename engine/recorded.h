// The originals as a record (a manifest) instead of a folder: the repair asks
// it, for each folder of the copies, for the originals at the same path.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fsys/fsys.h"

namespace engine {

// The SHA-256 a record holds for a file, when it holds one.
struct RecordedDigest {
    bool known = false;
    std::array<uint8_t, 32> sha256{};
};

class RecordedOriginals {
public:
    virtual ~RecordedOriginals() = default;
    // The originals in the folder at `path` (relative, "" for the top),
    // sorted by name, and their facts (kind; size and time of regular
    // files) in the same order, and where `digests` is given their
    // digests (for records made to keep them). False when the record has no
    // such folder. May be called from several walking threads at once.
    virtual bool FolderOf(const std::string& path, std::vector<fsys::Entry>& entries,
                          std::vector<fsys::Facts>& facts, std::vector<RecordedDigest>* digests = nullptr) = 0;

    // A record read as the walk goes (see engine/manifest_stream.h): asked
    // from one thread, in the walk's order. The folders it holds that the
    // walk does not ask for are handed to `passed` as the record goes past
    // them, and when the walk is over, on Finish.
    using Passed = std::function<void(const std::string& path, const std::vector<fsys::Entry>& entries,
                                      const std::vector<fsys::Facts>& facts)>;
    virtual bool InWalkOrder() const { return false; }
    virtual void OnPassed(Passed passed) { (void)passed; }
    virtual void Finish() {}
};

}  // namespace engine
