// The narrow file-system layer the repair engine stands on. One back end per
// system implements it (fsys/posix.cpp on Linux); nothing here names a type of
// one system. Names are byte strings as the back end defines them (the bytes
// on disk on POSIX systems, UTF-8 on Windows); instants are signed seconds and
// nanoseconds since 1970-01-01 00:00:00 UTC; folders are opaque open handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fsys {

struct Instant {
    int64_t seconds = 0;
    int32_t nanos = 0;  // 0 to 999,999,999
};

inline bool operator==(const Instant& a, const Instant& b)
{
    return a.seconds == b.seconds && a.nanos == b.nanos;
}
inline bool operator!=(const Instant& a, const Instant& b) { return !(a == b); }

enum class Kind : uint8_t { Unknown, Regular, Folder, Link, Other };

// One name of a listing with the kind the listing gave (Unknown when it gives
// none, so that the caller asks).
struct Entry {
    std::string name;
    Kind kind = Kind::Unknown;
};

// What the system says of one file object, without following a link.
struct Facts {
    Kind kind = Kind::Unknown;
    uint64_t size = 0;
    Instant modified;
    Instant accessed;
    uint64_t device = 0;  // with `object`, the identity of the file object
    uint64_t object = 0;
    uint64_t links = 1;   // names the object has (hard links)
};

// A failed call: the system's reason as text, and its code for the caller
// that must tell one reason from another.
struct Failure {
    int code = 0;
    std::string reason;
};

class Folder;  // an open folder, defined by each back end
struct FolderDeleter {
    void operator()(Folder* folder) const;
};
using FolderHandle = std::unique_ptr<Folder, FolderDeleter>;

// Opens a folder named on the command line, following a link there.
FolderHandle OpenRoot(const std::string& path, Failure& failure);
// Opens the folder `name` inside `parent`, never through a link.
FolderHandle OpenChild(const Folder& parent, const std::string& name, Failure& failure);
// A second handle to the same open folder, that outlives the first.
FolderHandle Duplicate(const Folder& folder, Failure& failure);
// Opens the folder that holds `folder` (its physical parent); null at the
// top of the file system.
FolderHandle OpenParent(const Folder& folder, Failure& failure);

// What an open folder is: the path the system gives for the open handle
// (empty when it gives none), its identity (device and object, as in Facts),
// its file system's own id as text where the system gives one (empty
// otherwise), and whether that file system keeps a file's object number for
// as long as the file exists (not so where a driver makes numbers up as files
// are looked at, as Linux's FAT and FUSE drivers do).
struct FolderIdentity {
    std::string path;
    uint64_t device = 0;
    uint64_t object = 0;
    std::string volume;
    bool stableObjects = true;
};
bool IdentifyFolder(const Folder& folder, FolderIdentity& identity, Failure& failure);

// True when a folder reachable inside one of the two folders is, through a
// mount (a bind mount, say), also reachable inside the other, although
// neither path lies inside the other; `how` then names the mount. False
// where the system has no such mounts or they cannot be read.
bool MountedInside(const Folder& a, const Folder& b, std::string& how);

// Every name in the folder but "." and "..", in the system's order.
bool List(const Folder& folder, std::vector<Entry>& entries, Failure& failure);

// The facts of the folder itself, and of `name` inside it.
bool FolderFacts(const Folder& folder, Facts& facts, Failure& failure);
bool NameFacts(const Folder& folder, const std::string& name, Facts& facts, Failure& failure);

// The finest step in which the folder's file system keeps modification
// times, as far as the system lets it be known, in nanoseconds.
int64_t TimeGranularity(const Folder& folder);

enum class SetResult {
    Set,      // set; `after` holds the time read back
    Changed,  // the object is no longer the one described by `expected`: left alone
    Failed,   // the system refused; `failure` says why
};

// Sets the last-modification time of the file `name` inside `folder` to
// `when`, leaving its access time and everything else alone, never through a
// link. Just before, the same file object is looked at again and must still be
// a regular file with the identity, size and modification time of `expected`.
// A file with other names (hard links) that already holds `when`, with the
// identity and size of `expected`, had its time set through another of its
// names: it is left as it is and Set returned. After the change, `after`
// receives the object's facts read back.
SetResult SetModified(const Folder& folder, const std::string& name, const Facts& expected,
                      const Instant& when, Facts& after, Failure& failure);

// Sets the last-modification time of the open folder itself to `when`,
// leaving its access time and everything else alone. Just before, it is
// looked at again and must still be a folder with the identity and
// modification time of `expected`. `after` receives its facts read back.
SetResult SetFolderModified(const Folder& folder, const Facts& expected, const Instant& when, Facts& after,
                            Failure& failure);
// One name's facts among several asked at once (FactsOfNames).
struct NameQuery {
    const Folder* folder = nullptr;
    const std::string* name = nullptr;
    Facts facts;
    Failure failure;
    bool ok = false;
};

// The facts of each query's name inside its folder, as NameFacts gives them.
// The questions are asked together where the system takes several at once
// (io_uring on Linux): fewer calls, and on a network file system their
// round trips overlap.
void FactsOfNames(std::vector<NameQuery>& queries);

// One change among several made at once (SetModifiedAll): what SetModified
// takes, and what it gave.
struct ModifyRequest {
    const Folder* folder = nullptr;
    const std::string* name = nullptr;
    Facts expected;
    Instant when;
    SetResult result = SetResult::Failed;
    Facts after;
    Failure failure;
};

// SetModified for each request, in their order, each with the same look at
// the same file object just before its change and after it. The opens, looks
// and closes of the requests are asked together where the system allows;
// the changes themselves are made one by one.
void SetModifiedAll(std::vector<ModifyRequest>& requests);

// The kind of file system the folder lives on when each of its calls is a
// round trip to another machine or to a program (NFS, SMB, sshfs and other
// FUSE file systems, 9p...), as a short name ("nfs", "smb", "fuse.sshfs");
// empty for a local disk or where the system does not tell.
std::string RemoteKind(const Folder& folder);

// Reads the content of the regular file `name` inside `folder`, never
// through a link, handing it to `sink` in pieces. False, with the reason,
// when it cannot be opened or read or is not a regular file.
bool ReadContent(const Folder& folder, const std::string& name,
                 const std::function<void(const char* data, size_t size)>& sink, Failure& failure);

// A regular file open to read its content once, from its start to its end.
class File;  // defined by each back end
struct FileDeleter {
    void operator()(File* file) const;
};
using FileHandle = std::unique_ptr<File, FileDeleter>;

// Opens `name` inside `folder` to read its content: read-only, never through
// a link (a link in its place fails with ELOOP, a name gone with ENOENT), the
// system told that it is read once in order (where that takes a call of its
// own, only when `size`, the size listed, is more than the system reads
// ahead anyway), and without moving the file's access time where the system
// allows that (on Linux for the user's own files, on Windows where the user
// may change the file's attributes).
FileHandle OpenContent(const Folder& folder, const std::string& name, uint64_t size, Failure& failure);
// The facts of the open file itself, and the instant of its last change of
// any kind (content, times, attributes; zero where the system does not tell).
bool ContentFacts(const File& file, Facts& facts, Instant& statusChanged, Failure& failure);
// Reads up to `size` bytes from where the last read ended; `got` is 0 at the end.
bool ReadSome(File& file, char* data, size_t size, size_t& got, Failure& failure);

}  // namespace fsys
