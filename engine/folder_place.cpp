#include "engine/folder_place.h"

#include <string>
#include <vector>

namespace engine {

namespace {

bool Same(const fsys::Facts& a, const fsys::Facts& b)
{
    return a.device == b.device && a.object == b.object;
}

}  // namespace

bool PlaceCheck::StillAt(const fsys::Folder& folder, std::string_view path)
{
    fsys::Failure failure;
    fsys::Facts facts;
    if (!fsys::FolderFacts(folder, facts, failure))
        return false;
    std::vector<std::pair<Identity, std::string_view>> climbed;
    fsys::FolderHandle above;
    const fsys::Folder* at = &folder;
    for (;;) {
        const Identity identity{facts.device, facts.object};
        const auto known = verified_.find(identity);
        const bool found = (known != verified_.end() && known->second == path) ||
                           (path.empty() && Same(facts, top_));
        if (found) {
            for (const auto& [one, where] : climbed)
                verified_.emplace(one, where);
            return true;
        }
        if (path.empty())
            return false;  // the climb reached the top's depth elsewhere
        climbed.push_back({identity, path});
        const size_t slash = path.rfind('/');
        const std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
        path = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
        fsys::FolderHandle parent = fsys::OpenParent(*at, failure);
        fsys::Facts named;
        if (!parent || !fsys::NameFacts(*parent, name, named, failure) || named.kind != fsys::Kind::Folder ||
            !Same(named, facts) || !fsys::FolderFacts(*parent, facts, failure))
            return false;
        above = std::move(parent);
        at = above.get();
    }
}

fsys::FolderHandle OpenBelow(const fsys::Folder& top, std::string_view path, const fsys::Facts& expected)
{
    fsys::Failure failure;
    fsys::FolderHandle at = fsys::Duplicate(top, failure);
    while (at && !path.empty()) {
        const size_t slash = path.find('/');
        const std::string name(path.substr(0, slash));
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        at = fsys::OpenChild(*at, name, failure);
    }
    fsys::Facts facts;
    if (!at || !fsys::FolderFacts(*at, facts, failure) || !Same(facts, expected))
        return nullptr;
    return at;
}

}  // namespace engine
