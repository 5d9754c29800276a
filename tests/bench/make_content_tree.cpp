// Trees of the verify benchmark: pairs of files with real content, from 4 KiB
// to 4 MiB (sizes spread evenly on a logarithmic scale), MEBIBYTES of
// originals in all, a hundred files a folder. Each
// copy has its original's content and is an hour later; every hundredth
// copy differs from its original in its last byte.
//   make_content_tree DIR MEBIBYTES            makes DIR/originals and DIR/copies
//   make_content_tree --restore DIR MEBIBYTES  puts the copies' times and last
//                                              bytes back as they were made
// Prints the number of pairs, and of those that differ, on stdout.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kBase = 1262304000;

uint64_t Next(uint64_t& state)
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

void Die(const std::string& what)
{
    std::perror(what.c_str());
    std::exit(1);
}

void SetTime(const std::string& path, int64_t seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        Die(path);
}

void Write(const std::string& path, const std::vector<char>& data, size_t size)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || write(fd, data.data(), size) != static_cast<ssize_t>(size))
        Die(path);
    close(fd);
}

}  // namespace

int main(int argc, char** argv)
{
    int at = 1;
    const bool restore = argc > 1 && std::strcmp(argv[1], "--restore") == 0;
    at += restore;
    if (argc - at != 2) {
        std::fprintf(stderr, "usage: make_content_tree [--restore] DIR MEBIBYTES\n");
        return 2;
    }
    const std::string dir = argv[at];
    const uint64_t total = std::strtoull(argv[at + 1], nullptr, 10) << 20;
    const std::string o = dir + "/originals", c = dir + "/copies";
    if (!restore) {
        mkdir(dir.c_str(), 0755);
        mkdir(o.c_str(), 0755);
        mkdir(c.c_str(), 0755);
    }
    uint64_t sizes = 0x9E3779B97F4A7C15ull, bytes = 0x2545F4914F6CDD1Dull;
    std::vector<char> data(4u << 20);
    uint64_t done = 0, pairs = 0, differing = 0;
    while (done < total) {
        // Log-uniform from 4 KiB to 4 MiB.
        const double exponent = 12 + 10 * double(Next(sizes) % 1000000) / 1000000;
        size_t size = static_cast<size_t>(std::exp2(exponent));
        if (size > data.size())
            size = data.size();
        const std::string folder = "/d" + std::to_string(pairs / 100);
        const std::string name = folder + "/f" + std::to_string(pairs % 100);
        const bool differs = pairs % 100 == 99;
        if (!restore) {
            if (pairs % 100 == 0) {
                mkdir((o + folder).c_str(), 0755);
                mkdir((c + folder).c_str(), 0755);
            }
            for (size_t i = 0; i < size; i += 8) {
                const uint64_t word = Next(bytes);
                std::memcpy(&data[i], &word, std::min<size_t>(8, size - i));
            }
            Write(o + name, data, size);
            SetTime(o + name, kBase + int64_t(pairs));
            if (differs)
                data[size - 1] = static_cast<char>(data[size - 1] ^ 1);
            Write(c + name, data, size);
        } else if (differs) {
            // A run that copies content (rsync) made it the original's again.
            char last;
            const int from = open((o + name).c_str(), O_RDONLY);
            const int to = open((c + name).c_str(), O_WRONLY);
            if (from < 0 || to < 0 || pread(from, &last, 1, off_t(size - 1)) != 1)
                Die(name);
            last = static_cast<char>(last ^ 1);
            if (pwrite(to, &last, 1, off_t(size - 1)) != 1)
                Die(name);
            close(from);
            close(to);
        }
        SetTime(c + name, kBase + int64_t(pairs) + 3600);
        differing += differs;
        done += size;
        ++pairs;
    }
    std::printf("%llu %llu\n", static_cast<unsigned long long>(pairs), static_cast<unsigned long long>(differing));
    return 0;
}
