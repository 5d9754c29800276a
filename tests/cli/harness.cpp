#include "harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace harness {

namespace {

void Check(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error(what + ": " + std::strerror(errno));
}

struct timespec Spec(int64_t nanos)
{
    struct timespec spec;
    spec.tv_sec = nanos / kS;
    spec.tv_nsec = nanos % kS;
    if (spec.tv_nsec < 0) {
        spec.tv_nsec += kS;
        --spec.tv_sec;
    }
    return spec;
}

int64_t Nanos(const struct timespec& spec)
{
    return spec.tv_sec * kS + spec.tv_nsec;
}

// Removes everything inside the folder `fd` (closed at the end), giving back
// permissions and clearing the immutable flag on the way.
void EmptyFolder(int fd)
{
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return;
    }
    std::vector<std::pair<std::string, unsigned char>> names;
    while (const struct dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back({name, entry->d_type});
    }
    for (const auto& [name, type] : names) {
        if (type != DT_LNK) {
            const int file = openat(dirfd(dir), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
            if (file >= 0) {
                int flags = 0;
                if (ioctl(file, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL)) {
                    flags &= ~FS_IMMUTABLE_FL;
                    ioctl(file, FS_IOC_SETFLAGS, &flags);
                }
                close(file);
            }
            fchmodat(dirfd(dir), name.c_str(), 0700, 0);
        }
        if (unlinkat(dirfd(dir), name.c_str(), 0) == 0)
            continue;
        const int sub = openat(dirfd(dir), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        if (sub >= 0)
            EmptyFolder(sub);
        unlinkat(dirfd(dir), name.c_str(), AT_REMOVEDIR);
    }
    closedir(dir);
}

void TakeFolder(int fd, const std::string& prefix, Snapshot& snapshot)
{
    DIR* dir = fdopendir(fd);
    Check(dir != nullptr, "fdopendir " + prefix);
    std::vector<std::string> names;
    while (const struct dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    for (const std::string& name : names) {
        struct stat st;
        Check(fstatat(dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0, "stat " + name);
        EntryState state{};
        state.mode = st.st_mode & 07777;
        state.size = st.st_size;
        state.modified = Nanos(st.st_mtim);
        state.accessed = Nanos(st.st_atim);
        const std::string path = prefix.empty() ? name : prefix + "/" + name;
        if (S_ISDIR(st.st_mode)) {
            state.kind = 'd';
            state.accessed = 0;  // listing a folder may read its access time forward
            const int sub = openat(dirfd(dir), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            if (sub >= 0)
                TakeFolder(sub, path, snapshot);
        } else if (S_ISLNK(st.st_mode)) {
            state.kind = 'l';
            state.accessed = 0;  // reading the target moves a link's access time
            char target[4096];
            const ssize_t n = readlinkat(dirfd(dir), name.c_str(), target, sizeof target);
            state.content.assign(target, n > 0 ? static_cast<size_t>(n) : 0);
        } else if (S_ISREG(st.st_mode)) {
            state.kind = 'f';
            // Read through O_NOATIME where allowed, so that the snapshot
            // itself moves no access time.
            int file = openat(dirfd(dir), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NOATIME);
            if (file < 0)
                file = openat(dirfd(dir), name.c_str(), O_RDONLY | O_NOFOLLOW);
            if (file >= 0) {
                char buffer[65536];
                ssize_t n;
                while ((n = read(file, buffer, sizeof buffer)) > 0)
                    state.content.append(buffer, static_cast<size_t>(n));
                close(file);
            }
            // Reading may have moved the access time on some mounts: the
            // state keeps what stat said before the read.
        } else {
            state.kind = 'o';
        }
        snapshot[path] = state;
    }
    closedir(dir);
}

}  // namespace

Scratch::Scratch()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kelvora-cli-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    Check(mkdtemp(name.data()) != nullptr, "mkdtemp");
    path_ = name.data();
}

Scratch::~Scratch()
{
    const int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0)
        EmptyFolder(fd);
    rmdir(path_.c_str());
}

void MakeFolders(const std::string& path)
{
    for (size_t at = path.find('/', 1); ; at = path.find('/', at + 1)) {
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            Check(false, "mkdir " + part);
        if (at == std::string::npos)
            break;
    }
}

void SetTimes(const std::string& path, int64_t modifiedNanos, int64_t accessedNanos)
{
    struct timespec times[2] = {Spec(accessedNanos < 0 ? modifiedNanos : accessedNanos),
                                Spec(modifiedNanos)};
    Check(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0, "utimensat " + path);
}

void WriteFile(const std::string& path, size_t size, int64_t modifiedNanos, int64_t accessedNanos)
{
    MakeFolders(path.substr(0, path.rfind('/')));
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Check(fd >= 0, "create " + path);
    const std::string content = Content(path, size);
    Check(write(fd, content.data(), size) == static_cast<ssize_t>(size), "write " + path);
    close(fd);
    SetTimes(path, modifiedNanos, accessedNanos);
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    MakeFolders(path.substr(0, path.rfind('/')));
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    Check(fd >= 0, "open " + path);
    Check(write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write " + path);
    close(fd);
}

int64_t ModifiedNanos(const std::string& path)
{
    struct stat st;
    Check(lstat(path.c_str(), &st) == 0, "lstat " + path);
    return Nanos(st.st_mtim);
}

Snapshot Take(const std::string& root)
{
    Snapshot snapshot;
    const int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    Check(fd >= 0, "open " + root);
    TakeFolder(fd, "", snapshot);
    return snapshot;
}

const std::string& DefaultStateHome()
{
    static Scratch state;
    return state.path();
}

Result Run(const std::vector<std::string>& args, const RunOptions& options)
{
    const std::string stateHome = options.stateHome.empty() ? DefaultStateHome() : options.stateHome;
    int out[2], err[2];
    Check(pipe2(out, O_CLOEXEC) == 0 && pipe2(err, O_CLOEXEC) == 0, "pipe");
    const pid_t pid = fork();
    Check(pid >= 0, "fork");
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (!options.outputFile.empty()) {
            const int file = open(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(file, 1);
        } else if (options.closedOutput) {
            int closed[2];
            if (pipe(closed) == 0) {
                close(closed[0]);
                dup2(closed[1], 1);
            }
        }
        if (options.withoutOverride && geteuid() == 0) {
            prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
            prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
        }
        if (options.fileSizeLimit > 0) {
            // Writes past the limit fail (EFBIG) instead of ending the process.
            signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit = {static_cast<rlim_t>(options.fileSizeLimit),
                                         static_cast<rlim_t>(options.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (options.openFileLimit > 0) {
            const struct rlimit limit = {static_cast<rlim_t>(options.openFileLimit),
                                         static_cast<rlim_t>(options.openFileLimit)};
            setrlimit(RLIMIT_NOFILE, &limit);
        }
        if (!options.workingFolder.empty() && chdir(options.workingFolder.c_str()) != 0)
            _exit(126);
        setenv("XDG_STATE_HOME", stateHome.c_str(), 1);
        for (const std::string& setting : options.environment)
            putenv(const_cast<char*>(setting.c_str()));
        std::vector<char*> argv;
        std::vector<std::string> copies(options.prefix);
        copies.push_back(KELVORA_CLI);
        copies.insert(copies.end(), args.begin(), args.end());
        for (std::string& arg : copies)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (options.whileRunning)
        options.whileRunning(pid);
    Result result;
    // Both pipes read together, so that neither can fill and block the program.
    struct pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[65536];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                into[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::vector<std::string> JournalsIn(const std::string& stateHome)
{
    std::vector<std::string> names;
    const std::string folder = stateHome + "/kelvora/journal";
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                names.push_back(folder + "/" + entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace harness
