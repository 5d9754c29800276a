#include "engine/journal_lines.h"

#include <nlohmann/json.hpp>

namespace engine {

namespace {

constexpr size_t kChunk = 1 << 16;
// The end line is found in this much of a journal's tail.
constexpr uint64_t kTail = 1 << 16;

}  // namespace

bool JournalLines::Next(std::string& line, bool& terminated, std::string& error)
{
    line.clear();
    bool overLong = false;
    for (;;) {
        const size_t newline = buffer_.find('\n', at_);
        const size_t stop = newline == std::string::npos ? buffer_.size() : newline;
        // Of a line longer than any the writer makes, one byte more than that
        // is kept: enough for the parser to refuse it.
        if (!overLong) {
            const size_t room = kMaxJournalLine + 1 - line.size();
            line.append(buffer_, at_, std::min(room, stop - at_));
            overLong = line.size() > kMaxJournalLine;
        }
        if (newline != std::string::npos) {
            at_ = newline + 1;
            terminated = true;
            return true;
        }
        buffer_.clear();
        at_ = 0;
        if (end_) {
            terminated = false;
            return !line.empty();
        }
        buffer_.resize(kChunk);
        size_t got = 0;
        if (!file_.Read(&buffer_[0], kChunk, got, error)) {
            buffer_.clear();
            return false;
        }
        buffer_.resize(got);
        end_ = got == 0;
    }
}

bool ReadJournal(ReadFile& file, JournalParser& parser,
                 const std::function<bool(JournalParser::Line)>& onLine, std::string& error)
{
    JournalLines lines(file);
    std::string line;
    bool terminated = false, any = false;
    error.clear();
    while (lines.Next(line, terminated, error)) {
        any = true;
        JournalParser::Line kind;
        if (!parser.Read(line.data(), line.size(), terminated, kind, error))
            return false;
        if (!onLine(kind))
            return false;
    }
    if (!error.empty())
        return false;
    if (!any) {
        error = "the journal is empty: it does not describe a run";
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error)
{
    ReadFile file;
    if (!file.Open(path, error))
        return false;
    bytes.clear();
    char buffer[kChunk];
    for (;;) {
        size_t got = 0;
        if (!file.Read(buffer, sizeof buffer, got, error))
            return false;
        if (got == 0)
            return true;
        bytes.append(buffer, got);
    }
}

namespace {

// The end line of a finished run of this version, taken alone: its counts.
bool ReadEndLine(const std::string& line, JournalSummary& summary)
{
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (object.is_discarded() || !object.is_object())
        return false;
    const auto end = object.find("end");
    const auto intents = object.find("intents");
    const auto made = object.find("made");
    if (end == object.end() || !end->is_object() || intents == object.end() || !intents->is_number_unsigned() ||
        made == object.end() || !made->is_number_unsigned())
        return false;
    summary.intents = intents->get<uint64_t>();
    summary.made = made->get<uint64_t>();
    if (summary.made > summary.intents)
        return false;
    const auto interrupted = end->find("interrupted");
    summary.interrupted = interrupted != end->end() && interrupted->is_boolean() && interrupted->get<bool>();
    summary.ended = true;
    return true;
}

bool ReadTail(ReadFile& file, JournalSummary& summary)
{
    const uint64_t length = file.length();
    const uint64_t from = length > kTail ? length - kTail : 0;
    std::string error, tail(static_cast<size_t>(length - from), '\0');
    if (!file.Seek(from, error))
        return false;
    size_t have = 0;
    while (have < tail.size()) {
        size_t got = 0;
        if (!file.Read(&tail[have], tail.size() - have, got, error) || got == 0)
            return false;
        have += got;
    }
    if (tail.empty() || tail.back() != '\n')
        return false;
    tail.pop_back();
    const size_t start = tail.rfind('\n');
    if (start == std::string::npos)
        return false;
    return ReadEndLine(tail.substr(start + 1), summary);
}

}  // namespace

bool SummarizeJournal(const std::string& path, JournalSummary& summary)
{
    summary.path = path;
    ReadFile file;
    std::string& error = summary.error;
    if (!file.Open(path, error))
        return false;
    summary.emptyFile = file.length() == 0;
    JournalParser parser;
    {
        JournalLines lines(file);
        std::string line;
        bool terminated = false;
        JournalParser::Line kind;
        if (!lines.Next(line, terminated, error)) {
            if (error.empty())
                error = "the journal is empty: it does not describe a run";
            return false;
        }
        if (!parser.Read(line.data(), line.size(), terminated, kind, error))
            return false;
        summary.header = parser.header();
    }
    if (summary.header.version >= 2 && ReadTail(file, summary)) {
        summary.readable = true;
        return true;
    }
    // A run that did not finish, or of the older version: every line read.
    summary = JournalSummary();
    summary.path = path;
    JournalParser whole;
    if (!file.Seek(0, error) || !ReadJournal(file, whole, [](JournalParser::Line) { return true; }, error))
        return false;
    summary.header = whole.header();
    summary.ended = whole.ended();
    summary.interrupted = whole.end().interrupted;
    summary.intents = whole.intents();
    summary.made = whole.made();
    // In a finished run of this version every change made is marked; the
    // older version did not promise it.
    if (!whole.ended() || summary.header.version < 2)
        for (uint64_t serial = 1; serial <= whole.intents(); ++serial)
            summary.unsure += whole.MarkOf(serial) == Mark::None;
    summary.whole = true;
    summary.readable = true;
    return true;
}

}  // namespace engine
