#include "engine/journal_reader.h"

#include <cctype>
#include <cstring>

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

// The keys of the two versions.
struct Keys {
    const char* intent;
    const char* path;
    const char* size;
    const char* before;
    const char* set;
    const char* marks[3];  // done, failed, left
    const char* kept;
    const char* reason;
};
const Keys kKeysV1 = {"intent", "path", "size", "before", "set", {"done", "failed", "left"}, "kept", "reason"};
const Keys kKeysV2 = {"i", "p", "n", "b", "s", {"d", "f", "l"}, "k", "r"};

bool ReadHeader(const json& line, JournalHeader& header, std::string& error)
{
    if (!line.contains("kelvora_journal")) {
        error = "this is not a journal of kelvora-cli: its first line does not describe a run";
        return false;
    }
    const json& version = line["kelvora_journal"];
    if (!version.is_number_unsigned() ||
        (version.get<uint64_t>() != kJournalVersion && version.get<uint64_t>() != kOldJournalVersion)) {
        error = "the journal's format version is " + version.dump() + "; this program reads versions " +
                std::to_string(kOldJournalVersion) + " and " + std::to_string(kJournalVersion);
        return false;
    }
    header.version = static_cast<int>(version.get<uint64_t>());
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
    if (header.version >= 2) {
        if (!reader.Count("copies_device", header.copiesDevice) ||
            !reader.Count("copies_object", header.copiesObject))
            return false;
        if (reader.Has("copies_volume") && !reader.Text("copies_volume", header.copiesVolume))
            return false;
        const auto stable = line.find("stable_objects");
        if (stable == line.end() || !stable->is_boolean())
            return reader.Fail("\"stable_objects\" is missing or is not true or false");
        header.stableObjects = stable->get<bool>();
        header.identified = true;
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

// A whole number as JSON writes it (no sign, no leading zero) that fits in
// 64 bits, from `at`; the place after it, or null.
const char* Number(const char* at, const char* end, uint64_t& value)
{
    const char* first = at;
    value = 0;
    for (; at < end && *at >= '0' && *at <= '9'; ++at) {
        const uint64_t digit = static_cast<uint64_t>(*at - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return nullptr;
        value = value * 10 + digit;
    }
    if (at == first || (at - first > 1 && *first == '0'))
        return nullptr;
    return at;
}

// `literal` at `at`; the place after it, or null.
template <size_t N>
const char* Expect(const char* at, const char* end, const char (&literal)[N])
{
    if (static_cast<size_t>(end - at) < N - 1 || std::memcmp(at, literal, N - 1) != 0)
        return nullptr;
    return at + N - 1;
}

// A string without escapes up to its closing quote, valid UTF-8 and free of
// controls; the place after the quote, or null.
const char* PlainString(const char* at, const char* end, const char*& first, size_t& length)
{
    first = at;
    for (; at < end && *at != '"'; ++at)
        if (*at == '\\' || static_cast<unsigned char>(*at) < 0x20)
            return nullptr;
    if (at == end)
        return nullptr;
    length = static_cast<size_t>(at - first);
    return IsValidUtf8(first, length) ? at + 1 : nullptr;
}

// An instant "1500000000.123456789" and the quote after it.
const char* Seconds(const char* at, const char* end, fsys::Instant& value)
{
    const char* first;
    size_t length;
    at = PlainString(at, end, first, length);
    return at && ParseSeconds(first, length, value) ? at : nullptr;
}

// The proofs an intent may record.
bool KnownProof(const std::string& proof)
{
    return proof == "content" || proof == "sha256";
}

}  // namespace

bool IsValidUtf8(const char* text, size_t length)
{
    size_t i = 0;
    while (i < length) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t extra;
        uint32_t point;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            point = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            point = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            point = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= length)
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            point = (point << 6) | (next & 0x3F);
        }
        const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (point < least[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

bool JournalParser::ReadPlain(const char* text, size_t length, Line& kind)
{
    // The writer's own forms of the lines a run writes for each change,
    // read here without the general parser: an intent whose path needs no
    // escape, and a done mark without a time kept. Anything else, and any
    // deviation, is left to the general parser, which decides.
    const char* end = text + length;
    const char* at;
    uint64_t serial;
    if ((at = Expect(text, end, "{\"d\":")) != nullptr) {
        at = Number(at, end, serial);
        if (!at || end - at != 1 || *at != '}' || serial == 0 || serial > marks_.size() ||
            marks_[serial - 1] != static_cast<uint8_t>(Mark::None))
            return false;
        marks_[serial - 1] = static_cast<uint8_t>(Mark::Done);
        ++made_;
        markSerial_ = serial;
        markReason_.clear();
        kind = Line::Mark;
        return true;
    }
    JournalEntry& entry = intent_;
    const char* path;
    size_t pathLength;
    if (!(at = Expect(text, end, "{\"i\":")) || !(at = Number(at, end, serial)) || serial != marks_.size() + 1 ||
        !(at = Expect(at, end, ",\"p\":\"")) || !(at = PlainString(at, end, path, pathLength)) ||
        !(at = Expect(at, end, ",\"n\":")) || !(at = Number(at, end, entry.size)) ||
        !(at = Expect(at, end, ",\"o\":")) || !(at = Number(at, end, entry.object)) ||
        !(at = Expect(at, end, ",\"b\":\"")) || !(at = Seconds(at, end, entry.before)) ||
        !(at = Expect(at, end, ",\"s\":\"")) || !(at = Seconds(at, end, entry.set)))
        return false;
    entry.verified.clear();
    const char* proof;
    size_t proofLength;
    if (end - at > 1 && (!(at = Expect(at, end, ",\"v\":\"")) || !(at = PlainString(at, end, proof, proofLength)) ||
                         !KnownProof(entry.verified.assign(proof, proofLength))))
        return false;
    if (end - at != 1 || *at != '}')
        return false;
    entry.path.assign(path, pathLength);
    if (!IsInsidePath(entry.path))
        return false;  // the general parser says why
    entry.serial = serial;
    entry.folder = false;
    entry.mark = Mark::None;
    entry.kept = fsys::Instant();
    entry.reason.clear();
    marks_.push_back(static_cast<uint8_t>(Mark::None));
    kind = Line::Intent;
    return true;
}

fsys::Instant JournalParser::KeptOf(uint64_t serial, const fsys::Instant& set) const
{
    const auto it = kept_.find(serial);
    return it == kept_.end() ? set : it->second;
}

bool JournalParser::Read(const char* text, size_t length, bool terminated, Line& kind, std::string& error)
{
    ++lines_;
    const auto fail = [&](const std::string& message) {
        error = "line " + std::to_string(lines_) + ": " + message;
        return false;
    };
    if (torn_)
        return fail("a line follows a line cut short");
    if (length > kMaxJournalLine)
        return fail("the line is longer than " + std::to_string(kMaxJournalLine) + " bytes");
    if (lines_ > 1 && header_.version >= 2 && !ended_ && ReadPlain(text, length, kind))
        return true;
    const std::string line(text, length);
    std::string message;
    json object;
    bool parsed = ShallowEnough(line);
    if (parsed) {
        object = json::parse(line, nullptr, false);
        parsed = !object.is_discarded() && object.is_object();
    }
    if (!parsed) {
        // A line without its line end is one a crash cut short: the
        // records before it stand.
        if (!terminated && lines_ > 1) {
            torn_ = true;
            kind = Line::Torn;
            return true;
        }
        return fail(lines_ == 1 ? "this is not a journal of kelvora-cli: its first line is not a JSON object"
                                : "the line is not a JSON object (malformed, nested too deep or not UTF-8)");
    }
    if (lines_ == 1) {
        kind = Line::Header;
        return ReadHeader(object, header_, message) || fail(message);
    }
    const bool v2 = header_.version >= 2;
    const Keys& keys = v2 ? kKeysV2 : kKeysV1;
    LineReader reader(object, message);
    const auto when = [&](const char* key, fsys::Instant& value) {
        if (!v2)
            return reader.When(key, value);
        std::string seconds;
        if (!reader.Text(key, seconds))
            return false;
        if (!ParseSeconds(seconds.data(), seconds.size(), value))
            return reader.Fail(std::string("\"") + key + "\" is not an instant of the form 1500000000.123456789");
        return true;
    };
    if (ended_)
        return fail("a line follows the end of the run");
    if (reader.Has(keys.intent)) {
        JournalEntry& entry = intent_;
        entry = JournalEntry();
        if (!reader.Count(keys.intent, entry.serial) || !reader.Bytes(keys.path, entry.path) ||
            !reader.Count(keys.size, entry.size) || !when(keys.before, entry.before) ||
            !when(keys.set, entry.set) || (v2 && !reader.Count("o", entry.object)))
            return fail(message);
        if (entry.serial != marks_.size() + 1)
            return fail("the intent is numbered " + std::to_string(entry.serial) + " where " +
                        std::to_string(marks_.size() + 1) + " was due");
        if (v2 && reader.Has("t")) {
            std::string type;
            if (!reader.Text("t", type))
                return fail(message);
            if (type != "d")
                return fail("the change's kind \"t\" is \"" + type + "\", not \"d\" (a folder)");
            entry.folder = true;
        }
        if (entry.folder && entry.path == ".")
            entry.path.clear();  // the copies folder itself
        else if (!IsInsidePath(entry.path))
            return fail("the path leads out of the copies folder (absolute, empty or through \"..\")");
        if (v2 && reader.Has("v") && (!reader.Text("v", entry.verified) || !KnownProof(entry.verified)))
            return fail("\"v\" is neither \"content\" nor \"sha256\"");
        marks_.push_back(static_cast<uint8_t>(Mark::None));
        kind = Line::Intent;
        return true;
    }
    for (int m = 0; m < 3; ++m) {
        if (!reader.Has(keys.marks[m]))
            continue;
        uint64_t serial = 0;
        if (!reader.Count(keys.marks[m], serial))
            return fail(message);
        if (serial == 0 || serial > marks_.size())
            return fail("the mark refers to no intent before it");
        if (marks_[serial - 1] != static_cast<uint8_t>(Mark::None))
            return fail("the change " + std::to_string(serial) + " is marked twice");
        markReason_.clear();
        Mark mark;
        if (m == 0) {
            if (reader.Has(keys.kept)) {  // only where the file system kept another time
                fsys::Instant kept;
                if (!when(keys.kept, kept))
                    return fail(message);
                kept_[serial] = kept;
            }
            mark = Mark::Done;
            ++made_;
        } else {
            if (!reader.Text(keys.reason, markReason_))
                return fail(message);
            mark = m == 1 ? Mark::Failed : Mark::Left;
        }
        marks_[serial - 1] = static_cast<uint8_t>(mark);
        markSerial_ = serial;
        kind = Line::Mark;
        return true;
    }
    if (reader.Has("end")) {
        if (!object["end"].is_object())
            return fail("\"end\" does not hold the totals");
        const json& totals = object["end"];
        const auto interrupted = totals.find("interrupted");
        end_.interrupted = interrupted != totals.end() && interrupted->is_boolean() && interrupted->get<bool>();
        if (v2) {
            if (!reader.Count("intents", end_.intents) || !reader.Count("made", end_.made))
                return fail(message);
            if (end_.intents != marks_.size() || end_.made != made_)
                return fail("the end's counts (" + std::to_string(end_.intents) + " intents, " +
                            std::to_string(end_.made) + " made) are not those of the lines before it");
            end_.counted = true;
        }
        ended_ = true;
        kind = Line::End;
        return true;
    }
    return fail("the line is neither an intent, a mark nor the end of the run");
}

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
    JournalParser parser;
    size_t from = 0;
    while (from < bytes.size()) {
        const size_t end = bytes.find('\n', from);
        const bool terminated = end != std::string::npos;
        const size_t length = (terminated ? end : bytes.size()) - from;
        JournalParser::Line kind;
        if (!parser.Read(bytes.data() + from, length, terminated, kind, error))
            return false;
        from = terminated ? end + 1 : bytes.size();
        if (kind == JournalParser::Line::Intent) {
            journal.entries.push_back(parser.intent());
        } else if (kind == JournalParser::Line::Mark) {
            JournalEntry& entry = journal.entries[parser.markSerial() - 1];
            entry.mark = parser.MarkOf(parser.markSerial());
            entry.kept = parser.KeptOf(parser.markSerial(), entry.set);
            entry.reason = parser.markReason();
        }
    }
    journal.header = parser.header();
    journal.ended = parser.ended();
    journal.torn = parser.torn();
    journal.end = parser.end();
    return true;
}

}  // namespace engine
