#include "engine/journal_writer.h"

#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/instant.h"

namespace engine {

namespace {

using nlohmann::ordered_json;

bool IsUtf8(const std::string& bytes)
{
    return IsValidUtf8(bytes.data(), bytes.size());
}

// A byte string as "key" when it is valid UTF-8, as "key_hex" otherwise, so
// that every name reads back to its bytes.
void PutBytes(ordered_json& line, const char* key, const std::string& bytes)
{
    if (IsUtf8(bytes)) {
        line[key] = bytes;
        return;
    }
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        hex += digits[static_cast<unsigned char>(c) >> 4];
        hex += digits[static_cast<unsigned char>(c) & 15];
    }
    line[std::string(key) + "_hex"] = hex;
}

// A JSON string of text known to be valid UTF-8, appended to `out`: the runs
// that need no escape are appended whole.
void AppendQuoted(std::string& out, const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    out += '"';
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char u = static_cast<unsigned char>(text[i]);
        if (u >= 0x20 && u != '"' && u != '\\')
            continue;
        out.append(text, start, i - start);
        start = i + 1;
        if (u >= 0x20) {
            out += '\\';
            out += static_cast<char>(u);
        } else {
            const char escape[] = {'\\', 'u', '0', '0', digits[u >> 4], digits[u & 15]};
            out.append(escape, sizeof escape);
        }
    }
    out.append(text, start, std::string::npos);
    out += '"';
}

// A literal appended without measuring it.
template <size_t N>
void AppendLiteral(std::string& out, const char (&text)[N])
{
    out.append(text, N - 1);
}

// Copies a literal to `at`; returns the end.
template <size_t N>
char* Put(char* at, const char (&text)[N])
{
    std::memcpy(at, text, N - 1);
    return at + N - 1;
}

// A count in decimal, written at `at` (room for 20 characters); returns the end.
char* PutNumber(char* at, uint64_t value)
{
    char text[20];
    size_t n = sizeof text;
    do {
        text[--n] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    std::memcpy(at, text + n, sizeof text - n);
    return at + (sizeof text - n);
}

// The same, appended to `out`.
void AppendNumber(std::string& out, uint64_t value)
{
    char text[20];
    out.append(text, static_cast<size_t>(PutNumber(text, value) - text));
}

// `,"key":"bytes"` or, for bytes that are not UTF-8, `,"key_hex":"..."`.
void AppendBytes(std::string& out, const char* key, const std::string& bytes)
{
    if (IsUtf8(bytes)) {
        AppendLiteral(out, ",\"");
        out += key;
        AppendLiteral(out, "\":");
        AppendQuoted(out, bytes);
        return;
    }
    ordered_json line;
    PutBytes(line, key, bytes);
    const std::string hex = line.dump();  // {"key_hex":"..."}
    out += ',';
    out.append(hex, 1, hex.size() - 2);
}

std::string Dump(const ordered_json& line)
{
    return line.dump(-1, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace

fsys::Instant Now()
{
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const int64_t nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
    fsys::Instant now;
    now.seconds = nanos / 1000000000;
    now.nanos = static_cast<int32_t>(nanos % 1000000000);
    if (now.nanos < 0) {
        now.nanos += 1000000000;
        --now.seconds;
    }
    return now;
}

std::string JournalFileName(const fsys::Instant& started)
{
    // 2026-01-02T03:04:05.123456789Z without its dashes and colons.
    std::string name;
    for (const char c : IsoUtc(started))
        if (c != '-' && c != ':')
            name += c;
    return name + ".jsonl";
}

bool OpenJournalIn(const std::string& folder, const fsys::Instant& started, const JournalHeader& header,
                   JournalWriter& writer, std::string& error)
{
    if (!MakeFolders(folder, error))
        return false;
    std::string name = JournalFileName(started);
    for (int attempt = 0;; ++attempt) {
        const std::string path = InFolder(folder, name);
        std::string failure;
        if (writer.Open(path, header, failure))
            return true;
        // Another run that started in the same nanosecond: the next name.
        if (attempt >= 20 || failure.find(std::strerror(EEXIST)) == std::string::npos) {
            error = failure;
            return false;
        }
        name = JournalFileName(started);
        name.insert(name.size() - 6, "-" + std::to_string(attempt + 2));
    }
}

bool JournalWriter::Open(const std::string& path, const JournalHeader& header, std::string& error)
{
    if (!file_.Create(path, error))
        return false;
    path_ = path;
    ordered_json line;
    line["kelvora_journal"] = kJournalVersion;
    line["program"] = header.program;
    line["command"] = header.command;
    line["arguments"] = header.arguments;
    PutBytes(line, "originals", header.originals);
    PutBytes(line, "copies", header.copies);
    line["copies_device"] = header.copiesDevice;
    line["copies_object"] = header.copiesObject;
    if (!header.copiesVolume.empty())
        line["copies_volume"] = header.copiesVolume;
    line["stable_objects"] = header.stableObjects;
    if (!header.undoes.empty())
        PutBytes(line, "undoes", header.undoes);
    line["started"] = IsoUtc(header.started);
    if (file_.Write(Dump(line), error)) {
        // A failure here is the first intents' flush's to tell.
        header_ = std::thread([this] {
            std::string ignored;
            file_.Sync(ignored);
        });
        return true;
    }
    // No journal is left that does not describe its run.
    std::string ignored;
    file_.Remove(ignored);
    return false;
}

JournalWriter::~JournalWriter()
{
    WaitForHeader();
}

void JournalWriter::WaitForHeader()
{
    if (header_.joinable())
        header_.join();
}

bool JournalWriter::WriteIntents(std::vector<FileEvent>& planned, std::string& error)
{
    if (broken_) {
        error = "the journal \"" + path_ + "\" could not be written before";
        return false;
    }
    // After the held marks, in the same buffer, kept from batch to batch.
    std::string& lines = held_;
    // Written by hand rather than through a JSON object: a run writes one
    // such line for every change.
    lines.reserve(lines.size() + planned.size() * 100);
    const uint64_t first = serial_;
    const size_t marks = lines.size();
    for (FileEvent& event : planned) {
        const size_t start = lines.size();
        AppendLiteral(lines, "{\"i\":");
        AppendNumber(lines, serial_ + 1);
        // A folder's change is marked with "t":"d", and the top folder named ".".
        AppendBytes(lines, "p", event.folder && event.path.empty() ? std::string(".") : event.path);
        if (lines.size() - start > kMaxJournalLine - 256) {
            // A path deeper than the reader takes: left alone.
            lines.resize(start);
            event.kind = EventKind::Failed;
            event.reason = "its path is too long for the journal (" + std::to_string(event.path.size()) +
                           " bytes); not changed";
            continue;
        }
        event.serial = ++serial_;
        // The rest of the line in one piece.
        char tail[2 * kSecondsRoom + 96];
        char* at = PutNumber(Put(tail, ",\"n\":"), event.size);
        at = PutNumber(Put(at, ",\"o\":"), event.object);
        at = Put(at, ",\"b\":\"");
        at += FormatSeconds(event.before, at);
        at = Put(at, "\",\"s\":\"");
        at += FormatSeconds(event.set, at);
        // How the change was proved besides size and time, when it was.
        if (event.proof == Proof::Content)
            at = Put(at, "\",\"v\":\"content");
        else if (event.proof == Proof::Digest)
            at = Put(at, "\",\"v\":\"sha256");
        if (event.folder)
            at = Put(at, "\",\"t\":\"d");
        at = Put(at, "\"}\n");
        lines.append(tail, static_cast<size_t>(at - tail));
    }
    const bool written = file_.Write(lines, error);
    if (written) {
        lines.clear();
        written_ = serial_;
    } else {
        // The file is back to its last whole line. These intents are not in
        // it; the marks held are kept for the end, since a finished run's
        // journal must mark every change it made.
        lines.resize(marks);
        broken_ = true;
        serial_ = first;
    }
    return written;
}

bool JournalWriter::Sync(std::string& error)
{
    return file_.Sync(error);
}

void JournalWriter::Mark(const FileEvent& event)
{
    // Only for an intent that is in the file.
    if (!event.serial || event.serial > written_)
        return;
    if (event.kind == EventKind::Touched || event.kind == EventKind::NotKept) {
        ++made_;
        // The time kept is written only where it is not the time set.
        AppendLiteral(held_, "{\"d\":");
        AppendNumber(held_, event.serial);
        if (event.readBack != event.set) {
            char kept[kSecondsRoom];
            AppendLiteral(held_, ",\"k\":\"");
            held_.append(kept, FormatSeconds(event.readBack, kept));
            held_ += '"';
        }
        AppendLiteral(held_, "}\n");
        return;
    }
    ordered_json line;
    switch (event.kind) {
    case EventKind::Changed:
        line["l"] = event.serial;
        line["r"] = event.reason;
        break;
    case EventKind::Failed:
        line["f"] = event.serial;
        line["r"] = event.reason;
        break;
    default:
        return;
    }
    held_ += Dump(line);
}

bool JournalWriter::End(const ordered_json& totals, const fsys::Instant& finished, std::string& error)
{
    WaitForHeader();
    ordered_json line;
    line["end"] = totals;
    line["intents"] = written_;
    line["made"] = made_;
    line["finished"] = IsoUtc(finished);
    std::string lines;
    lines.swap(held_);
    lines += Dump(line);
    const bool written = file_.Write(lines, error);
    std::string closing;
    const bool closed = file_.Close(written ? error : closing);
    return written && closed;
}

bool JournalWriter::Discard(std::string& error)
{
    WaitForHeader();
    held_.clear();
    return file_.Remove(error);
}

}  // namespace engine
