// Generates the benchmark's pair of trees, natively: PAIRS originals of 1 to
// 4 KiB spread over FOLDERS folders, and their copies — half one hour off,
// a quarter at the same time, a quarter of another size (one hour off).
//   make_tree DIR PAIRS FOLDERS            create the trees
//   make_tree --retime DIR PAIRS FOLDERS   only set every file's time again
//   make_tree --restore DIR PAIRS FOLDERS  write again every copy whose size
//                                          changed, and set every time again
// With --times-only after the mode, the last quarter keeps its size (only
// its time is off).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const time_t kBase = 1262304000;  // 2010-01-01 00:00:00 UTC

struct FileSpec {
    std::string relative;
    size_t originalSize, copySize;
    time_t originalTime, copyTime;
};

bool timesOnly = false;

FileSpec Spec(long k, long folders)
{
    FileSpec spec;
    spec.relative = "d" + std::to_string(k % folders) + "/f" + std::to_string(k) + ".dat";
    spec.originalSize = 1024 + (k * 37) % 3072;
    spec.copySize = spec.originalSize;
    // Spread over the year, so that both seasons are present.
    spec.originalTime = kBase + k * 631;
    switch (k % 4) {
    case 0: spec.copyTime = spec.originalTime + 3600; break;
    case 1: spec.copyTime = spec.originalTime - 3600; break;
    case 2: spec.copyTime = spec.originalTime; break;
    default: spec.copyTime = spec.originalTime + 3600; spec.copySize += timesOnly ? 0 : 1; break;
    }
    return spec;
}

void SetTime(const std::string& path, time_t when)
{
    struct timespec times[2] = {{when, 0}, {when, 0}};
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        std::perror(path.c_str());
}

void Write(const std::string& path, size_t size, time_t when)
{
    static std::vector<char> content(8192, 'k');
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || write(fd, content.data(), size) != static_cast<ssize_t>(size)) {
        std::perror(path.c_str());
        std::exit(1);
    }
    close(fd);
    SetTime(path, when);
}

}  // namespace

int main(int argc, char** argv)
{
    int at = 1;
    const bool retime = argc > at && std::strcmp(argv[at], "--retime") == 0;
    const bool restore = argc > at && std::strcmp(argv[at], "--restore") == 0;
    at += retime || restore;
    timesOnly = argc > at && std::strcmp(argv[at], "--times-only") == 0;
    at += timesOnly;
    if (argc != at + 3) {
        std::fprintf(stderr, "usage: make_tree [--retime|--restore] [--times-only] DIR PAIRS FOLDERS\n");
        return 2;
    }
    const std::string dir = argv[at];
    const long pairs = std::atol(argv[at + 1]);
    const long folders = std::atol(argv[at + 2]);
    if (!retime && !restore) {
        for (const char* side : {"/originals", "/copies"}) {
            mkdir((dir + side).c_str(), 0755);
            for (long f = 0; f < folders; ++f)
                mkdir((dir + side + "/d" + std::to_string(f)).c_str(), 0755);
        }
    }
    for (long k = 0; k < pairs; ++k) {
        const FileSpec spec = Spec(k, folders);
        const std::string original = dir + "/originals/" + spec.relative;
        const std::string copy = dir + "/copies/" + spec.relative;
        struct stat st;
        if (retime || (restore && lstat(copy.c_str(), &st) == 0 &&
                       static_cast<size_t>(st.st_size) == spec.copySize)) {
            SetTime(original, spec.originalTime);
            SetTime(copy, spec.copyTime);
        } else {
            Write(original, spec.originalSize, spec.originalTime);
            Write(copy, spec.copySize, spec.copyTime);
        }
    }
    return 0;
}
