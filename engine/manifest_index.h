// A manifest of the originals, read whole and kept by folder, so that the
// repair can ask for the originals of each folder of the copies in any order.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/mtree_reader.h"
#include "engine/recorded.h"

namespace engine {

// False, with "line N: ...", for an entry the repair cannot use: a regular
// file without a size or a time.
bool UsableEntry(const MtreeEntry& entry, std::string& error);

class ManifestIndex : public RecordedOriginals {
public:
    // `keepDigests`: the files' SHA-256 are kept, for FolderOf to give.
    explicit ManifestIndex(bool keepDigests = false) : keepDigests_(keepDigests) {}
    // Takes the entries as the reader gives them. False, with "line N: ...",
    // for a regular file without a size or a time.
    bool Add(MtreeEntry&& entry, std::string& error);
    // All is read: sorts each folder and refuses duplicate paths, and a path
    // that is a file in one entry and a folder holding others in another.
    bool Finish(std::string& error);

    bool FolderOf(const std::string& path, std::vector<fsys::Entry>& entries, std::vector<fsys::Facts>& facts,
                  std::vector<RecordedDigest>* digests = nullptr) override;

    uint64_t files() const { return files_; }
    bool digests() const { return allDigests_; }

private:
    struct Record {
        std::string name;
        fsys::Kind kind = fsys::Kind::Unknown;
        bool implied = false;  // a folder known only from the paths below it
        uint32_t digest = kNoDigest;  // its place in `digests_`
        uint64_t size = 0;
        fsys::Instant modified;
        uint64_t line = 0;
    };
    struct Folder {
        std::vector<Record> records;
    };
    Folder& Ensure(const std::string& path, uint64_t line);

    static constexpr uint32_t kNoDigest = UINT32_MAX;
    std::unordered_map<std::string, Folder> folders_;
    std::vector<std::array<uint8_t, 32>> digests_;  // kept only when asked
    const bool keepDigests_ = false;
    uint64_t files_ = 0;
    bool allDigests_ = true;
};

}  // namespace engine
