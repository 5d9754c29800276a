#include "engine/mtree_writer.h"

#include <cinttypes>
#include <cstdio>

#include "engine/sha256.h"

namespace engine {

namespace {

bool Plain(unsigned char c)
{
    if (c <= 0x20 || c >= 0x7f)
        return false;
    switch (c) {
    case '#': case '=': case '\\': case '*': case '?': case '[': return false;
    default: return true;
    }
}

std::string Entry(const std::string& path)
{
    return path.empty() ? std::string(".") : "./" + MtreeEncode(path);
}

}  // namespace

std::string MtreeEncode(const std::string& bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (const char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (Plain(c)) {
            text += ch;
            continue;
        }
        text += '\\';
        text += static_cast<char>('0' + (c >> 6));
        text += static_cast<char>('0' + ((c >> 3) & 7));
        text += static_cast<char>('0' + (c & 7));
    }
    return text;
}

std::string MtreeFileLine(const std::string& path, uint64_t size, const fsys::Instant& modified,
                          const std::array<uint8_t, 32>* sha256)
{
    // Both libarchive and BSD mtree read the part after the point as a count
    // of nanoseconds: it is always written with its nine digits.
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, " type=file size=%" PRIu64 " time=%" PRId64 ".%09d", size,
                  modified.seconds, static_cast<int>(modified.nanos));
    std::string line = Entry(path) + numbers;
    if (sha256)
        line += " sha256digest=" + Hex(*sha256);
    line += '\n';
    return line;
}

std::string MtreeFolderLine(const std::string& path)
{
    return Entry(path) + " type=dir\n";
}

}  // namespace engine
