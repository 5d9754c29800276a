#include "engine/path_filter.h"

namespace engine {

namespace {

// The outcomes of a match, as rsync's matcher has them: besides match and no
// match, two ways to stop trying further places for the stars before, so
// that a pattern with many stars is not tried at every combination.
enum class Outcome { Match, NoMatch, AbortAll, AbortToDoubleStar };

// The class that starts at pattern[p] ("["), tried on the byte `c`: 1 when
// it holds it, 0 when not, -1 when the class is not closed. `p` is left on
// its "]".
int InClass(std::string_view pattern, size_t& p, unsigned char c)
{
    size_t at = p + 1;
    bool negated = false;
    if (at < pattern.size() && (pattern[at] == '!' || pattern[at] == '^')) {
        negated = true;
        ++at;
    }
    bool held = false;
    for (bool first = true;; first = false) {
        if (at >= pattern.size())
            return -1;
        unsigned char low = static_cast<unsigned char>(pattern[at]);
        if (low == ']' && !first)
            break;
        if (low == '\\' && at + 1 < pattern.size())
            low = static_cast<unsigned char>(pattern[++at]);
        unsigned char high = low;
        if (at + 2 < pattern.size() && pattern[at + 1] == '-' && pattern[at + 2] != ']') {
            at += 2;
            high = static_cast<unsigned char>(pattern[at]);
            if (high == '\\' && at + 1 < pattern.size())
                high = static_cast<unsigned char>(pattern[++at]);
        }
        held = held || (c >= low && c <= high);
        ++at;
    }
    p = at;
    return held != negated ? 1 : 0;
}

Outcome Match(std::string_view pattern, size_t p, std::string_view text, size_t t)
{
    for (; p < pattern.size(); ++p) {
        char c = pattern[p];
        if (c == '*') {
            bool crossesSlash = false;
            while (p + 1 < pattern.size() && pattern[p + 1] == '*') {
                crossesSlash = true;
                ++p;
            }
            ++p;
            if (p == pattern.size()) {
                // A last `**` takes the rest; a last `*` only the rest of a name.
                if (!crossesSlash && text.find('/', t) != std::string_view::npos)
                    return Outcome::AbortToDoubleStar;
                return Outcome::Match;
            }
            for (;; ++t) {
                if (t >= text.size())
                    return Outcome::AbortAll;
                const Outcome rest = Match(pattern, p, text, t);
                if (rest != Outcome::NoMatch && (!crossesSlash || rest != Outcome::AbortToDoubleStar))
                    return rest;
                if (!crossesSlash && text[t] == '/')
                    return Outcome::AbortToDoubleStar;
            }
        }
        if (t >= text.size())
            return Outcome::AbortAll;
        if (c == '?') {
            // One byte, as in rsync: the early stops of the stars hold only
            // where every element takes a fixed number of bytes.
            if (text[t] == '/')
                return Outcome::NoMatch;
            ++t;
            continue;
        }
        if (c == '[') {
            if (text[t] == '/')
                return Outcome::NoMatch;
            const int held = InClass(pattern, p, static_cast<unsigned char>(text[t]));
            if (held < 0)
                return Outcome::AbortAll;
            if (held == 0)
                return Outcome::NoMatch;
            ++t;
            continue;
        }
        if (c == '\\' && p + 1 < pattern.size())
            c = pattern[++p];
        if (text[t] != c)
            return Outcome::NoMatch;
        ++t;
    }
    return t == text.size() ? Outcome::Match : Outcome::NoMatch;
}

// False when a class of the pattern is not closed.
bool ClassesClosed(std::string_view pattern)
{
    for (size_t p = 0; p < pattern.size(); ++p) {
        if (pattern[p] == '\\')
            ++p;
        else if (pattern[p] == '[' && InClass(pattern, p, 0) < 0)
            return false;
    }
    return true;
}

}  // namespace

bool GlobMatch(std::string_view pattern, std::string_view text)
{
    return Match(pattern, 0, text, 0) == Outcome::Match;
}

bool PathFilter::Add(bool include, const std::string& pattern, std::string& error)
{
    Rule rule;
    rule.include = include;
    rule.pattern = pattern;
    if (backslash_)
        for (char& c : rule.pattern)
            if (c == '\\')
                c = '/';
    while (!rule.pattern.empty() && rule.pattern.back() == '/') {
        rule.foldersOnly = true;
        rule.pattern.pop_back();
    }
    while (!rule.pattern.empty() && rule.pattern.front() == '/') {
        rule.anchored = true;
        rule.pattern.erase(0, 1);
    }
    const char* option = include ? "--include" : "--exclude";
    if (rule.pattern.empty()) {
        error = std::string(option) + " \"" + pattern + "\": the pattern names no file or folder";
        return false;
    }
    if (!ClassesClosed(rule.pattern)) {
        error = std::string(option) + " \"" + pattern + "\": a \"[\" is not closed by \"]\" (\\[ for the character itself)";
        return false;
    }
    rule.wholePath = rule.pattern.find('/') != std::string::npos || rule.pattern.find("**") != std::string::npos;
    rules_.push_back(std::move(rule));
    return true;
}

bool PathFilter::Excluded(std::string_view path, bool folder) const
{
    const size_t slash = path.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
    for (const Rule& rule : rules_) {
        if (rule.foldersOnly && !folder)
            continue;
        bool matched;
        if (rule.anchored)
            matched = GlobMatch(rule.pattern, path);
        else if (!rule.wholePath)
            matched = GlobMatch(rule.pattern, last);
        else {
            // The path's last names at any depth: from the top, then after each "/".
            matched = GlobMatch(rule.pattern, path);
            for (size_t at = path.find('/'); !matched && at != std::string_view::npos; at = path.find('/', at + 1))
                matched = GlobMatch(rule.pattern, path.substr(at + 1));
        }
        if (matched)
            return !rule.include;
    }
    return false;
}

bool PathFilter::ExcludedWithin(std::string_view path, bool folder) const
{
    if (rules_.empty())
        return false;
    for (size_t at = path.find('/'); at != std::string_view::npos; at = path.find('/', at + 1))
        if (Excluded(path.substr(0, at), true))
            return true;
    return Excluded(path, folder);
}

}  // namespace engine
