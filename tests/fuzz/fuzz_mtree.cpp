// The mtree reader. Input: the bytes of a manifest. Whatever it accepts
// names only places inside the copies folder (relative, no empty, "." or
// ".." name, no NUL byte), with kinds, times and sizes in their ranges; each
// entry written again by the writer reads back the same; the same bytes fed
// in pieces read the same as whole. Whatever it refuses comes with a
// message that names a line of the input.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/mtree_reader.h"
#include "engine/mtree_writer.h"
#include "fuzz_check.h"

namespace {

// Checked by hand here rather than with the reader's own rules.
bool StaysInside(const std::string& path)
{
    if (path.empty())
        return true;  // the top
    if (path[0] == '/' || path.find('\0') != std::string::npos)
        return false;
    size_t from = 0;
    for (;;) {
        const size_t end = path.find('/', from);
        const std::string name = path.substr(from, end == std::string::npos ? std::string::npos : end - from);
        if (name.empty() || name == "." || name == "..")
            return false;
        if (end == std::string::npos)
            return true;
        from = end + 1;
    }
}

struct Outcome {
    bool ok = false;
    std::string error;
    std::vector<engine::MtreeEntry> entries;
};

Outcome Read(const std::string& bytes, size_t cut1, size_t cut2)
{
    Outcome outcome;
    engine::MtreeReader reader([&outcome](engine::MtreeEntry&& entry, std::string&) {
        outcome.entries.push_back(std::move(entry));
        return true;
    });
    outcome.ok = reader.Feed(bytes.data(), cut1, outcome.error) &&
                 reader.Feed(bytes.data() + cut1, cut2 - cut1, outcome.error) &&
                 reader.Feed(bytes.data() + cut2, bytes.size() - cut2, outcome.error) &&
                 reader.Finish(outcome.error);
    return outcome;
}

bool Same(const engine::MtreeEntry& a, const engine::MtreeEntry& b)
{
    return a.path == b.path && a.kind == b.kind && a.hasSize == b.hasSize && a.size == b.size &&
           a.hasTime == b.hasTime && a.modified == b.modified && a.hasDigest == b.hasDigest &&
           a.sha256 == b.sha256 && a.line == b.line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Outcome whole = Read(bytes, 0, 0);
    const Outcome pieces = Read(bytes, size / 3, size - size / 5);
    FUZZ_CHECK(whole.ok == pieces.ok && whole.error == pieces.error && whole.entries.size() == pieces.entries.size(),
               bytes, "whole: " + whole.error + " / in pieces: " + pieces.error);
    for (size_t i = 0; i < whole.entries.size(); ++i)
        FUZZ_CHECK(Same(whole.entries[i], pieces.entries[i]), bytes, "entry " + std::to_string(i) + " differs");
    if (!whole.ok) {
        const uint64_t lines = static_cast<uint64_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
        FUZZ_CHECK(whole.error.rfind("line ", 0) == 0, bytes, whole.error);
        const uint64_t named = std::strtoull(whole.error.c_str() + 5, nullptr, 10);
        FUZZ_CHECK(named >= 1 && named <= lines, bytes, whole.error);
        return 0;
    }
    FUZZ_CHECK(size == 0 || bytes.back() == '\n', bytes, "accepted without a final line end");
    uint64_t previous = 0;
    for (const engine::MtreeEntry& entry : whole.entries) {
        FUZZ_CHECK(StaysInside(entry.path), bytes, "path \"" + fuzz::Escaped(entry.path) + "\"");
        FUZZ_CHECK(entry.kind != fsys::Kind::Unknown, bytes, "no kind for " + fuzz::Escaped(entry.path));
        FUZZ_CHECK(entry.line > previous, bytes, "lines out of order");
        previous = entry.line;
        FUZZ_CHECK(entry.modified.nanos >= 0 && entry.modified.nanos <= 999999999, bytes, "nanoseconds");
        FUZZ_CHECK(entry.size <= uint64_t(INT64_MAX), bytes, "size");
        // Written again and read back: the same entry.
        std::string again = engine::kMtreeSignature;
        for (uint64_t i = 1; i < entry.line; ++i)
            again += "#\n";
        if (entry.kind == fsys::Kind::Regular && entry.hasSize && entry.hasTime)
            again += engine::MtreeFileLine(entry.path, entry.size, entry.modified,
                                           entry.hasDigest ? &entry.sha256 : nullptr);
        else if (entry.kind == fsys::Kind::Folder)
            again += engine::MtreeFolderLine(entry.path);
        else
            continue;
        const Outcome back = Read(again.substr(7), 0, 0);  // without the signature: the lines stay in step
        FUZZ_CHECK(back.ok && back.entries.size() == 1, bytes, "written again: " + back.error);
        engine::MtreeEntry expected = entry;
        if (entry.kind == fsys::Kind::Folder) {
            expected.hasSize = expected.hasTime = expected.hasDigest = false;
            expected.size = 0;
            expected.modified = {};
            expected.sha256 = {};
        }
        FUZZ_CHECK(Same(back.entries[0], expected), bytes, "written again, read back otherwise: " + fuzz::Escaped(again));
    }
    return 0;
}
