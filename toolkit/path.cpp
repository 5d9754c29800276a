#include "toolkit/path.h"

Text StripTrailing(const Text& text, const Text& ch)
{
    if (ch.empty() || TrimBlanks(text).empty() || text.find(ch[0]) == Text::npos)
        return text;
    Text result = text;
    while (!result.empty() && result.back() == ' ')
        result.pop_back();
    while (!result.empty() && result.back() == ch[0])
        result.pop_back();
    return result;
}

// First "\" in `text` from `from` on, or when there is none the first "/".
static size_t FindSeparator(const Text& text, size_t from)
{
    const size_t backslash = text.find('\\', from);
    return backslash != Text::npos ? backslash : text.find('/', from);
}

// Takes the drive off the front of `rest`: "X:" or a network "\\server\share".
static Text TakeDrive(Text& rest)
{
    if (rest.size() >= 2 && rest[1] == ':') {
        Text drive = rest.substr(0, 2);
        rest.erase(0, 2);
        return drive;
    }
    if (rest.compare(0, 2, "\\\\") != 0)
        return Text();
    rest.erase(0, 2);
    const size_t server = FindSeparator(rest, 0);
    if (server == Text::npos) {
        Text drive = "\\\\" + rest;
        rest.clear();
        return drive;
    }
    Text drive = "\\\\" + rest.substr(0, server);
    rest.erase(0, server);
    const size_t share = FindSeparator(rest, 1);
    if (share != Text::npos) {
        drive += rest.substr(0, share);
        rest.erase(0, share);
    }
    return drive;
}

PathParts SplitPath(const Text& path)
{
    PathParts parts;
    Text rest = path;
    parts.drive = TakeDrive(rest);

    const size_t lastSeparator = rest.find_last_of("\\/");
    Text file = rest;
    if (lastSeparator != Text::npos) {
        parts.folder = rest.substr(0, lastSeparator + 1);
        file = rest.substr(lastSeparator + 1);
    }

    const size_t dot = file.rfind('.');
    if (dot == Text::npos) {
        parts.name = file;
    } else {
        parts.name = file.substr(0, dot);
        parts.extension = file.substr(dot);
    }
    return parts;
}

Text PathPart(int mode, const Text& path)
{
    if (TrimBlanks(path).empty())
        return Text();
    const PathParts parts = SplitPath(path);
    switch (mode) {
    case 1: return parts.drive;
    case 2: return parts.folder;
    case 3: return parts.drive + parts.folder;
    case 4: return parts.name;
    case 5: return parts.extension;
    case 6: return parts.name + parts.extension;
    case 7: return parts.drive + parts.folder + parts.name;
    default: return Text();
    }
}
