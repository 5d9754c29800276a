// The floor of the verify benchmark: one thread that reads both files of
// every pair once, the original then its copy, in pieces of a mebibyte, and
// does nothing else (no comparison, no change).
//   verify_floor ORIGINALS COPIES      prints the bytes read on stdout
// With --compare, the least a byte comparison through read() costs: a piece
// of the original and the same piece of the copy in turn, compared, until
// they differ (no look at the files, no change).
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<char> buffer(1u << 20), other(1u << 20);
unsigned long long total = 0;
bool compare = false;

int OpenToRead(const std::string& path)
{
    return open(path.c_str(), O_RDONLY | O_NOATIME);
}

void ReadAll(const std::string& path)
{
    const int fd = OpenToRead(path);
    if (fd < 0)
        return;
    ssize_t got;
    while ((got = read(fd, buffer.data(), buffer.size())) > 0)
        total += static_cast<unsigned long long>(got);
    close(fd);
}

void Compare(const std::string& original, const std::string& copy)
{
    const int first = OpenToRead(original), second = OpenToRead(copy);
    for (ssize_t got; first >= 0 && second >= 0 && (got = read(first, buffer.data(), buffer.size())) > 0;) {
        const ssize_t also = read(second, other.data(), other.size());
        total += static_cast<unsigned long long>(got + (also > 0 ? also : 0));
        if (also != got || std::memcmp(buffer.data(), other.data(), static_cast<size_t>(got)) != 0)
            break;
    }
    close(first);
    close(second);
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
        } else if (compare) {
            Compare(originals + "/" + name, copies + "/" + name);
        } else {
            ReadAll(originals + "/" + name);
            ReadAll(copies + "/" + name);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    compare = argc == 4 && std::strcmp(argv[1], "--compare") == 0;
    if (argc != 3 + compare) {
        std::fprintf(stderr, "usage: verify_floor [--compare] ORIGINALS COPIES\n");
        return 2;
    }
    Walk(argv[1 + compare], argv[2 + compare]);
    std::printf("%llu\n", total);
    return 0;
}
