// The file-system layer on Linux: every call relative to an open folder
// descriptor (openat, statx), never through a link, names as the bytes on disk.
#include "fsys/fsys.h"

#include <dirent.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <limits.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "fsys/batch_linux.h"
#include "fsys/fs_kind_linux.h"
#include "fsys/mounts_linux.h"

namespace fsys {

class Folder {
public:
    explicit Folder(int fd, bool atStart = true) : fd(fd), atStart(atStart) {}
    ~Folder() { close(fd); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    const int fd;
    // Its position is the start of the listing (opened and neither listed
    // nor shared with a duplicate since), so List need not seek there.
    mutable std::atomic<bool> atStart;
    // Whether it lives on a network or FUSE file system: unknown (-1), no
    // (0), yes (1); asked of the system when first needed.
    mutable std::atomic<int8_t> remote{-1};
};

void FolderDeleter::operator()(Folder* folder) const
{
    delete folder;
}

namespace {

bool Fail(Failure& failure, int code)
{
    failure.code = code;
    failure.reason = std::strerror(code);
    return false;
}

Kind KindOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return Kind::Regular;
    if (S_ISDIR(mode))
        return Kind::Folder;
    if (S_ISLNK(mode))
        return Kind::Link;
    return Kind::Other;
}

Kind KindOfType(unsigned char type)
{
    switch (type) {
    case DT_REG: return Kind::Regular;
    case DT_DIR: return Kind::Folder;
    case DT_LNK: return Kind::Link;
    case DT_UNKNOWN: return Kind::Unknown;
    default: return Kind::Other;
    }
}

void FactsOfStat(const struct stat& st, Facts& facts)
{
    facts.kind = KindOfMode(st.st_mode);
    facts.size = static_cast<uint64_t>(st.st_size);
    facts.modified = {st.st_mtim.tv_sec, static_cast<int32_t>(st.st_mtim.tv_nsec)};
    facts.accessed = {st.st_atim.tv_sec, static_cast<int32_t>(st.st_atim.tv_nsec)};
    facts.device = st.st_dev;
    facts.object = st.st_ino;
    facts.links = st.st_nlink;
}

// Only what Facts holds is asked of statx: a network file system need not
// fetch the rest.
constexpr unsigned kFactsMask =
    STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_ATIME;

void FactsOfStatx(const struct statx& sx, Facts& facts)
{
    facts.kind = KindOfMode(sx.stx_mode);
    facts.size = sx.stx_size;
    facts.modified = {sx.stx_mtime.tv_sec, static_cast<int32_t>(sx.stx_mtime.tv_nsec)};
    facts.accessed = {sx.stx_atime.tv_sec, static_cast<int32_t>(sx.stx_atime.tv_nsec)};
    facts.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    facts.object = sx.stx_ino;
    facts.links = sx.stx_nlink;
}

// statx where the kernel (or a seccomp filter) allows it, fstatat otherwise.
std::atomic<bool> g_noStatx{false};

bool StatAt(int at, const char* name, int flags, Facts& facts)
{
    if (!g_noStatx.load(std::memory_order_relaxed)) {
        struct statx sx;
        if (statx(at, name, flags, kFactsMask, &sx) == 0) {
            FactsOfStatx(sx, facts);
            return true;
        }
        if (errno != ENOSYS && errno != EPERM)
            return false;
        g_noStatx.store(true, std::memory_order_relaxed);
    }
    struct stat st;
    if (fstatat(at, name, &st, flags) != 0)
        return false;
    FactsOfStat(st, facts);
    return true;
}

// The object behind a descriptor (an O_PATH one included).
bool StatOf(int fd, Facts& facts)
{
    return StatAt(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, facts);
}

FolderHandle Wrap(int fd, Failure& failure)
{
    if (fd < 0) {
        Fail(failure, errno);
        return nullptr;
    }
    return FolderHandle(new Folder(fd));
}

// The same file with other names, already set to `when` through one of them.
bool SetThroughTwin(const Facts& now, const Facts& expected, const Instant& when)
{
    return now.kind == Kind::Regular && now.links > 1 && now.device == expected.device &&
           now.object == expected.object && now.size == expected.size && now.modified == when;
}

bool SameObject(const Facts& now, const Facts& expected)
{
    return now.kind == Kind::Regular && now.device == expected.device && now.object == expected.object &&
           now.size == expected.size && now.modified == expected.modified;
}

// Sets the times of the object behind the O_PATH descriptor `fd`. The object
// itself is addressed (AT_EMPTY_PATH, or its /proc/self/fd link on kernels
// before 5.8), so a name replaced since it was opened is never reached; only
// where neither exists is the name used again.
int SetTimesOfObject(int fd, int folderFd, const char* name, const struct timespec times[2])
{
    if (utimensat(fd, "", times, AT_EMPTY_PATH) == 0)
        return 0;
    if (errno != EINVAL)
        return -1;
    char link[40];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    if (utimensat(AT_FDCWD, link, times, 0) == 0)
        return 0;
    if (errno != ENOENT)
        return -1;
    return utimensat(folderFd, name, times, AT_SYMLINK_NOFOLLOW);
}

// Opens a folder or a file to read it without moving its access time where
// the system allows it (its owner, or a process with the right to act as the
// owner); otherwise as any reader does.
int OpenToRead(int at, const char* name, int flags)
{
    const int fd = openat(at, name, flags | O_NOATIME);
    if (fd >= 0 || errno != EPERM)
        return fd;
    return openat(at, name, flags);
}

}  // namespace

FolderHandle OpenRoot(const std::string& path, Failure& failure)
{
    FolderHandle folder = Wrap(OpenToRead(AT_FDCWD, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), failure);
    if (folder && faccessat(folder->fd, ".", R_OK | X_OK, AT_EACCESS) != 0) {
        Fail(failure, errno);
        return nullptr;
    }
    return folder;
}

FolderHandle OpenChild(const Folder& parent, const std::string& name, Failure& failure)
{
    return Wrap(OpenToRead(parent.fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC),
                failure);
}

FolderHandle Duplicate(const Folder& folder, Failure& failure)
{
    // The two share one position: neither is at the start for sure any more.
    folder.atStart.store(false, std::memory_order_relaxed);
    const int fd = fcntl(folder.fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        Fail(failure, errno);
        return nullptr;
    }
    return FolderHandle(new Folder(fd, false));
}

FolderHandle OpenParent(const Folder& folder, Failure& failure)
{
    FolderHandle parent = Wrap(openat(folder.fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC), failure);
    if (!parent)
        return nullptr;
    struct stat self, above;
    if (fstat(folder.fd, &self) != 0 || fstat(parent->fd, &above) != 0) {
        Fail(failure, errno);
        return nullptr;
    }
    if (self.st_dev == above.st_dev && self.st_ino == above.st_ino)
        return nullptr;  // the top: ".." is the folder itself
    return parent;
}

bool IdentifyFolder(const Folder& folder, FolderIdentity& identity, Failure& failure)
{
    struct stat st;
    struct statfs fs;
    if (fstat(folder.fd, &st) != 0 || fstatfs(folder.fd, &fs) != 0)
        return Fail(failure, errno);
    identity = FolderIdentity();
    identity.device = st.st_dev;
    identity.object = st.st_ino;
    char link[40], target[PATH_MAX + 1];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", folder.fd);
    const ssize_t length = readlink(link, target, sizeof target);
    if (length > 0 && length < static_cast<ssize_t>(sizeof target) && target[0] == '/')
        identity.path.assign(target, static_cast<size_t>(length));
    constexpr long kMsdosMagic = 0x4d44, kExfatMagic = 0x2011BAB0, kFuseMagic = 0x65735546;
    const long type = static_cast<long>(fs.f_type);
    identity.stableObjects = type != kMsdosMagic && type != kExfatMagic && type != kFuseMagic;
    // FAT's serial number where the driver tells it; else the system's id of
    // the file system (from its UUID on most disk file systems).
    __u32 serial = 0;
    char text[40];
    if (type == kMsdosMagic && ioctl(folder.fd, FAT_IOCTL_GET_VOLUME_ID, &serial) == 0) {
        std::snprintf(text, sizeof text, "fat:%08x", serial);
        identity.volume = text;
    } else {
        int words[2];
        static_assert(sizeof words == sizeof fs.f_fsid, "fsid is two ints");
        std::memcpy(words, &fs.f_fsid, sizeof words);
        if (words[0] || words[1]) {
            std::snprintf(text, sizeof text, "%08x%08x", static_cast<unsigned>(words[0]),
                          static_cast<unsigned>(words[1]));
            identity.volume = text;
        }
    }
    return true;
}

bool MountedInside(const Folder& a, const Folder& b, std::string& how)
{
    return MountedInside(a.fd, b.fd, how);
}

bool List(const Folder& folder, std::vector<Entry>& entries, Failure& failure)
{
    entries.clear();
    // getdents64 on the folder's own descriptor, into a large buffer: a few
    // calls for a folder of thousands of names, and no second descriptor.
    if (!folder.atStart.exchange(false, std::memory_order_relaxed) && lseek(folder.fd, 0, SEEK_SET) < 0)
        return Fail(failure, errno);
    constexpr size_t kBuffer = size_t(1) << 17;
    static thread_local std::unique_ptr<char[]> buffer(new char[kBuffer]);
    for (;;) {
        const ssize_t got = getdents64(folder.fd, buffer.get(), kBuffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Fail(failure, errno);
        if (got == 0)
            return true;
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer.get() + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            entries.push_back({name, KindOfType(entry->d_type)});
        }
    }
}

bool FolderFacts(const Folder& folder, Facts& facts, Failure& failure)
{
    if (!StatOf(folder.fd, facts))
        return Fail(failure, errno);
    return true;
}

bool NameFacts(const Folder& folder, const std::string& name, Facts& facts, Failure& failure)
{
    if (!StatAt(folder.fd, name.c_str(), AT_SYMLINK_NOFOLLOW, facts))
        return Fail(failure, errno);
    return true;
}

namespace {

bool OnRemote(const Folder& folder)
{
    int8_t known = folder.remote.load(std::memory_order_relaxed);
    if (known < 0) {
        struct statfs fs;
        known = fstatfs(folder.fd, &fs) == 0 &&
                *RemoteKindOfMagic(static_cast<uint64_t>(static_cast<unsigned long>(fs.f_type)));
        folder.remote.store(known, std::memory_order_relaxed);
    }
    return known == 1;
}

// This thread's queue of calls for a batch of calls in the items' folders
// (null: each call made alone): by default only when one of the folders is
// on a network or FUSE file system, where overlapping round trips pays.
template <typename Items>
batch::Calls* CallsFor(const Items& items)
{
    if (g_noStatx.load(std::memory_order_relaxed))
        return nullptr;
    switch (batch::WhereUsedHere()) {
    case batch::Where::Nowhere: return nullptr;
    case batch::Where::Everywhere: return batch::Calls::Of();
    case batch::Where::Remote: break;
    }
    for (const auto& item : items)
        if (OnRemote(*item.folder))
            return batch::Calls::Of();
    return nullptr;
}

}  // namespace

void FactsOfNames(std::vector<NameQuery>& queries)
{
    batch::Calls* calls = CallsFor(queries);
    if (calls) {
        static thread_local std::vector<struct statx> found;
        static thread_local std::vector<int> results;
        found.resize(batch::Calls::kRoom);
        results.resize(batch::Calls::kRoom);
        for (size_t first = 0; first < queries.size() && calls;) {
            const size_t count = std::min(queries.size() - first, batch::Calls::kRoom);
            for (size_t k = 0; k < count; ++k) {
                const NameQuery& query = queries[first + k];
                calls->Stat(query.folder->fd, query.name->c_str(), AT_SYMLINK_NOFOLLOW, kFactsMask, &found[k],
                            &results[k]);
            }
            if (!calls->Run())
                break;  // the rest asked one by one
            for (size_t k = 0; k < count; ++k) {
                NameQuery& query = queries[first + k];
                query.ok = results[k] == 0;
                if (query.ok)
                    FactsOfStatx(found[k], query.facts);
                else
                    Fail(query.failure, -results[k]);
            }
            first += count;
            if (first == queries.size())
                return;
        }
    }
    for (NameQuery& query : queries)
        if (!query.ok)
            query.ok = NameFacts(*query.folder, *query.name, query.facts, query.failure);
}

int64_t TimeGranularity(const Folder& folder)
{
    constexpr int64_t kSecond = 1000000000;
    constexpr long kMsdosMagic = 0x4d44, kFuseMagic = 0x65735546;
    struct statfs fs;
    if (fstatfs(folder.fd, &fs) != 0)
        return 2 * kSecond;
    // FAT keeps two seconds; a FUSE volume may be FAT seen through a driver
    // that says nothing of it. Others are taken to keep at least whole seconds.
    if (fs.f_type == kMsdosMagic || fs.f_type == kFuseMagic)
        return 2 * kSecond;
    return kSecond;
}

namespace {

// The steps of one change, on the copy opened with O_PATH as `fd`: the
// object itself is held, whatever its permissions and without touching its
// content or access time, so the look before, the change and the read-back
// are of one object even if its name is taken by another meanwhile.

// Given the look just before the change (`now`): the change is made, or
// the result without it. True when the time was set and must be read back.
bool ChangeIfSame(int fd, const Folder& folder, const std::string& name, const Facts& now,
                  const Facts& expected, const Instant& when, SetResult& result, Facts& after,
                  Failure& failure)
{
    if (!SameObject(now, expected)) {
        // With O_NOFOLLOW a link put in the copy's place was opened as the
        // link, which this refuses.
        after = now;
        result = SetThroughTwin(now, expected, when) ? SetResult::Set : SetResult::Changed;
        return false;
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, {when.seconds, when.nanos}};
    if (SetTimesOfObject(fd, folder.fd, name.c_str(), times) != 0) {
        Fail(failure, errno);
        result = SetResult::Failed;
        return false;
    }
    return true;
}

// Given the look after the change (`read` true, in `after`), or its error:
// the outcome. Some drivers (fusefat among them) drop a modification time
// that comes without an access time. For them the access time is given too,
// as it was read just before, so that it stays what it was.
SetResult ReadBack(int fd, const Folder& folder, const std::string& name, const Facts& now,
                   const Facts& expected, const Instant& when, bool read, int code, Facts& after,
                   Failure& failure)
{
    if (read && after.modified == expected.modified) {
        const struct timespec both[2] = {{now.accessed.seconds, now.accessed.nanos}, {when.seconds, when.nanos}};
        if (SetTimesOfObject(fd, folder.fd, name.c_str(), both) == 0) {
            read = StatOf(fd, after);
            code = errno;
        } else {
            code = errno;
        }
    }
    if (!read) {
        Fail(failure, code);
        return SetResult::Failed;
    }
    return SetResult::Set;
}

constexpr int kOpenCopy = O_PATH | O_NOFOLLOW | O_CLOEXEC;

SetResult NotOpened(int code, Failure& failure)
{
    Fail(failure, code);
    return code == ENOENT ? SetResult::Changed : SetResult::Failed;
}

}  // namespace

SetResult SetModified(const Folder& folder, const std::string& name, const Facts& expected,
                      const Instant& when, Facts& after, Failure& failure)
{
    const int fd = openat(folder.fd, name.c_str(), kOpenCopy);
    if (fd < 0)
        return NotOpened(errno, failure);
    Facts now;
    SetResult result = SetResult::Failed;
    if (!StatOf(fd, now))
        Fail(failure, errno);
    else if (ChangeIfSame(fd, folder, name, now, expected, when, result, after, failure)) {
        const bool read = StatOf(fd, after);
        result = ReadBack(fd, folder, name, now, expected, when, read, errno, after, failure);
    }
    close(fd);
    return result;
}

void SetModifiedAll(std::vector<ModifyRequest>& requests)
{
    batch::Calls* calls = CallsFor(requests);
    // Each request's state as the batch goes.
    struct State {
        int fd = -1;
        int looked = 0;
        int read = 0;
        int closed = 0;
        bool pending = true;  // not yet done: made one by one if the ring fails
        bool readBack = false;
        bool later = false;   // out of descriptors: made alone once the others are closed
        Facts now;
    };
    static thread_local std::vector<State> states;
    static thread_local std::vector<struct statx> found;
    constexpr size_t kChunk = batch::Calls::kRoom;
    found.resize(kChunk);
    size_t first = 0;
    while (calls && first < requests.size()) {
        const size_t count = std::min(requests.size() - first, kChunk);
        ModifyRequest* chunk = requests.data() + first;
        states.assign(count, State());
        // The opens, together.
        for (size_t k = 0; k < count; ++k)
            calls->Open(chunk[k].folder->fd, chunk[k].name->c_str(), kOpenCopy, &states[k].fd);
        if (!calls->Run())
            break;
        // The looks just before the changes, together.
        for (size_t k = 0; k < count; ++k) {
            if (states[k].fd < 0) {
                const int code = -states[k].fd;
                states[k].later = code == EMFILE || code == ENFILE;
                if (!states[k].later)
                    chunk[k].result = NotOpened(code, chunk[k].failure);
                states[k].pending = false;
                continue;
            }
            calls->Stat(states[k].fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, kFactsMask, &found[k],
                        &states[k].looked);
        }
        bool ok = calls->Run();
        // The changes, one by one (no io_uring operation sets times).
        for (size_t k = 0; ok && k < count; ++k) {
            State& state = states[k];
            ModifyRequest& request = chunk[k];
            if (!state.pending)
                continue;
            if (state.looked != 0) {
                Fail(request.failure, -state.looked);
                request.result = SetResult::Failed;
                state.pending = false;
                continue;
            }
            FactsOfStatx(found[k], state.now);
            state.readBack = ChangeIfSame(state.fd, *request.folder, *request.name, state.now, request.expected,
                                          request.when, request.result, request.after, request.failure);
            if (state.readBack)
                calls->Stat(state.fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, kFactsMask, &found[k], &state.read);
            else
                state.pending = false;
        }
        // The read-backs, together.
        ok = ok && calls->Run();
        for (size_t k = 0; ok && k < count; ++k) {
            State& state = states[k];
            ModifyRequest& request = chunk[k];
            if (state.pending && state.readBack) {
                const bool read = state.read == 0;
                if (read)
                    FactsOfStatx(found[k], request.after);
                request.result = ReadBack(state.fd, *request.folder, *request.name, state.now, request.expected,
                                          request.when, read, -state.read, request.after, request.failure);
            }
            state.pending = false;
        }
        // The closes, together; each descriptor is closed whatever came of
        // its change.
        if (ok) {
            for (size_t k = 0; k < count; ++k)
                if (states[k].fd >= 0)
                    calls->Close(states[k].fd, &states[k].closed);
            // Whatever came of the closes, none is made again: a number
            // closed may already be another thread's.
            if (!calls->Run())
                calls = nullptr;
            // Those that found no descriptor free, now that this batch's are
            // closed: one at a time, as many as the process allows.
            for (size_t k = 0; k < count; ++k)
                if (states[k].later)
                    chunk[k].result = SetModified(*chunk[k].folder, *chunk[k].name, chunk[k].expected, chunk[k].when,
                                                  chunk[k].after, chunk[k].failure);
            first += count;
            continue;
        }
        {
            // The ring failed part way: what is left is finished with plain
            // calls, on the objects already opened.
            for (size_t k = 0; k < count; ++k) {
                State& state = states[k];
                ModifyRequest& request = chunk[k];
                if (state.pending && state.fd >= 0) {
                    const bool changed = state.readBack;
                    if (!changed && StatOf(state.fd, state.now))
                        state.readBack = ChangeIfSame(state.fd, *request.folder, *request.name, state.now,
                                                      request.expected, request.when, request.result,
                                                      request.after, request.failure);
                    else if (!changed)
                        Fail(request.failure, errno);
                    if (state.readBack) {
                        const bool read = StatOf(state.fd, request.after);
                        request.result = ReadBack(state.fd, *request.folder, *request.name, state.now,
                                                  request.expected, request.when, read, errno, request.after,
                                                  request.failure);
                    }
                }
                if (state.fd >= 0)
                    close(state.fd);
            }
            for (size_t k = 0; k < count; ++k)
                if (states[k].later)
                    chunk[k].result = SetModified(*chunk[k].folder, *chunk[k].name, chunk[k].expected, chunk[k].when,
                                                  chunk[k].after, chunk[k].failure);
            first += count;
            calls = nullptr;
        }
    }
    for (size_t k = first; k < requests.size(); ++k) {
        ModifyRequest& request = requests[k];
        request.result = SetModified(*request.folder, *request.name, request.expected, request.when, request.after,
                                     request.failure);
    }
}

std::string RemoteKind(const Folder& folder)
{
    return RemoteKindOf(folder.fd);
}

bool ReadContent(const Folder& folder, const std::string& name,
                 const std::function<void(const char* data, size_t size)>& sink, Failure& failure)
{
    // O_NONBLOCK: a FIFO put in the file's place does not hold the run up.
    const int fd = OpenToRead(folder.fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Fail(failure, errno);
    struct stat st;
    bool ok = fstat(fd, &st) == 0;
    if (!ok)
        Fail(failure, errno);
    else if (!S_ISREG(st.st_mode)) {
        ok = false;
        failure.code = EINVAL;
        failure.reason = "not a regular file";
    }
    static thread_local char buffer[1 << 16];
    while (ok) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ok = Fail(failure, errno);
            break;
        }
        if (got == 0)
            break;
        sink(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return ok;
}

class File {
public:
    explicit File(int fd) : fd(fd) {}
    ~File() { close(fd); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    const int fd;
};

void FileDeleter::operator()(File* file) const
{
    delete file;
}

FileHandle OpenContent(const Folder& folder, const std::string& name, uint64_t size, Failure& failure)
{
    // O_NONBLOCK: a FIFO put in the file's place does not hold the run up
    // (the caller finds it is no longer the file it listed).
    const int fd = OpenToRead(folder.fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail(failure, errno);
        return nullptr;
    }
    // Read once in order: the kernel reads ahead further than its usual
    // 128 KiB, which is all a smaller file needs.
    if (size > (uint64_t(128) << 10))
        posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return FileHandle(new File(fd));
}

bool ContentFacts(const File& file, Facts& facts, Instant& statusChanged, Failure& failure)
{
    struct stat st;
    if (fstat(file.fd, &st) != 0)
        return Fail(failure, errno);
    FactsOfStat(st, facts);
    statusChanged = {st.st_ctim.tv_sec, static_cast<int32_t>(st.st_ctim.tv_nsec)};
    return true;
}

bool ReadSome(File& file, char* data, size_t size, size_t& got, Failure& failure)
{
    for (;;) {
        const ssize_t n = read(file.fd, data, size);
        if (n >= 0) {
            got = static_cast<size_t>(n);
            return true;
        }
        if (errno != EINTR)
            return Fail(failure, errno);
    }
}

SetResult SetFolderModified(const Folder& folder, const Facts& expected, const Instant& when, Facts& after,
                            Failure& failure)
{
    struct stat st;
    if (fstat(folder.fd, &st) != 0) {
        Fail(failure, errno);
        return SetResult::Failed;
    }
    if (!S_ISDIR(st.st_mode) || st.st_dev != expected.device || st.st_ino != expected.object ||
        st.st_mtim.tv_sec != expected.modified.seconds || st.st_mtim.tv_nsec != expected.modified.nanos) {
        FactsOfStat(st, after);
        return SetResult::Changed;
    }
    const struct timespec accessed = st.st_atim;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {when.seconds, when.nanos}};
    if (futimens(folder.fd, times) != 0) {
        Fail(failure, errno);
        return SetResult::Failed;
    }
    bool readBack = fstat(folder.fd, &st) == 0;
    // As for files: drivers that drop a modification time given alone get
    // the access time too, as it was.
    if (readBack && st.st_mtim.tv_sec == expected.modified.seconds &&
        st.st_mtim.tv_nsec == expected.modified.nanos) {
        const struct timespec both[2] = {accessed, times[1]};
        if (futimens(folder.fd, both) == 0)
            readBack = fstat(folder.fd, &st) == 0;
    }
    if (!readBack) {
        Fail(failure, errno);
        return SetResult::Failed;
    }
    FactsOfStat(st, after);
    return SetResult::Set;
}

}  // namespace fsys
