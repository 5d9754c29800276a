// Include and exclude rules on the paths of a tree, with rsync's glob
// meaning: `*` matches any run of characters but "/", `**` any run at all,
// `?` one byte but "/", `[...]` one byte of a class (`[a-z]`,
// `[!0-9]` or `[^0-9]`), `\` takes the next character literally. A pattern
// that ends in "/" matches folders only; one that starts with "/" is matched
// against the whole path from the top of the tree; any other that holds a
// "/" or a `**` against the path's last names at any depth, and one without
// either against the last name alone. The rules are tried in the order given
// and the first that matches decides; a path no rule matches is kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace engine {

class PathFilter {
public:
    // `separatorBackslash`: "\" in patterns is a separator, as "/" (on
    // Windows, where no name holds one), rather than an escape.
    explicit PathFilter(bool separatorBackslash = false) : backslash_(separatorBackslash) {}

    // Adds a rule after those already added. False, with a message, for a
    // pattern that matches nothing (empty, "/" alone) or an unclosed class.
    bool Add(bool include, const std::string& pattern, std::string& error);

    bool empty() const { return rules_.empty(); }

    // Whether the entry at `path` (relative to the top, names joined by
    // "/", never empty) is left out.
    bool Excluded(std::string_view path, bool folder) const;

    // Whether `path` is left out, itself or through one of the folders
    // above it (for paths that come from a list rather than from a walk,
    // which never enters a folder left out).
    bool ExcludedWithin(std::string_view path, bool folder) const;

private:
    struct Rule {
        bool include = false;
        bool anchored = false;     // leading "/": from the top only
        bool foldersOnly = false;  // trailing "/"
        bool wholePath = false;    // holds "/" or "**": matched against the path
        std::string pattern;       // without the leading and trailing "/"
    };
    std::vector<Rule> rules_;
    bool backslash_;
};

// Whether `text` matches the glob `pattern` whole (the syntax above, "/" a
// separator that only `**` crosses).
bool GlobMatch(std::string_view pattern, std::string_view text);

}  // namespace engine
