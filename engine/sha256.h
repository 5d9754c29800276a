// SHA-256 (FIPS 180-4), small and of the project's own, so that the
// Windows program needs no library beyond the system's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace engine {

class Sha256 {
public:
    Sha256();
    void Update(const void* data, size_t size);
    // The digest of everything given; the object is then spent.
    std::array<uint8_t, 32> Finish();

private:
    void Block(const uint8_t* block);

    uint32_t state_[8];
    uint8_t buffer_[64];
    size_t buffered_ = 0;
    uint64_t length_ = 0;  // bytes
};

// Lower-case hexadecimal, as mtree writes digests.
std::string Hex(const std::array<uint8_t, 32>& digest);

}  // namespace engine
