// The reader of mtree specifications: a pure parser from bytes to validated
// entries, for manifests that come from elsewhere and cannot be trusted.
//
// It reads the flat form, where every entry names its full relative path
// ("./a/b", as `bsdtar --format=mtree` and `kelvora-cli manifest` write it),
// with `/set` and `/unset`, comments, blank lines and lines continued by a
// final backslash. The hierarchical form (`mtree -c`: bare names, nested
// folders closed by "..") is refused with a message saying so. Anything
// else that does not hold up — a path that is absolute or climbs with "..",
// a NUL byte, an unknown or malformed keyword, a number out of range, a line
// longer than kMaxLine, a last line without its line end — stops the reading
// with "line N: ...". Duplicate paths are the caller's to find (see
// engine/manifest_index.h), since only it keeps the paths.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "fsys/fsys.h"

namespace engine {

struct MtreeEntry {
    std::string path;  // relative, names joined by "/"; "" for the top (".")
    fsys::Kind kind = fsys::Kind::Unknown;  // Regular, Folder, Link or Other
    bool hasSize = false;
    uint64_t size = 0;
    bool hasTime = false;
    fsys::Instant modified;
    bool hasDigest = false;
    std::array<uint8_t, 32> sha256{};
    uint64_t line = 0;  // where the entry starts, from 1
};

class MtreeReader {
public:
    // The longest line, continuations included.
    static constexpr size_t kMaxLine = 1 << 20;
    // Receives each entry; returns false with a message to stop the reading.
    using Sink = std::function<bool(MtreeEntry&& entry, std::string& error)>;

    explicit MtreeReader(Sink sink) : sink_(std::move(sink)) {}

    // The next bytes of the input, in any pieces. False, with `error`, at the
    // first fault; the reader then takes nothing more.
    bool Feed(const char* data, size_t size, std::string& error);
    // The input is over: false when it ends inside a line.
    bool Finish(std::string& error);

    uint64_t lines() const { return line_; }

private:
    bool Fail(uint64_t line, const std::string& message, std::string& error);
    bool Physical(std::string& error);  // the line in `current_` is whole
    bool Logical(const std::string& text, uint64_t line, std::string& error);
    bool Keyword(const std::string& word, uint64_t line, std::map<std::string, std::string>& into,
                 std::string& error);

    Sink sink_;
    std::string current_;   // the physical line being gathered
    std::string logical_;   // continued lines gathered so far
    uint64_t line_ = 0;     // physical lines complete
    uint64_t start_ = 0;    // where `logical_` began
    bool failed_ = false;
    std::map<std::string, std::string> set_;  // from /set
};

// Decodes a name as mtree writes it (\ooo octal, \s, \t, \n, \\ and the
// other escapes of vis(3)). False when an escape is malformed.
bool MtreeDecode(const std::string& text, std::string& bytes);

// Reads a whole specification held in memory.
bool ReadMtree(const std::string& bytes, const MtreeReader::Sink& sink, std::string& error);

}  // namespace engine
