// The file-system layer on Linux: every call relative to an open folder
// descriptor (openat, fstatat), never through a link, names as the bytes on disk.
#include "fsys/fsys.h"

#include <dirent.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <limits.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "fsys/mounts_linux.h"

namespace fsys {

class Folder {
public:
    explicit Folder(int fd) : fd(fd) {}
    ~Folder() { close(fd); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    const int fd;
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

FolderHandle Wrap(int fd, Failure& failure)
{
    if (fd < 0) {
        Fail(failure, errno);
        return nullptr;
    }
    return FolderHandle(new Folder(fd));
}

// The same file with other names, already set to `when` through one of them.
bool SetThroughTwin(const struct stat& st, const Facts& expected, const Instant& when)
{
    return S_ISREG(st.st_mode) && st.st_nlink > 1 && st.st_dev == expected.device &&
           st.st_ino == expected.object && static_cast<uint64_t>(st.st_size) == expected.size &&
           st.st_mtim.tv_sec == when.seconds && st.st_mtim.tv_nsec == when.nanos;
}

bool SameObject(const struct stat& st, const Facts& expected)
{
    return S_ISREG(st.st_mode) && st.st_dev == expected.device && st.st_ino == expected.object &&
           static_cast<uint64_t>(st.st_size) == expected.size &&
           st.st_mtim.tv_sec == expected.modified.seconds &&
           st.st_mtim.tv_nsec == expected.modified.nanos;
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
    return Wrap(fcntl(folder.fd, F_DUPFD_CLOEXEC, 0), failure);
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
    const int fd = dup(folder.fd);
    if (fd < 0)
        return Fail(failure, errno);
    DIR* dir = fdopendir(fd);
    if (!dir) {
        const int code = errno;
        close(fd);
        return Fail(failure, code);
    }
    rewinddir(dir);
    for (;;) {
        errno = 0;
        const struct dirent* entry = readdir(dir);
        if (!entry)
            break;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        entries.push_back({name, KindOfType(entry->d_type)});
    }
    const int code = errno;
    closedir(dir);
    if (code != 0)
        return Fail(failure, code);
    return true;
}

bool FolderFacts(const Folder& folder, Facts& facts, Failure& failure)
{
    struct stat st;
    if (fstat(folder.fd, &st) != 0)
        return Fail(failure, errno);
    FactsOfStat(st, facts);
    return true;
}

bool NameFacts(const Folder& folder, const std::string& name, Facts& facts, Failure& failure)
{
    struct stat st;
    if (fstatat(folder.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Fail(failure, errno);
    FactsOfStat(st, facts);
    return true;
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

SetResult SetModified(const Folder& folder, const std::string& name, const Facts& expected,
                      const Instant& when, Facts& after, Failure& failure)
{
    // O_PATH opens the object itself, whatever its permissions and without
    // touching its content or access time; with O_NOFOLLOW a link put in the
    // copy's place is opened as the link, which the check below refuses.
    const int fd = openat(folder.fd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        Fail(failure, code);
        return code == ENOENT ? SetResult::Changed : SetResult::Failed;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        Fail(failure, errno);
        close(fd);
        return SetResult::Failed;
    }
    if (!SameObject(st, expected)) {
        FactsOfStat(st, after);
        close(fd);
        return SetThroughTwin(st, expected, when) ? SetResult::Set : SetResult::Changed;
    }
    const struct timespec accessed = st.st_atim;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {when.seconds, when.nanos}};
    if (SetTimesOfObject(fd, folder.fd, name.c_str(), times) != 0) {
        Fail(failure, errno);
        close(fd);
        return SetResult::Failed;
    }
    bool readBack = fstat(fd, &st) == 0;
    // Some drivers (fusefat among them) drop a modification time that comes
    // without an access time. For them the access time is given too, as it
    // was read just above, so that it stays what it was.
    if (readBack && st.st_mtim.tv_sec == expected.modified.seconds &&
        st.st_mtim.tv_nsec == expected.modified.nanos) {
        const struct timespec both[2] = {accessed, times[1]};
        if (SetTimesOfObject(fd, folder.fd, name.c_str(), both) == 0)
            readBack = fstat(fd, &st) == 0;
    }
    const int code = errno;
    close(fd);
    if (!readBack) {
        Fail(failure, code);
        return SetResult::Failed;
    }
    FactsOfStat(st, after);
    return SetResult::Set;
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

FileHandle OpenContent(const Folder& folder, const std::string& name, Failure& failure)
{
    // O_NONBLOCK: a FIFO put in the file's place does not hold the run up
    // (the caller finds it is no longer the file it listed).
    const int fd = OpenToRead(folder.fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail(failure, errno);
        return nullptr;
    }
    // Read once in order: the kernel reads ahead further.
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
