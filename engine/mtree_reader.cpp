#include "engine/mtree_reader.h"

#include <cstring>
#include <vector>

namespace engine {

namespace {

// Keywords of mtree(5) read and checked here.
const char* const kChecked[] = {"type", "size", "time", "sha256", "sha256digest"};
// Keywords of mtree(5) taken as they are: they say nothing the repair uses.
const char* const kTaken[] = {
    "uid",  "gid",       "uname",  "gname",      "mode",    "nlink",        "link",
    "flags", "cksum",    "md5",    "md5digest",  "sha1",    "sha1digest",   "sha384",
    "sha384digest", "sha512", "sha512digest", "rmd160", "rmd160digest", "ripemd160digest",
    "contents", "device", "resdevice", "inode", "tags"};
// Keywords without a value.
const char* const kBare[] = {"optional", "ignore", "nochange"};

template <size_t N>
bool In(const char* const (&words)[N], const std::string& word)
{
    for (const char* w : words)
        if (word == w)
            return true;
    return false;
}

bool Blank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && Blank(text[i]))
            ++i;
        size_t end = i;
        while (end < text.size() && !Blank(text[end]))
            ++end;
        if (end > i)
            words.push_back(text.substr(i, end - i));
        i = end;
    }
    return words;
}

bool Digits(const std::string& text, size_t from, size_t to)
{
    if (from >= to)
        return false;
    for (size_t i = from; i < to; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

// Decimal digits into a number no larger than `most`.
bool Number(const std::string& text, size_t from, size_t to, uint64_t most, uint64_t& value)
{
    value = 0;
    for (size_t i = from; i < to; ++i) {
        const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
        if (value > (most - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    return true;
}

// Seconds from 0001-01-01 to 9999-12-31 23:59:59 UTC, the instants every
// system the program runs on can hold.
constexpr int64_t kEarliest = -62135596800;
constexpr int64_t kLatest = 253402300799;

// "S[.N]": seconds, and a count of nanoseconds after the point (as both
// libarchive and BSD mtree read and write it: "5.5" is five seconds and five
// nanoseconds).
bool ReadTime(const std::string& text, fsys::Instant& instant, std::string& why)
{
    const size_t point = text.find('.');
    const size_t end = point == std::string::npos ? text.size() : point;
    const bool negative = !text.empty() && text[0] == '-';
    const size_t first = negative ? 1 : 0;
    if (!Digits(text, first, end) || (point != std::string::npos && !Digits(text, point + 1, text.size()))) {
        why = "is not SECONDS.NANOSECONDS";
        return false;
    }
    uint64_t seconds = 0, nanos = 0;
    const uint64_t most = negative ? uint64_t(-kEarliest) : uint64_t(kLatest);
    if (!Number(text, first, end, most, seconds)) {
        why = "is out of range (years 1 to 9999)";
        return false;
    }
    if (point != std::string::npos && !Number(text, point + 1, text.size(), 999999999, nanos)) {
        why = "has more than 999999999 nanoseconds";
        return false;
    }
    instant.seconds = negative ? -static_cast<int64_t>(seconds) : static_cast<int64_t>(seconds);
    instant.nanos = static_cast<int32_t>(nanos);
    if (negative && seconds == uint64_t(-kEarliest) && nanos) {
        why = "is out of range (years 1 to 9999)";
        return false;
    }
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ReadDigest(const std::string& text, std::array<uint8_t, 32>& digest)
{
    if (text.size() != 64)
        return false;
    for (size_t i = 0; i < 32; ++i) {
        const int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        digest[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
}

bool ReadKind(const std::string& text, fsys::Kind& kind)
{
    if (text == "file")
        kind = fsys::Kind::Regular;
    else if (text == "dir")
        kind = fsys::Kind::Folder;
    else if (text == "link")
        kind = fsys::Kind::Link;
    else if (text == "block" || text == "char" || text == "fifo" || text == "socket")
        kind = fsys::Kind::Other;
    else
        return false;
    return true;
}

// Decoded words are shown back in messages; control and non-ASCII bytes as \ooo.
std::string Shown(const std::string& bytes)
{
    std::string text;
    for (const char ch : bytes.substr(0, 200)) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            text += ch;
        } else {
            text += '\\';
            text += static_cast<char>('0' + (c >> 6));
            text += static_cast<char>('0' + ((c >> 3) & 7));
            text += static_cast<char>('0' + (c & 7));
        }
    }
    if (bytes.size() > 200)
        text += "...";
    return text;
}

}  // namespace

bool MtreeDecode(const std::string& text, std::string& bytes)
{
    bytes.clear();
    bytes.reserve(text.size());
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c != '\\') {
            bytes += c;
            ++i;
            continue;
        }
        if (i + 1 >= text.size())
            return false;
        const char e = text[i + 1];
        if (i + 3 < text.size() + 0 && octal(e) && octal(text[i + 2]) && octal(text[i + 3])) {
            const int value = (e - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0');
            if (value > 255)
                return false;
            bytes += static_cast<char>(value);
            i += 4;
            continue;
        }
        // vis(3): \M-c (the byte c + 0x80), \M^c and \^c (control bytes).
        if (e == 'M' && i + 3 < text.size() && (text[i + 2] == '-' || text[i + 2] == '^')) {
            const unsigned char base = static_cast<unsigned char>(text[i + 3]);
            unsigned char value = base;
            if (text[i + 2] == '^')
                value = base == '?' ? 0x7f : static_cast<unsigned char>(base & 0x1f);
            bytes += static_cast<char>(value | 0x80);
            i += 4;
            continue;
        }
        if (e == '^' && i + 2 < text.size()) {
            const unsigned char base = static_cast<unsigned char>(text[i + 2]);
            bytes += static_cast<char>(base == '?' ? 0x7f : (base & 0x1f));
            i += 3;
            continue;
        }
        char value;
        switch (e) {
        case 'a': value = '\a'; break;
        case 'b': value = '\b'; break;
        case 'f': value = '\f'; break;
        case 'n': value = '\n'; break;
        case 'r': value = '\r'; break;
        case 's': value = ' '; break;
        case 't': value = '\t'; break;
        case 'v': value = '\v'; break;
        case '0': value = '\0'; break;
        default:
            // A backslash before any other printable character that is not
            // a letter or digit stands for that character (\\, \#, \*).
            if (static_cast<unsigned char>(e) <= 0x20 || static_cast<unsigned char>(e) >= 0x7f ||
                (e >= '0' && e <= '9') || (e >= 'a' && e <= 'z') || (e >= 'A' && e <= 'Z'))
                return false;
            value = e;
        }
        bytes += value;
        i += 2;
    }
    return true;
}

bool MtreeReader::Fail(uint64_t line, const std::string& message, std::string& error)
{
    failed_ = true;
    error = "line " + std::to_string(line) + ": " + message;
    return false;
}

bool MtreeReader::Feed(const char* data, size_t size, std::string& error)
{
    if (failed_)
        return false;
    while (size) {
        const char* end = static_cast<const char*>(std::memchr(data, '\n', size));
        const size_t take = end ? static_cast<size_t>(end - data) : size;
        if (current_.size() + logical_.size() + take > kMaxLine)
            return Fail(line_ + 1, "longer than " + std::to_string(kMaxLine) + " bytes", error);
        if (std::memchr(data, '\0', take))
            return Fail(line_ + 1, "a NUL byte", error);
        current_.append(data, take);
        if (!end)
            return true;
        data += take + 1;
        size -= take + 1;
        ++line_;
        if (!Physical(error))
            return false;
        current_.clear();
    }
    return true;
}

bool MtreeReader::Finish(std::string& error)
{
    if (failed_)
        return false;
    if (!current_.empty())
        return Fail(line_ + 1, "cut short: the manifest ends inside it (no line end)", error);
    if (!logical_.empty())
        return Fail(start_, "cut short: continued by a backslash, but the manifest ends", error);
    return true;
}

bool MtreeReader::Physical(std::string& error)
{
    std::string& text = current_;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    if (logical_.empty())
        start_ = line_;
    // A final backslash not itself escaped continues the line.
    size_t backslashes = 0;
    while (backslashes < text.size() && text[text.size() - 1 - backslashes] == '\\')
        ++backslashes;
    if (backslashes % 2 == 1) {
        logical_.append(text, 0, text.size() - 1);
        logical_ += ' ';
        return true;
    }
    if (logical_.empty())
        return Logical(text, start_, error);
    logical_ += text;
    const bool ok = Logical(logical_, start_, error);
    logical_.clear();
    return ok;
}

bool MtreeReader::Keyword(const std::string& word, uint64_t line, std::map<std::string, std::string>& into,
                          std::string& error)
{
    const size_t equals = word.find('=');
    const std::string name = word.substr(0, equals);
    if (equals == std::string::npos) {
        if (In(kBare, name)) {
            into[name] = "";
            return true;
        }
        if (In(kChecked, name) || In(kTaken, name))
            return Fail(line, "keyword \"" + Shown(name) + "\" without a value", error);
        return Fail(line, "unknown keyword \"" + Shown(name) + "\"", error);
    }
    const std::string value = word.substr(equals + 1);
    if (In(kBare, name))
        return Fail(line, "keyword \"" + name + "\" takes no value", error);
    if (!In(kChecked, name) && !In(kTaken, name))
        return Fail(line, "unknown keyword \"" + Shown(name) + "\"", error);
    if (value.empty())
        return Fail(line, "keyword \"" + name + "\" without a value", error);
    std::string why;
    if (name == "type") {
        fsys::Kind kind;
        if (!ReadKind(value, kind))
            return Fail(line, "type \"" + Shown(value) + "\" is none of file, dir, link, block, char, fifo, socket",
                        error);
    } else if (name == "size") {
        uint64_t size = 0;
        if (!Digits(value, 0, value.size()))
            return Fail(line, "size \"" + Shown(value) + "\" is not a number of bytes", error);
        if (!Number(value, 0, value.size(), uint64_t(INT64_MAX), size))
            return Fail(line, "size " + Shown(value) + " is out of range", error);
    } else if (name == "time") {
        fsys::Instant instant;
        if (!ReadTime(value, instant, why))
            return Fail(line, "time \"" + Shown(value) + "\" " + why, error);
    } else if (name == "sha256" || name == "sha256digest") {
        std::array<uint8_t, 32> digest;
        if (!ReadDigest(value, digest))
            return Fail(line, name + " \"" + Shown(value) + "\" is not 64 hexadecimal digits", error);
    }
    into[name == "sha256" ? "sha256digest" : name] = value;
    return true;
}

bool MtreeReader::Logical(const std::string& text, uint64_t line, std::string& error)
{
    std::vector<std::string> words = Words(text);
    if (words.empty() || words[0][0] == '#')
        return true;
    const std::string& first = words[0];
    if (first == "/set") {
        for (size_t i = 1; i < words.size(); ++i)
            if (!Keyword(words[i], line, set_, error))
                return false;
        return true;
    }
    if (first == "/unset") {
        for (size_t i = 1; i < words.size(); ++i) {
            if (words[i] == "all") {
                set_.clear();
                continue;
            }
            if (!In(kChecked, words[i]) && !In(kTaken, words[i]) && !In(kBare, words[i]))
                return Fail(line, "unknown keyword \"" + Shown(words[i]) + "\" in /unset", error);
            set_.erase(words[i] == "sha256" ? "sha256digest" : words[i]);
        }
        return true;
    }
    if (first == "..")
        return Fail(line, "\"..\": this is the hierarchical form of mtree (mtree -c), which is not read; "
                          "write the flat form (bsdtar --format=mtree, mtree -C, kelvora-cli manifest)",
                    error);
    std::string path;
    if (!MtreeDecode(first, path))
        return Fail(line, "malformed escape in the path \"" + Shown(first) + "\"", error);
    if (path.find('\0') != std::string::npos)
        return Fail(line, "a NUL byte in the path \"" + Shown(path) + "\"", error);
    if (!path.empty() && path[0] == '/')
        return Fail(line, "absolute path \"" + Shown(path) + "\": paths must be relative (./NAME)", error);
    if (path != "." && path.find('/') == std::string::npos)
        return Fail(line, "\"" + Shown(path) +
                              "\" is a bare name: this is the hierarchical form of mtree (mtree -c), which is not "
                              "read; write the flat form (bsdtar --format=mtree, mtree -C, kelvora-cli manifest)",
                    error);
    std::string relative = path == "." ? "" : path.substr(path.compare(0, 2, "./") == 0 ? 2 : 0);
    if (path != ".") {
        size_t from = 0;
        for (;;) {
            const size_t slash = relative.find('/', from);
            const std::string name = relative.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
            if (name.empty() || name == "." || name == "..")
                return Fail(line, "path \"" + Shown(path) + "\" " +
                                      (name == ".." ? "climbs out with \"..\"" : "has an empty name or \".\" in it"),
                            error);
            if (slash == std::string::npos)
                break;
            from = slash + 1;
        }
    }
    std::map<std::string, std::string> keywords;
    for (size_t i = 1; i < words.size(); ++i)
        if (!Keyword(words[i], line, keywords, error))
            return false;
    for (const auto& [name, value] : set_)
        keywords.emplace(name, value);  // the line's own come first
    MtreeEntry entry;
    entry.path = std::move(relative);
    entry.line = line;
    const auto type = keywords.find("type");
    if (type == keywords.end())
        return Fail(line, "no type (type=file, type=dir, ...) for \"" + Shown(path) + "\"", error);
    ReadKind(type->second, entry.kind);
    std::string why;
    if (const auto size = keywords.find("size"); size != keywords.end()) {
        entry.hasSize = true;
        Number(size->second, 0, size->second.size(), uint64_t(INT64_MAX), entry.size);
    }
    if (const auto time = keywords.find("time"); time != keywords.end()) {
        entry.hasTime = true;
        ReadTime(time->second, entry.modified, why);
    }
    if (const auto digest = keywords.find("sha256digest"); digest != keywords.end()) {
        entry.hasDigest = true;
        ReadDigest(digest->second, entry.sha256);
    }
    if (entry.path.empty() && entry.kind != fsys::Kind::Folder)
        return Fail(line, "\".\", the top, is not a folder (type=dir)", error);
    if (!sink_(std::move(entry), error)) {
        failed_ = true;
        return false;
    }
    return true;
}

bool ReadMtree(const std::string& bytes, const MtreeReader::Sink& sink, std::string& error)
{
    MtreeReader reader(sink);
    return reader.Feed(bytes.data(), bytes.size(), error) && reader.Finish(error);
}

}  // namespace engine
