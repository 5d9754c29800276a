// Reads a run's journal: JSON Lines, a header line that describes the run,
// then an intent line for each change (written before the change), a mark
// line once it is done, has failed or was left alone, and an end line with
// the totals. The reader is a pure parser from the journal's bytes to
// validated records: anything it cannot trust is refused with the line and
// the reason, except a last line cut short by a crash, which is left out.
// It reads a line at a time (JournalParser), so that a journal of any length
// is read in bounded memory, or a whole journal at once (ParseJournal).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "fsys/fsys.h"

namespace engine {

// The version written. Version 1 (long keys, ISO instants, no identities) is
// still read.
constexpr int kJournalVersion = 2;
constexpr int kOldJournalVersion = 1;
// A line longer than this is not one the writer makes (it leaves a copy
// whose path would make a longer line alone).
constexpr size_t kMaxJournalLine = 16 << 20;

enum class Mark : uint8_t {
    None,    // the intent only: the change may or may not have been made
    Done,    // made; `kept` is the time the file system kept
    Failed,  // refused by the system: nothing changed
    Left,    // left alone (changed since it was listed): nothing changed
};

struct JournalEntry {
    uint64_t serial = 0;  // 1, 2, ... in the order of the intents
    std::string path;     // relative to the copies folder, names joined by "/"
    uint64_t size = 0;    // the copy's size before the change
    uint64_t object = 0;  // the copy's object number (0: not recorded)
    fsys::Instant before; // the copy's modification time before the change
    fsys::Instant set;    // the time the change set
    std::string verified; // how the change was proved besides size and time:
                          // "content", "sha256", or "" (not proved; lines before it)
    Mark mark = Mark::None;
    fsys::Instant kept;   // with Done: the time read back ("kept", or the time set)
    std::string reason;   // with Failed and Left
    bool folder = false;  // the change of a folder's own time; its path "" for the top
};

struct JournalHeader {
    int version = 0;
    std::string program;               // "kelvora-cli 1.0.0"
    std::string command;               // "fix" or "undo"
    std::vector<std::string> arguments;  // the command line, as text
    std::string originals, copies;     // absolute paths, as bytes
    std::string undoes;                // undo: the journal it undid (absolute)
    fsys::Instant started;
    // The copies folder's identity when the run opened it (version 2 on).
    bool identified = false;
    uint64_t copiesDevice = 0, copiesObject = 0;
    std::string copiesVolume;          // the file system's id; empty when none
    bool stableObjects = true;         // the copies' object numbers can be compared
};

// The end line's counts (version 2 on; the reader checks them against the
// lines before).
struct JournalEnd {
    bool counted = false;
    uint64_t intents = 0;
    uint64_t made = 0;  // changes marked done
    bool interrupted = false;
};

// Reads a journal line by line.
class JournalParser {
public:
    enum class Line { Header, Intent, Mark, End, Torn };

    // One line without its line end; `terminated` when it had one. A line
    // that cannot be read and has no line end is the torn last line: Torn,
    // and nothing may follow. False, with `error` naming the line, for
    // anything else that is not what this program writes.
    bool Read(const char* text, size_t length, bool terminated, Line& kind, std::string& error);

    const JournalHeader& header() const { return header_; }
    // The intent just read (Line::Intent), its mark not yet known.
    const JournalEntry& intent() const { return intent_; }
    // The mark just read (Line::Mark): its change, kind and reason.
    uint64_t markSerial() const { return markSerial_; }
    const std::string& markReason() const { return markReason_; }

    uint64_t intents() const { return marks_.size(); }
    uint64_t made() const { return made_; }
    bool ended() const { return ended_; }
    bool torn() const { return torn_; }
    const JournalEnd& end() const { return end_; }
    uint64_t lines() const { return lines_; }

    // What the lines read so far say of the change `serial` (1 based).
    Mark MarkOf(uint64_t serial) const { return static_cast<Mark>(marks_[serial - 1]); }
    // The time the file system kept for a done change: `set` unless the mark said otherwise.
    fsys::Instant KeptOf(uint64_t serial, const fsys::Instant& set) const;

private:
    bool ReadPlain(const char* text, size_t length, Line& kind);

    JournalHeader header_;
    JournalEntry intent_;
    uint64_t markSerial_ = 0;
    std::string markReason_;
    std::vector<uint8_t> marks_;  // a Mark per intent
    std::unordered_map<uint64_t, fsys::Instant> kept_;  // only where not the time set
    uint64_t made_ = 0;
    uint64_t lines_ = 0;
    bool ended_ = false;
    bool torn_ = false;
    JournalEnd end_;
};

struct Journal {
    JournalHeader header;
    std::vector<JournalEntry> entries;
    bool ended = false;  // the end line is there: the run finished
    bool torn = false;   // the last line was cut short and left out
    JournalEnd end;
};

// Parses a whole journal. False, with `error` naming the line and what is
// wrong, for anything but a journal this program wrote (a torn last line
// excepted).
bool ParseJournal(const std::string& bytes, Journal& journal, std::string& error);

// True when the bytes are valid UTF-8 (no overlong form, no surrogate).
bool IsValidUtf8(const char* text, size_t length);

// True when `path` is a relative path that stays inside the folder it is
// relative to: not empty, no leading "/", no empty, "." or ".." name, no NUL.
bool IsInsidePath(const std::string& path);

}  // namespace engine
