// The path helpers. The input's first byte is the character of
// StripTrailing and the mode of PathPart; the rest is the path. Each helper
// is checked against a reference that walks the path by index, apart from
// the product code, and the parts of a path must join back into it.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "toolkit/path.h"

namespace {

const size_t kNone = std::string::npos;

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The first "\" at or after from, or when there is none the first "/".
size_t BackslashElseSlash(const std::string& s, size_t from)
{
    for (size_t k = from; k < s.size(); ++k) {
        if (s[k] == '\\')
            return k;
    }
    for (size_t k = from; k < s.size(); ++k) {
        if (s[k] == '/')
            return k;
    }
    return kNone;
}

PathParts ReferenceSplit(const std::string& path)
{
    PathParts parts;
    size_t rest = 0;  // where the text after the drive starts
    if (path.size() >= 2 && path[1] == ':') {
        parts.drive = path.substr(0, 2);
        rest = 2;
    } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        const size_t server = BackslashElseSlash(path, 2);
        if (server == kNone) {
            rest = path.size();
        } else {
            const size_t share = BackslashElseSlash(path, server + 1);
            rest = share == kNone ? server : share;
        }
        parts.drive = path.substr(0, rest);
    }
    size_t file = rest;
    for (size_t k = rest; k < path.size(); ++k) {
        if (IsSeparator(path[k]))
            file = k + 1;
    }
    parts.folder = path.substr(rest, file - rest);
    size_t dot = kNone;
    for (size_t k = file; k < path.size(); ++k) {
        if (path[k] == '.')
            dot = k;
    }
    parts.name = path.substr(file, dot == kNone ? kNone : dot - file);
    parts.extension = dot == kNone ? std::string() : path.substr(dot);
    return parts;
}

bool IsBlank(const std::string& text)
{
    return text.find_first_not_of(' ') == kNone;
}

std::string ReferenceStrip(const std::string& text, char ch)
{
    if (IsBlank(text) || text.find(ch) == kNone)
        return text;
    size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ')
        --end;
    while (end > 0 && text[end - 1] == ch)
        --end;
    return text.substr(0, end);
}

std::string Describe(const PathParts& parts)
{
    return "drive \"" + fuzz::Escaped(parts.drive) + "\" folder \"" + fuzz::Escaped(parts.folder) +
           "\" name \"" + fuzz::Escaped(parts.name) + "\" extension \"" +
           fuzz::Escaped(parts.extension) + "\"";
}

void CheckSplit(const std::string& path)
{
    const PathParts parts = SplitPath(path);
    const PathParts expected = ReferenceSplit(path);
    const std::string detail = Describe(parts) + ", reference " + Describe(expected);
    FUZZ_CHECK(parts.drive + parts.folder + parts.name + parts.extension == path, path, detail);
    FUZZ_CHECK(parts.drive == expected.drive && parts.folder == expected.folder &&
                   parts.name == expected.name && parts.extension == expected.extension,
               path, detail);
    // A folder ends with its separator; the file part has none; an
    // extension is one dot and what follows it.
    FUZZ_CHECK(parts.folder.empty() || IsSeparator(parts.folder.back()), path, detail);
    FUZZ_CHECK((parts.name + parts.extension).find_first_of("\\/") == kNone, path, detail);
    FUZZ_CHECK(parts.extension.empty() || parts.extension.rfind('.') == 0, path, detail);
}

void CheckPathPart(int mode, const std::string& path)
{
    const PathParts p = ReferenceSplit(path);
    const std::string expected[] = {
        "", p.drive, p.folder, p.drive + p.folder, p.name, p.extension, p.name + p.extension,
        p.drive + p.folder + p.name,
    };
    for (const int m : {mode, 1, 2, 3, 4, 5, 6, 7}) {
        const bool listed = m >= 1 && m <= 7;
        const std::string want = listed && !IsBlank(path) ? expected[m] : std::string();
        FUZZ_CHECK(PathPart(m, path) == want, path, "mode " + std::to_string(m));
    }
}

void CheckStrip(const std::string& text, const std::string& ch)
{
    const std::string stripped = StripTrailing(text, ch);
    FUZZ_CHECK(text.compare(0, stripped.size(), stripped) == 0, text, "not a prefix");
    if (ch.size() == 1) {
        const std::string detail = "ch \"" + fuzz::Escaped(ch) + "\" gave \"" +
                                   fuzz::Escaped(stripped) + "\"";
        FUZZ_CHECK(stripped == ReferenceStrip(text, ch[0]), text, detail);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string all(reinterpret_cast<const char*>(data), size);
    const std::string path = size > 0 ? all.substr(1) : all;
    const std::string ch = size > 0 ? all.substr(0, 1) : std::string();
    const int mode = size > 0 ? static_cast<int8_t>(data[0]) : 0;

    CheckSplit(all);
    CheckSplit(path);
    CheckPathPart(mode, path);
    CheckStrip(path, ch);
    CheckStrip(path, "\\");
    CheckStrip(path, "");
    CheckStrip(path, ch + "\\");
    return 0;
}
