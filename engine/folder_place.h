// Whether a folder held open since it was listed is still where it was listed
// below a top folder, and the opening of a folder again by its path below the
// top, never through a link.
#pragma once

#include <cstdint>
#include <map>
#include <string_view>
#include <utility>

#include "fsys/fsys.h"

namespace engine {

class PlaceCheck {
public:
    explicit PlaceCheck(const fsys::Facts& top) : top_(top) {}

    // True when `folder` is still the folder at `path` (names joined by "/",
    // "" for the top): climbing from it, each name leads, in the folder above,
    // to the same folder as before, up to the top itself. Answers found are
    // kept until Forget, so that folders of the same batch share the climb;
    // they refer to `path`, which must live until then.
    bool StillAt(const fsys::Folder& folder, std::string_view path);
    void Forget() { verified_.clear(); }

private:
    using Identity = std::pair<uint64_t, uint64_t>;
    const fsys::Facts top_;
    std::map<Identity, std::string_view> verified_;  // folders found in their place
};

// Opens the folder at `path` below `top` name by name, never through a
// link; null when a name is missing or the folder found is not the object
// `expected` describes (moved or replaced since).
fsys::FolderHandle OpenBelow(const fsys::Folder& top, std::string_view path, const fsys::Facts& expected);

}  // namespace engine
