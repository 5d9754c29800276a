// A pass-through file system that waits a fixed time in every operation, as
// each call to a network file system waits for its round trip: the share
// benchmark's stand-in for a network slower than the loopback. Every look
// goes through (no attribute or name is cached by the kernel), inode numbers
// are passed on, and operations run on as many threads as the kernel sends
// them, so that calls made at once overlap their waits as round trips do.
//   bench_delay_fs SOURCE MOUNTPOINT MICROSECONDS [FUSE options]
// It goes to the background once mounted; fusermount3 -u MOUNTPOINT ends it.
#define FUSE_USE_VERSION 31

#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

int source = -1;   // the folder passed through, opened before the mount
long delayUs = 0;  // the wait of every operation

void Wait()
{
    if (delayUs <= 0)
        return;
    timespec rest{delayUs / 1000000, (delayUs % 1000000) * 1000};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

// The path inside the source folder ("/" is the folder itself).
const char* Inside(const char* path)
{
    return path[1] ? path + 1 : ".";
}

int Result(int status)
{
    return status < 0 ? -errno : 0;
}

void* Init(fuse_conn_info*, fuse_config* config)
{
    config->use_ino = 1;
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    return nullptr;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info* file)
{
    Wait();
    if (file)
        return Result(fstat(static_cast<int>(file->fh), st));
    return Result(fstatat(source, Inside(path), st, AT_SYMLINK_NOFOLLOW));
}

int ReadLink(const char* path, char* buffer, size_t size)
{
    Wait();
    const ssize_t n = readlinkat(source, Inside(path), buffer, size - 1);
    if (n < 0)
        return -errno;
    buffer[n] = '\0';
    return 0;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags)
{
    Wait();
    const int fd = openat(source, Inside(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        const int code = errno;
        close(fd);
        return -code;
    }
    while (const dirent* entry = readdir(dir)) {
        struct stat st {};
        st.st_ino = entry->d_ino;
        st.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
        if (fill(buffer, entry->d_name, &st, 0, static_cast<fuse_fill_dir_flags>(0)))
            break;
    }
    closedir(dir);
    return 0;
}

int Open(const char* path, fuse_file_info* file)
{
    Wait();
    const int fd = openat(source, Inside(path), (file->flags & ~O_CREAT) | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    file->fh = static_cast<uint64_t>(fd);
    return 0;
}

int Read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* file)
{
    Wait();
    const ssize_t n = pread(static_cast<int>(file->fh), buffer, size, offset);
    return n < 0 ? -errno : static_cast<int>(n);
}

int Release(const char*, fuse_file_info* file)
{
    Wait();
    close(static_cast<int>(file->fh));
    return 0;
}

int SetTimes(const char* path, const struct timespec times[2], fuse_file_info* file)
{
    Wait();
    if (file)
        return Result(futimens(static_cast<int>(file->fh), times));
    return Result(utimensat(source, Inside(path), times, AT_SYMLINK_NOFOLLOW));
}

int StatFs(const char*, struct statvfs* st)
{
    Wait();
    return Result(fstatvfs(source, st));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_delay_fs SOURCE MOUNTPOINT MICROSECONDS [FUSE options]\n");
        return 2;
    }
    source = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (source < 0) {
        std::perror(argv[1]);
        return 1;
    }
    delayUs = std::strtol(argv[3], nullptr, 10);

    fuse_operations operations{};
    operations.init = Init;
    operations.getattr = GetAttr;
    operations.readlink = ReadLink;
    operations.readdir = ReadDir;
    operations.open = Open;
    operations.read = Read;
    operations.release = Release;
    operations.utimens = SetTimes;
    operations.statfs = StatFs;

    // The program's name, the mount point, then the FUSE options given.
    std::vector<char*> args = {argv[0], argv[2]};
    for (int i = 4; i < argc; ++i)
        args.push_back(argv[i]);
    return fuse_main(static_cast<int>(args.size()), args.data(), &operations, nullptr);
}
