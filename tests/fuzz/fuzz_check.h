// Checks for fuzz targets: a failed property prints the input, escaped, and
// aborts, which libFuzzer records as a crash and the replay run reports as a
// failed test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

// The bytes of text with those outside printable ASCII as \xNN.
inline std::string Escaped(const std::string& text)
{
    std::string out;
    for (const unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
            out += buffer;
        }
    }
    return out;
}

[[noreturn]] inline void Fail(const char* file, int line, const char* condition,
                              const std::string& input, const std::string& detail)
{
    std::fprintf(stderr, "%s:%d: property failed: %s\n  input: \"%s\"\n", file, line, condition,
                 Escaped(input).c_str());
    if (!detail.empty())
        std::fprintf(stderr, "  %s\n", detail.c_str());
    std::abort();
}

// The fuzzer's bytes cut at each zero byte: n zero bytes give n + 1 pieces.
inline std::vector<std::string> SplitAtZero(const uint8_t* data, size_t size)
{
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            pieces.emplace_back();
        else
            pieces.back() += static_cast<char>(data[i]);
    }
    return pieces;
}

}  // namespace fuzz

// CHECK(condition, input, detail): input is the text under test, detail any
// further text that helps to read the failure.
#define FUZZ_CHECK(condition, input, detail)                                     \
    do {                                                                         \
        if (!(condition))                                                        \
            ::fuzz::Fail(__FILE__, __LINE__, #condition, (input), (detail));     \
    } while (0)
