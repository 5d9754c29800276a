#include "cli/platform.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "cli/output.h"

namespace cli {

std::vector<std::string> Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void PrepareProcess()
{
    // A closed pipe is told by the failed write (EPIPE), so that the run
    // stops as on Ctrl+C and finishes its journal, rather than being killed.
    std::signal(SIGPIPE, SIG_IGN);
    // More open folders allow the walk to keep more of them open.
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 65536);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

long OpenFileLimit()
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 65536;
    return static_cast<long>(std::min<rlim_t>(limit.rlim_cur, 65536));
}

bool IsTerminal(std::FILE* stream)
{
    return isatty(fileno(stream));
}

int TerminalWidth(std::FILE* stream)
{
    struct winsize size = {};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 0;
}

void Write(std::FILE* stream, const std::string& text)
{
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size())
        NoteWriteFailure(stream, errno);
}

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

namespace {

// Opens an existing output at `path`: a regular file only with `replace`
// (emptied, and never one with other names or behind a link); a pipe or a
// device (/dev/stdout, the FIFO of a reader) as it is.
int OpenExisting(const std::string& path, bool replace, std::string& error)
{
    struct stat named;
    if (lstat(path.c_str(), &named) != 0) {
        error = std::strerror(errno);
        return -1;
    }
    const bool link = S_ISLNK(named.st_mode);
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | (link ? 0 : O_NOFOLLOW));
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        error = std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode))
        return fd;
    error = link              ? "it is a link to a file, which is not followed"
          : !replace          ? "it exists (--force replaces it)"
          : st.st_nlink > 1   ? "it has other names (hard links), whose content would be lost too"
          : st.st_ino != named.st_ino || st.st_dev != named.st_dev ? "it was replaced while it was opened"
                                                                   : "";
    if (error.empty() && ftruncate(fd, 0) != 0)
        error = std::strerror(errno);
    if (error.empty())
        return fd;
    close(fd);
    return -1;
}

}  // namespace

std::FILE* CreateOutputFile(const std::string& path, bool replace, bool& made, std::string& error)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    made = fd >= 0;
    if (fd < 0 && errno == EEXIST)
        fd = OpenExisting(path, replace, error);
    else if (fd < 0)
        error = std::strerror(errno);
    if (fd < 0)
        return nullptr;
    std::FILE* file = fdopen(fd, "w");
    if (!file) {
        error = std::strerror(errno);
        close(fd);
    }
    return file;
}

void RemoveFile(const std::string& path)
{
    unlink(path.c_str());
}

char PathSeparator()
{
    return '/';
}

}  // namespace cli
