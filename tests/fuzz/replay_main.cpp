// Runs a fuzz target once on every file of the folders (or files) named on
// its command line, in name order: the seed corpus and the kept regression
// inputs, for builds without libFuzzer. Any failure aborts the process. A
// folder that does not exist holds no inputs (a target without regressions
// has no folder for them), but at least one input must be found.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> InputsOf(const std::filesystem::path& place)
{
    std::vector<std::filesystem::path> inputs;
    if (std::filesystem::is_directory(place)) {
        for (const auto& entry : std::filesystem::directory_iterator(place)) {
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
        }
        std::sort(inputs.begin(), inputs.end());
    } else {
        inputs.push_back(place);
    }
    return inputs;
}

}  // namespace

int main(int argc, char** argv)
{
    size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::filesystem::exists(argv[i]))
            continue;
        for (const auto& input : InputsOf(argv[i])) {
            std::ifstream file(input, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
            std::fprintf(stderr, "%s\n", input.c_str());
            // A copy of exactly the input's size, so that AddressSanitizer
            // sees any read past its end.
            std::vector<uint8_t> data(bytes.begin(), bytes.end());
            static const uint8_t kNothing = 0;
            LLVMFuzzerTestOneInput(data.empty() ? &kNothing : data.data(), data.size());
            ++count;
        }
    }
    std::printf("%zu inputs replayed\n", count);
    if (count == 0)
        std::fprintf(stderr, "no inputs found\n");
    return count == 0 ? 1 : 0;
}
