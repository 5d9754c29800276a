// Reads a run's journal: JSON Lines, a header line that describes the run,
// then an intent line for each change (written before the change), a mark
// line once it is done, has failed or was left alone, and an end line with
// the totals. The reader is a pure parser from the journal's bytes to
// validated records: anything it cannot trust is refused with the line and
// the reason, except a last line cut short by a crash, which is left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fsys/fsys.h"

namespace engine {

constexpr int kJournalVersion = 1;
// A line longer than this is not one the writer makes.
constexpr size_t kMaxJournalLine = 1 << 20;

enum class Mark {
    None,    // the intent only: the change may or may not have been made
    Done,    // made; `kept` is the time the file system kept
    Failed,  // refused by the system: nothing changed
    Left,    // left alone (changed since it was listed): nothing changed
};

struct JournalEntry {
    uint64_t serial = 0;  // 1, 2, ... in the order of the intents
    std::string path;     // relative to the copies folder, names joined by "/"
    uint64_t size = 0;    // the copy's size before the change
    fsys::Instant before; // the copy's modification time before the change
    fsys::Instant set;    // the time the change set
    Mark mark = Mark::None;
    fsys::Instant kept;   // with Done: the time read back ("kept", or the time set)
    std::string reason;   // with Failed and Left
};

struct JournalHeader {
    int version = 0;
    std::string program;               // "kelvora-cli 1.0.0"
    std::string command;               // "fix" or "undo"
    std::vector<std::string> arguments;  // the command line, as text
    std::string originals, copies;     // absolute paths, as bytes
    std::string undoes;                // undo: the journal it undid (absolute)
    fsys::Instant started;
};

struct Journal {
    JournalHeader header;
    std::vector<JournalEntry> entries;
    bool ended = false;  // the end line is there: the run finished
    bool torn = false;   // the last line was cut short and left out
};

// Parses a whole journal. False, with `error` naming the line and what is
// wrong, for anything but a journal this program wrote (a torn last line
// excepted).
bool ParseJournal(const std::string& bytes, Journal& journal, std::string& error);

// True when `path` is a relative path that stays inside the folder it is
// relative to: not empty, no leading "/", no empty, "." or ".." name, no NUL.
bool IsInsidePath(const std::string& path);

}  // namespace engine
