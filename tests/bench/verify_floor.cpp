// The floor of the verify benchmark: one thread that reads both files of
// every pair once, the original then its copy, in pieces of a mebibyte, and
// does nothing else (no comparison, no change).
//   verify_floor ORIGINALS COPIES      prints the bytes read on stdout
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<char> buffer(1u << 20);
unsigned long long total = 0;

void ReadAll(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOATIME);
    if (fd < 0)
        return;
    ssize_t got;
    while ((got = read(fd, buffer.data(), buffer.size())) > 0)
        total += static_cast<unsigned long long>(got);
    close(fd);
}

void Walk(const std::string& originals, const std::string& copies)
{
    DIR* dir = opendir(originals.c_str());
    if (!dir)
        return;
    std::vector<std::pair<std::string, bool>> entries;
    while (const struct dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back({name, entry->d_type == DT_DIR});
    }
    closedir(dir);
    for (const auto& [name, folder] : entries) {
        if (folder) {
            Walk(originals + "/" + name, copies + "/" + name);
        } else {
            ReadAll(originals + "/" + name);
            ReadAll(copies + "/" + name);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: verify_floor ORIGINALS COPIES\n");
        return 2;
    }
    Walk(argv[1], argv[2]);
    std::printf("%llu\n", total);
    return 0;
}
