#include "engine/journal_reader.h"

#include <cctype>

#include <nlohmann/json.hpp>

#include "engine/instant.h"

namespace engine {

namespace {

using nlohmann::json;

// The writer nests no deeper than an object in an object (the end line's
// totals) or an array in an object (the command line); a deeper line is
// refused before it is parsed, so that no line can make the parser recurse far.
bool ShallowEnough(const std::string& line)
{
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > 3)
                return false;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return true;
}

bool FromHex(const std::string& hex, std::string& bytes)
{
    if (hex.size() % 2)
        return false;
    bytes.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int value = 0;
        for (size_t k = i; k < i + 2; ++k) {
            const char c = hex[k];
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0)
                return false;
            value = value * 16 + digit;
        }
        bytes += static_cast<char>(value);
    }
    return true;
}

class LineReader {
public:
    LineReader(const json& object, std::string& error) : object_(object), error_(error) {}

    bool Has(const char* key) const { return object_.contains(key); }

    bool Text(const char* key, std::string& value)
    {
        const auto it = object_.find(key);
        if (it == object_.end() || !it->is_string())
            return Missing(key, "a text");
        value = it->get<std::string>();
        return true;
    }

    // A byte string: "key" when it was valid UTF-8, "key_hex" otherwise.
    bool Bytes(const char* key, std::string& value)
    {
        const std::string hexKey = std::string(key) + "_hex";
        const auto hex = object_.find(hexKey);
        if (hex != object_.end()) {
            if (object_.contains(key) || !hex->is_string() || !FromHex(hex->get<std::string>(), value))
                return Fail(std::string("\"") + hexKey + "\" is not a string of hexadecimal digits");
            return true;
        }
        return Text(key, value);
    }

    bool Count(const char* key, uint64_t& value)
    {
        const auto it = object_.find(key);
        if (it == object_.end() || !it->is_number_unsigned())
            return Missing(key, "a whole number");
        value = it->get<uint64_t>();
        return true;
    }

    bool When(const char* key, fsys::Instant& value)
    {
        std::string text;
        if (!Text(key, text))
            return false;
        if (!ParseIsoUtc(text, value))
            return Fail(std::string("\"") + key + "\" is not an instant of the form 2010-01-01T00:00:00.000000000Z");
        return true;
    }

    bool Fail(const std::string& message)
    {
        error_ = message;
        return false;
    }

private:
    bool Missing(const char* key, const char* what)
    {
        return Fail(std::string("\"") + key + "\" is missing or is not " + what);
    }

    const json& object_;
    std::string& error_;
};

// "/..." on POSIX systems; "C:\...", "C:/..." or "\\..." on Windows.
bool IsAbsolute(const std::string& path)
{
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
#ifdef _WIN32
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                       (path[2] == '\\' || path[2] == '/');
    return drive || path.rfind("\\\\", 0) == 0;
#else
    return path[0] == '/';
#endif
}

bool ReadHeader(const json& line, JournalHeader& header, std::string& error)
{
    if (!line.contains("kelvora_journal")) {
        error = "this is not a journal of kelvora-cli: its first line does not describe a run";
        return false;
    }
    const json& version = line["kelvora_journal"];
    if (!version.is_number_unsigned() || version.get<uint64_t>() != kJournalVersion) {
        error = "the journal's format version is " + version.dump() + "; this program reads version " +
                std::to_string(kJournalVersion);
        return false;
    }
    header.version = kJournalVersion;
    LineReader reader(line, error);
    if (!reader.Text("program", header.program) || !reader.Text("command", header.command) ||
        !reader.Bytes("originals", header.originals) || !reader.Bytes("copies", header.copies) ||
        !reader.When("started", header.started))
        return false;
    if (header.command != "fix" && header.command != "undo")
        return reader.Fail("the run's command is \"" + header.command + "\", neither fix nor undo");
    for (const std::string* folder : {&header.originals, &header.copies})
        if (!IsAbsolute(*folder))
            return reader.Fail("a folder of the run is not an absolute path");
    if (reader.Has("undoes") || reader.Has("undoes_hex")) {
        if (!reader.Bytes("undoes", header.undoes))
            return false;
    }
    const auto arguments = line.find("arguments");
    if (arguments != line.end()) {
        if (!arguments->is_array())
            return reader.Fail("\"arguments\" is not a list");
        for (const json& word : *arguments) {
            if (!word.is_string())
                return reader.Fail("\"arguments\" holds something else than texts");
            header.arguments.push_back(word.get<std::string>());
        }
    }
    return true;
}

bool ReadRecord(const json& line, Journal& journal, std::string& error)
{
    LineReader reader(line, error);
    if (journal.ended)
        return reader.Fail("a line follows the end of the run");
    if (reader.Has("intent")) {
        JournalEntry entry;
        if (!reader.Count("intent", entry.serial) || !reader.Bytes("path", entry.path) ||
            !reader.Count("size", entry.size) || !reader.When("before", entry.before) ||
            !reader.When("set", entry.set))
            return false;
        if (entry.serial != journal.entries.size() + 1)
            return reader.Fail("the intent is numbered " + std::to_string(entry.serial) + " where " +
                               std::to_string(journal.entries.size() + 1) + " was due");
        if (!IsInsidePath(entry.path))
            return reader.Fail("the path leads out of the copies folder (absolute, empty or through \"..\")");
        journal.entries.push_back(std::move(entry));
        return true;
    }
    const char* const marks[] = {"done", "failed", "left"};
    for (int m = 0; m < 3; ++m) {
        if (!reader.Has(marks[m]))
            continue;
        uint64_t serial = 0;
        if (!reader.Count(marks[m], serial))
            return false;
        if (serial == 0 || serial > journal.entries.size())
            return reader.Fail("the mark refers to no intent before it");
        JournalEntry& entry = journal.entries[serial - 1];
        if (entry.mark != Mark::None)
            return reader.Fail("the change " + std::to_string(serial) + " is marked twice");
        if (m == 0) {
            entry.kept = entry.set;  // "kept" only where the file system kept another time
            if (reader.Has("kept") && !reader.When("kept", entry.kept))
                return false;
            entry.mark = Mark::Done;
        } else {
            if (!reader.Text("reason", entry.reason))
                return false;
            entry.mark = m == 1 ? Mark::Failed : Mark::Left;
        }
        return true;
    }
    if (reader.Has("end")) {
        if (!line["end"].is_object())
            return reader.Fail("\"end\" does not hold the totals");
        journal.ended = true;
        return true;
    }
    return reader.Fail("the line is neither an intent, a mark nor the end of the run");
}

}  // namespace

bool IsInsidePath(const std::string& path)
{
    if (path.empty() || path[0] == '/' || path.find('\0') != std::string::npos)
        return false;
#ifdef _WIN32
    // Names there hold neither separator nor drive.
    if (path.find_first_of("\\:") != std::string::npos)
        return false;
#endif
    size_t from = 0;
    while (true) {
        const size_t end = path.find('/', from);
        const std::string name = path.substr(from, end == std::string::npos ? std::string::npos : end - from);
        if (name.empty() || name == "." || name == "..")
            return false;
        if (end == std::string::npos)
            return true;
        from = end + 1;
    }
}

bool ParseJournal(const std::string& bytes, Journal& journal, std::string& error)
{
    journal = Journal();
    if (bytes.empty()) {
        error = "the journal is empty: it does not describe a run";
        return false;
    }
    size_t from = 0;
    uint64_t number = 0;
    while (from < bytes.size()) {
        ++number;
        const size_t end = bytes.find('\n', from);
        const bool last = end == std::string::npos;
        const size_t length = (last ? bytes.size() : end) - from;
        const auto fail = [&](const std::string& message) {
            error = "line " + std::to_string(number) + ": " + message;
            return false;
        };
        if (length > kMaxJournalLine)
            return fail("the line is longer than " + std::to_string(kMaxJournalLine) + " bytes");
        const std::string text = bytes.substr(from, length);
        from = last ? bytes.size() : end + 1;
        json line;
        bool parsed = ShallowEnough(text);
        if (parsed) {
            line = json::parse(text, nullptr, false);
            parsed = !line.is_discarded() && line.is_object();
        }
        if (!parsed) {
            // A line without its line end is one a crash cut short: the
            // records before it stand.
            if (last && number > 1) {
                journal.torn = true;
                return true;
            }
            return fail(number == 1 ? "this is not a journal of kelvora-cli: its first line is not a JSON object"
                                    : "the line is not a JSON object (malformed, nested too deep or not UTF-8)");
        }
        std::string message;
        const bool good = number == 1 ? ReadHeader(line, journal.header, message)
                                      : ReadRecord(line, journal, message);
        if (!good)
            return fail(message);
    }
    return true;
}

}  // namespace engine
