#include "fsys/long_path.h"

namespace fsys {

namespace {

const std::string kLong = "\\\\?\\";
const std::string kLongUnc = "\\\\?\\UNC\\";
const std::string kDevice = "\\\\.\\";

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// True when `text` at `at` is "X:" followed by a backslash or the end.
bool DriveAt(const std::string& text, size_t at)
{
    return text.size() >= at + 2 && IsLetter(text[at]) && text[at + 1] == ':' &&
           (text.size() == at + 2 || text[at + 2] == '\\');
}

// The end of the `count` backslash-separated names that start at `at`
// (the position of the backslash after the last, or the end).
size_t AfterNames(const std::string& text, size_t at, int count)
{
    for (int i = 0; i < count; ++i) {
        const size_t slash = text.find('\\', at);
        if (slash == std::string::npos)
            return text.size();
        at = slash + 1;
    }
    return at - 1;
}

std::string WithoutTrailing(std::string path)
{
    const size_t top = TopLength(path);
    while (path.size() > top && path.back() == '\\')
        path.pop_back();
    if (top && path.size() < top)
        path.push_back('\\');  // "\\?\C:" stands for the root
    return path;
}

}  // namespace

bool LongForm(const std::string& full, std::string& longPath, std::string& error)
{
    if (StartsWith(full, kLong)) {
        longPath = WithoutTrailing(full);
        return true;
    }
    if (StartsWith(full, kDevice)) {
        if (!DriveAt(full, kDevice.size())) {
            error = "it names a device, not a folder";
            return false;
        }
        longPath = WithoutTrailing(kLong + full.substr(kDevice.size()));
        return true;
    }
    if (StartsWith(full, "\\\\")) {
        const size_t server = full.find('\\', 2);
        if (server == std::string::npos || server == 2 || server + 1 >= full.size() ||
            full[server + 1] == '\\') {
            error = "a network path needs a server and a share (\\\\server\\share\\...)";
            return false;
        }
        longPath = WithoutTrailing(kLongUnc + full.substr(2));
        return true;
    }
    if (DriveAt(full, 0)) {
        longPath = WithoutTrailing(kLong + full);
        return true;
    }
    error = "it is not a full path";
    return false;
}

size_t TopLength(const std::string& longPath)
{
    if (StartsWith(longPath, kLongUnc)) {
        const size_t end = AfterNames(longPath, kLongUnc.size(), 2);
        return end + 1;  // the backslash after the share counts, present or not
    }
    if (StartsWith(longPath, kLong) && longPath.size() > kLong.size())
        return AfterNames(longPath, kLong.size(), 1) + 1;
    return 0;
}

std::string ParentOf(const std::string& longPath)
{
    const size_t top = TopLength(longPath);
    if (top == 0 || longPath.size() <= top)
        return "";
    const size_t slash = longPath.rfind('\\');
    if (slash == std::string::npos || slash + 1 <= top)
        return longPath.substr(0, top - 1) + "\\";
    return longPath.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

char DriveOf(const std::string& path)
{
    size_t at = 0;
    if (StartsWith(path, kLong) || StartsWith(path, kDevice))
        at = kLong.size();
    // "X:" alone also names the drive, as in the drive-relative "X:photos".
    if (path.size() < at + 2 || !IsLetter(path[at]) || path[at + 1] != ':')
        return 0;
    const char letter = path[at];
    return letter >= 'a' ? static_cast<char>(letter - 'a' + 'A') : letter;
}

}  // namespace fsys
