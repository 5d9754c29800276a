#include "engine/roots.h"

#include <cerrno>

namespace engine {

namespace {

fsys::FolderHandle OpenOne(const char* role, const std::string& path, std::string& error)
{
    fsys::Failure failure;
    fsys::FolderHandle folder = fsys::OpenRoot(path, failure);
    if (folder)
        return folder;
    const std::string named = std::string(role) + " \"" + path + "\"";
    if (failure.code == ENOENT)
        error = named + " does not exist";
    else if (failure.code == ENOTDIR)
        error = named + " is not a folder";
    else if (failure.code == ENODEV || failure.code == EINVAL)
        error = named + ": " + failure.reason;  // no such drive, a form the system refuses
    else
        error = named + " cannot be read: " + failure.reason;
    return nullptr;
}

bool SameObject(const fsys::Facts& a, const fsys::Facts& b)
{
    return a.device == b.device && a.object == b.object;
}

// True when `inner` is `outer` or lies somewhere below it; false also when the
// climb fails, where the walk itself will tell.
bool Within(const fsys::Folder& inner, const fsys::Facts& outer)
{
    fsys::Failure failure;
    fsys::Facts facts;
    if (!fsys::FolderFacts(inner, facts, failure))
        return false;
    if (SameObject(facts, outer))
        return true;
    fsys::FolderHandle at = fsys::OpenParent(inner, failure);
    while (at) {
        if (!fsys::FolderFacts(*at, facts, failure))
            return false;
        if (SameObject(facts, outer))
            return true;
        at = fsys::OpenParent(*at, failure);
    }
    return false;
}

}  // namespace

bool Within(const fsys::Folder& inner, const fsys::Folder& outer)
{
    fsys::Facts facts;
    fsys::Failure failure;
    return fsys::FolderFacts(outer, facts, failure) && Within(inner, facts);
}

bool OpenRoots(const std::string& originals, const std::string& copies, Roots& roots,
               std::string& error)
{
    roots.originals = OpenOne("ORIGINALS", originals, error);
    if (!roots.originals)
        return false;
    roots.copies = OpenOne("COPIES", copies, error);
    if (!roots.copies)
        return false;
    fsys::Facts originalFacts, copyFacts;
    fsys::Failure failure;
    if (!fsys::FolderFacts(*roots.originals, originalFacts, failure) ||
        !fsys::FolderFacts(*roots.copies, copyFacts, failure)) {
        error = "cannot read the facts of the folders: " + failure.reason;
        return false;
    }
    if (SameObject(originalFacts, copyFacts)) {
        error = "ORIGINALS \"" + originals + "\" and COPIES \"" + copies + "\" are the same folder";
        return false;
    }
    if (Within(*roots.copies, originalFacts)) {
        error = "COPIES \"" + copies + "\" lies inside ORIGINALS \"" + originals + "\"";
        return false;
    }
    if (Within(*roots.originals, copyFacts)) {
        error = "ORIGINALS \"" + originals + "\" lies inside COPIES \"" + copies + "\"";
        return false;
    }
    return true;
}

}  // namespace engine
