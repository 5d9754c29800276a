// The journal reader. Input: the bytes of a journal file. Whatever it
// accepts names only places inside the copies folder: every record's path is
// relative, not empty (but for a folder's change, where empty names the
// copies folder itself), and has no empty, "." or ".." name nor a NUL byte, so
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

// The same journal with a space after the opening brace of each line: the
// same JSON, but never in the exact form of the writer's own lines, so that
// it is read by the general parser alone.
std::string Spaced(const std::string& bytes)
{
    std::string spaced;
    size_t from = 0;
    while (from < bytes.size()) {
        size_t end = bytes.find('\n', from);
        end = end == std::string::npos ? bytes.size() : end + 1;
        if (bytes[from] == '{')
            spaced += "{ " + bytes.substr(from + 1, end - from - 1);
        else
            spaced += bytes.substr(from, end - from);
        from = end;
    }
    return spaced;
}

std::string Records(const engine::Journal& journal)
{
    std::string text;
    for (const engine::JournalEntry& e : journal.entries)
        text += std::to_string(e.serial) + "|" + e.path + "|" + std::to_string(e.size) + "|" +
                std::to_string(e.object) + "|" + std::to_string(e.before.seconds) + "." +
                std::to_string(e.before.nanos) + "|" + std::to_string(e.set.seconds) + "." +
                std::to_string(e.set.nanos) + "|" + std::to_string(static_cast<int>(e.mark)) + "|" +
                std::to_string(e.kept.seconds) + "." + std::to_string(e.kept.nanos) + "|" +
                (e.folder ? "d" : "f") + "\n";
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    engine::Journal journal;
    std::string error;
    const bool accepted = engine::ParseJournal(bytes, journal, error);
    if (bytes.size() < 65536) {
        engine::Journal general;
        std::string generalError;
        const bool generalAccepted = engine::ParseJournal(Spaced(bytes), general, generalError);
        FUZZ_CHECK(accepted == generalAccepted, bytes, "the plain reader and the JSON parser disagree: " + error +
                                                        " / " + generalError);
        if (accepted)
            FUZZ_CHECK(Records(journal) == Records(general), bytes, "the plain reader reads other records");
    }
    if (!accepted) {
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
        FUZZ_CHECK((entry.folder && entry.path.empty()) || StaysInside(entry.path, why), bytes,
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
