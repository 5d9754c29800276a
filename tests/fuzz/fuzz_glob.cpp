// The glob matcher of --include and --exclude. Input: a pattern and a path,
// separated by the first NUL byte. The matcher, which gives up early on stars
// that cannot lead to a match, answers as a reference matcher that tries
// every way the stars can split the path (with a table of the answers found,
// so that it ends), and the rules built from the pattern (when it is one the
// command line takes) answer as the matcher on the path or its last name.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "engine/path_filter.h"
#include "fuzz_check.h"

namespace {

class Reference {
public:
    Reference(const std::string& pattern, const std::string& text) : p_(pattern), t_(text) {}

    bool Match(size_t p, size_t t)
    {
        const auto key = std::make_pair(p, t);
        const auto known = memo_.find(key);
        if (known != memo_.end())
            return known->second;
        const bool answer = Compute(p, t);
        memo_[key] = answer;
        return answer;
    }

private:
    bool Compute(size_t p, size_t t)
    {
        if (p == p_.size())
            return t == t_.size();
        const char c = p_[p];
        if (c == '*') {
            size_t q = p;
            while (q < p_.size() && p_[q] == '*')
                ++q;
            const bool crosses = q - p > 1;
            for (size_t k = t;; ++k) {
                if (Match(q, k))
                    return true;
                if (k == t_.size() || (!crosses && t_[k] == '/'))
                    return false;
            }
        }
        if (t == t_.size())
            return false;
        if (c == '?')
            return t_[t] != '/' && Match(p + 1, t + 1);
        if (c == '[') {
            size_t at = p + 1;
            bool negated = false;
            if (at < p_.size() && (p_[at] == '!' || p_[at] == '^')) {
                negated = true;
                ++at;
            }
            bool held = false;
            const unsigned char byte = static_cast<unsigned char>(t_[t]);
            for (bool first = true;; first = false) {
                if (at >= p_.size())
                    return false;  // not closed
                unsigned char low = static_cast<unsigned char>(p_[at]);
                if (low == ']' && !first)
                    break;
                if (low == '\\' && at + 1 < p_.size())
                    low = static_cast<unsigned char>(p_[++at]);
                unsigned char high = low;
                if (at + 2 < p_.size() && p_[at + 1] == '-' && p_[at + 2] != ']') {
                    at += 2;
                    high = static_cast<unsigned char>(p_[at]);
                    if (high == '\\' && at + 1 < p_.size())
                        high = static_cast<unsigned char>(p_[++at]);
                }
                if (byte >= low && byte <= high)
                    held = true;
                ++at;
            }
            return t_[t] != '/' && held != negated && Match(at + 1, t + 1);
        }
        if (c == '\\' && p + 1 < p_.size())
            return t_[t] == p_[p + 1] && Match(p + 2, t + 1);
        return t_[t] == c && Match(p + 1, t + 1);
    }

    const std::string& p_;
    const std::string& t_;
    std::map<std::pair<size_t, size_t>, bool> memo_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    if (split == std::string::npos || split > 200 || size - split > 400)
        return 0;
    const std::string pattern = input.substr(0, split), text = input.substr(split + 1);
    const bool matched = engine::GlobMatch(pattern, text);
    Reference reference(pattern, text);
    FUZZ_CHECK(matched == reference.Match(0, 0), input,
               std::string("the matcher says ") + (matched ? "match" : "no match") + ", the reference the other");

    // A rule of the pattern, on a path without empty names.
    engine::PathFilter filter;
    std::string error;
    if (text.empty() || text.front() == '/' || text.back() == '/' || text.find("//") != std::string::npos ||
        !filter.Add(false, pattern, error))
        return 0;
    std::string rule = pattern;
    bool foldersOnly = false, anchored = false;
    while (!rule.empty() && rule.back() == '/') {
        rule.pop_back();
        foldersOnly = true;
    }
    while (!rule.empty() && rule.front() == '/') {
        rule.erase(0, 1);
        anchored = true;
    }
    const bool wholePath = rule.find('/') != std::string::npos || rule.find("**") != std::string::npos;
    bool expected;
    if (anchored) {
        expected = engine::GlobMatch(rule, text);
    } else if (!wholePath) {
        expected = engine::GlobMatch(rule, text.substr(text.rfind('/') + 1));
    } else {
        // From the top, then after each "/".
        for (size_t from = 0;;) {
            expected = engine::GlobMatch(rule, text.substr(from));
            const size_t slash = text.find('/', from);
            if (expected || slash == std::string::npos)
                break;
            from = slash + 1;
        }
    }
    FUZZ_CHECK(filter.Excluded(text, true) == expected, input, "the folder rule answers otherwise");
    FUZZ_CHECK(filter.Excluded(text, false) == (expected && !foldersOnly), input,
               "the rule answers otherwise for a file");
    return 0;
}
