#include "cli/manifest_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cli {

std::FILE* OpenManifestFile(const std::string& path, std::string& error)
{
    // Without waiting: opening a FIFO for reading would wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        error = std::strerror(errno);
        close(fd);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode)    ? "it is a folder, not a file"
              : S_ISFIFO(st.st_mode)   ? "it is a FIFO, not a regular file (use \"-\" to read a pipe)"
              : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "it is a device, not a regular file"
                                                           : "it is not a regular file";
        close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "rb");
    if (!file) {
        error = std::strerror(errno);
        close(fd);
    }
    return file;
}

std::FILE* ManifestStdin() { return stdin; }

}  // namespace cli
