// Writes a run's journal (the lines engine/journal_reader.h reads): the
// header when the file is made, the intents of a batch of changes flushed to
// the disk before any of them is made, a mark for each change once it is
// done, has failed or was left alone, and an end line with the totals.
// Marks are held until the next batch or the end: a mark lost in a crash
// leaves an intent without a mark, which the undo treats as a change that may
// have been made.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/journal_file.h"
#include "engine/journal_reader.h"
#include "engine/repair.h"

namespace engine {

class JournalWriter {
public:
    JournalWriter() = default;
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;
    ~JournalWriter();
    // Makes the file (never over one that exists) and writes the header; a
    // file that cannot take its header is removed. The header is flushed to
    // the disk on a thread of its own while the run finds its first changes:
    // the making of the file is then on the disk before the first intents
    // are flushed, which need not wait for it.
    bool Open(const std::string& path, const JournalHeader& header, std::string& error);
    // Numbers the changes (their `serial`) and writes their intents (with
    // the marks held so far); Sync then makes them durable. A change whose
    // line would be longer than the reader takes is not numbered: it is
    // given the kind Failed and the reason, and must not be made. After a
    // failed write the file is cut back to its last whole line and takes no
    // more intents.
    bool WriteIntents(std::vector<FileEvent>& planned, std::string& error);
    // Flushes what was written to the disk. It may run on one thread while
    // another writes: whatever was written before the call is durable after.
    bool Sync(std::string& error);
    // The outcome of a change that has a serial: done (Touched, NotKept,
    // with the time read back), left alone (Changed) or failed.
    void Mark(const FileEvent& event);
    // The held marks and the end line; the file is closed. They are not
    // flushed: should they be lost in a crash, the undo takes each change
    // without its mark as one that may have been made, and checks it.
    bool End(const nlohmann::ordered_json& totals, const fsys::Instant& finished, std::string& error);
    // Closes and removes the file: for a run that changed nothing.
    bool Discard(std::string& error);
    // Changes recorded as made (done marks).
    uint64_t made() const { return made_; }
    const std::string& path() const { return path_; }
    uint64_t intents() const { return written_; }

private:
    void WaitForHeader();

    AppendFile file_;
    std::thread header_;  // the header's flush
    std::string path_;
    std::string held_;  // marks not yet written; the buffer of each batch
    uint64_t serial_ = 0;   // the last serial given
    uint64_t written_ = 0;  // the last serial whose intent is in the file
    uint64_t made_ = 0;
    bool broken_ = false;   // a write failed: no more intents
};

// The name of the journal of a run started at `started`: its UTC start time,
// to the nanosecond, in a form that sorts in time order and is a valid file
// name on every system ("20260102T030405.123456789Z.jsonl").
std::string JournalFileName(const fsys::Instant& started);

// Makes a journal named for `started` in `folder` (made if needed); when a
// journal of the same instant exists, a suffix tells them apart.
bool OpenJournalIn(const std::string& folder, const fsys::Instant& started, const JournalHeader& header,
                   JournalWriter& writer, std::string& error);

// The current instant.
fsys::Instant Now();

}  // namespace engine
