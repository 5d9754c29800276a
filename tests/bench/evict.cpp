// Drops the cached pages of every regular file below the folders given
// (posix_fadvise POSIX_FADV_DONTNEED; run `sync` first, since dirty pages
// stay), so that the next run reads them from the disk: a cold cache where
// /proc/sys/vm/drop_caches may not be written.
//   evict FOLDER ...
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

void Evict(const std::string& path)
{
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return;
    while (const struct dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string child = path + "/" + name;
        if (entry->d_type == DT_DIR) {
            Evict(child);
        } else if (entry->d_type == DT_REG) {
            const int fd = open(child.c_str(), O_RDONLY | O_NOATIME);
            if (fd >= 0) {
                posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
                close(fd);
            }
        }
    }
    closedir(dir);
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        Evict(argv[i]);
    return 0;
}
