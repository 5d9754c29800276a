// The parts of the test harness that are the same on every system: the pairs
// of trees written, the snapshots compared and the output cut into lines.
// What touches the file system or starts the program is in harness.cpp (Linux)
// and harness_windows.cpp (Windows).
#include "harness.h"

#include <fstream>
#include <sstream>

namespace harness {

std::string Content(const std::string& path, size_t size)
{
    std::string content(size, 0);
    for (size_t i = 0; i < size; ++i)
        content[i] = static_cast<char>('a' + (i * 7 + path.size()) % 26);
    return content;
}

void WritePairs(const std::string& originals, const std::string& copies, const std::vector<Pair>& pairs)
{
    for (const Pair& pair : pairs) {
        WriteFile(originals + "/" + pair.relative, pair.size, pair.originalNanos);
        WriteFile(copies + "/" + pair.relative, pair.copySize ? pair.copySize : pair.size,
                  pair.originalNanos + pair.deltaNanos, pair.originalNanos - 5 * kS);
    }
}

bool EntryState::operator==(const EntryState& o) const
{
    return kind == o.kind && mode == o.mode && size == o.size && modified == o.modified &&
           accessed == o.accessed && content == o.content;
}

std::vector<std::string> Differences(const Snapshot& before, const Snapshot& after)
{
    std::vector<std::string> names;
    for (const auto& [name, state] : before) {
        auto it = after.find(name);
        if (it == after.end() || !(it->second == state))
            names.push_back(name);
    }
    for (const auto& [name, state] : after)
        if (!before.count(name))
            names.push_back(name);
    return names;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = text.find('\n', from);
        lines.push_back(text.substr(from, end == std::string::npos ? std::string::npos : end - from));
        if (end == std::string::npos)
            break;
        from = end + 1;
    }
    return lines;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace harness
