// Journals read from their files in bounded memory: line by line through the
// parser, or only their first and last lines where those tell enough.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/journal_file.h"
#include "engine/journal_reader.h"

namespace engine {

// The lines of an open journal in order, through a buffer: at most one line
// is held whole, and of a line longer than the reader takes, only enough to
// tell so.
class JournalLines {
public:
    explicit JournalLines(ReadFile& file) : file_(file) {}
    // The next line without its line end (`terminated`: it had one). False
    // at the end, or on a read error (then `error` is set).
    bool Next(std::string& line, bool& terminated, std::string& error);

private:
    ReadFile& file_;
    std::string buffer_;
    size_t at_ = 0;
    bool end_ = false;
};

// Reads the whole journal of an open file from its start through `parser`,
// calling `onLine` after each line it accepts (returning false stops, with
// `error` as the callback set it). An empty file is refused.
bool ReadJournal(ReadFile& file, JournalParser& parser,
                 const std::function<bool(JournalParser::Line)>& onLine, std::string& error);

// What `journals` shows of a journal and what `undo --last` chooses by.
struct JournalSummary {
    std::string path;
    bool readable = false;
    std::string error;         // when not readable
    JournalHeader header;
    bool ended = false;        // the run finished
    bool interrupted = false;  // it finished, stopped by the user
    uint64_t intents = 0;
    uint64_t made = 0;         // changes made (done marks)
    uint64_t unsure = 0;       // of a run that did not finish: intents without an outcome
    bool whole = false;        // every line was read (else the header and the end line only)
    bool emptyFile = false;    // not readable: a file of no byte, which describes no run
};

// A journal's summary from its first and last lines where the end line
// holds the counts (a finished run of this version), from every line
// otherwise. False, with `summary.error`, for a journal that cannot be read
// or trusted.
bool SummarizeJournal(const std::string& path, JournalSummary& summary);

}  // namespace engine
