// Reads what the tests check of a Windows program without running it: the
// machine, the kind of image, the subsystem, the large-address flag and the
// names of the DLLs it imports, from the headers of its file.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct PeImage {
    uint16_t machine = 0;          // 0x14C: i386, 0x8664: x86-64
    uint16_t characteristics = 0;  // 0x20: large-address aware
    uint16_t magic = 0;            // 0x10B: PE32, 0x20B: PE32+
    uint16_t subsystem = 0;        // 2: GUI, 3: console
    std::vector<std::string> imports;
};

namespace pe_detail {

inline uint32_t Read(const std::vector<unsigned char>& bytes, size_t at, size_t size)
{
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i)
        value |= static_cast<uint32_t>(bytes.at(at + i)) << (8 * i);
    return value;
}

}  // namespace pe_detail

// The image's facts; nothing when the file cannot be read or is not a PE
// image. Throws std::out_of_range on a header that points outside the file.
inline std::optional<PeImage> ReadPeImage(const std::string& path)
{
    using pe_detail::Read;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                           std::istreambuf_iterator<char>());
    if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z')
        return std::nullopt;
    const size_t nt = Read(bytes, 0x3C, 4);
    if (Read(bytes, nt, 4) != 0x00004550)  // "PE\0\0"
        return std::nullopt;

    PeImage image;
    const size_t coff = nt + 4;
    image.machine = static_cast<uint16_t>(Read(bytes, coff, 2));
    const size_t sectionCount = Read(bytes, coff + 2, 2);
    const size_t optionalSize = Read(bytes, coff + 16, 2);
    image.characteristics = static_cast<uint16_t>(Read(bytes, coff + 18, 2));
    const size_t optional = coff + 20;
    image.magic = static_cast<uint16_t>(Read(bytes, optional, 2));
    image.subsystem = static_cast<uint16_t>(Read(bytes, optional + 68, 2));
    // The data directories follow the fixed part, 96 bytes in PE32 and 112
    // in PE32+; the import table is the second.
    const size_t directories = optional + (image.magic == 0x20B ? 112 : 96);
    const uint32_t importRva = Read(bytes, directories + 8, 4);

    // A virtual address to a file offset, through the section table.
    const size_t sections = optional + optionalSize;
    auto offsetOf = [&](uint32_t rva) -> size_t {
        for (size_t s = 0; s < sectionCount; ++s) {
            const size_t header = sections + 40 * s;
            const uint32_t address = Read(bytes, header + 12, 4);
            const uint32_t rawSize = Read(bytes, header + 16, 4);
            const uint32_t rawOffset = Read(bytes, header + 20, 4);
            if (rva >= address && rva < address + rawSize)
                return rawOffset + (rva - address);
        }
        throw std::out_of_range("address outside every section");
    };
    if (importRva != 0) {
        for (size_t entry = offsetOf(importRva); Read(bytes, entry + 12, 4) != 0; entry += 20) {
            std::string name;
            for (size_t at = offsetOf(Read(bytes, entry + 12, 4)); bytes.at(at) != 0; ++at)
                name.push_back(static_cast<char>(bytes[at]));
            image.imports.push_back(name);
        }
    }
    return image;
}
