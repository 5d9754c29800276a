// The journal reader. Input: the bytes of a journal file. Whatever it
// accepts names only places inside the copies folder: every record's path is
// relative, not empty, and has no empty, "." or ".." name nor a NUL byte, so
// that an undo driven by a forged or damaged journal cannot reach a file
// elsewhere; the folders of the run are absolute, the intents are numbered
// 1, 2, ... and a journal is only torn where its last line has no line end.
// Whatever it refuses comes with a message.
#include <cstdint>
#include <string>

#include "engine/journal_reader.h"
#include "fuzz_check.h"

namespace {

// Checked by hand here rather than with the reader's own helper, so that a
// fault in that helper is caught too.
bool StaysInside(const std::string& path, std::string& why)
{
    if (path.empty()) {
        why = "empty";
        return false;
    }
    if (path[0] == '/') {
        why = "absolute";
        return false;
    }
    if (path.find('\0') != std::string::npos) {
        why = "holds a NUL byte";
        return false;
    }
    size_t from = 0;
    while (from <= path.size()) {
        size_t end = path.find('/', from);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(from, end - from);
        if (name.empty() || name == "." || name == "..") {
            why = "has the name \"" + name + "\"";
            return false;
        }
        from = end + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    engine::Journal journal;
    std::string error;
    if (!engine::ParseJournal(bytes, journal, error)) {
        FUZZ_CHECK(!error.empty(), bytes, "refused without a message");
        return 0;
    }
    const engine::JournalHeader& header = journal.header;
    FUZZ_CHECK(header.version == engine::kJournalVersion || header.version == engine::kOldJournalVersion, bytes,
               std::to_string(header.version));
    FUZZ_CHECK(header.identified == (header.version >= 2), bytes, "identities and version disagree");
    FUZZ_CHECK(header.command == "fix" || header.command == "undo", bytes, header.command);
    FUZZ_CHECK(!header.copies.empty() && header.copies[0] == '/', bytes,
               "copies folder \"" + fuzz::Escaped(header.copies) + "\"");
    FUZZ_CHECK(!header.originals.empty() && header.originals[0] == '/', bytes,
               "originals folder \"" + fuzz::Escaped(header.originals) + "\"");
    for (size_t i = 0; i < journal.entries.size(); ++i) {
        const engine::JournalEntry& entry = journal.entries[i];
        std::string why;
        FUZZ_CHECK(StaysInside(entry.path, why), bytes,
                   "record " + std::to_string(i + 1) + " path \"" + fuzz::Escaped(entry.path) + "\" " + why);
        FUZZ_CHECK(entry.serial == i + 1, bytes,
                   "record " + std::to_string(i + 1) + " numbered " + std::to_string(entry.serial));
    }
    FUZZ_CHECK(!journal.torn || bytes.back() != '\n', bytes, "torn, yet the last line has its line end");
    // The end's counts, where it has them, are those of the lines before it.
    if (journal.end.counted) {
        uint64_t made = 0;
        for (const engine::JournalEntry& entry : journal.entries)
            made += entry.mark == engine::Mark::Done;
        FUZZ_CHECK(journal.end.intents == journal.entries.size() && journal.end.made == made, bytes,
                   "end counts differ from the lines");
    }
    return 0;
}
