// The field routines of the command line. Input: byte 0 is the field number
// (signed), the low two bits of byte 1 the separator's length, then the
// separator, then the text. FieldCount is checked against a count of every
// occurrence, overlapping ones included (each search starts one character
// after the previous find); FieldAt against a plain cut of the text; and the
// fields joined by the separator must give the text back.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_fields.h"
#include "fuzz_check.h"

namespace {

bool SeparatorAt(const std::string& text, size_t at, const std::string& separator)
{
    if (at + separator.size() > text.size())
        return false;
    for (size_t k = 0; k < separator.size(); ++k) {
        if (text[at + k] != separator[k])
            return false;
    }
    return true;
}

int OverlappingCount(const std::string& text, const std::string& separator)
{
    int count = 0;
    for (size_t at = 0; at < text.size(); ++at)
        count += SeparatorAt(text, at, separator) ? 1 : 0;
    return count;
}

// Fields from left to right, each occurrence of the separator ending one.
std::vector<std::string> ReferenceFields(const std::string& text, const std::string& separator)
{
    std::vector<std::string> fields;
    size_t start = 0;
    size_t at = 0;
    while (at < text.size()) {
        if (SeparatorAt(text, at, separator)) {
            fields.push_back(text.substr(start, at - start));
            at += separator.size();
            start = at;
        } else {
            ++at;
        }
    }
    fields.push_back(text.substr(start));
    return fields;
}

void CheckFields(const std::string& text, const std::string& separator, int n)
{
    const std::string detail = "separator \"" + fuzz::Escaped(separator) + "\" n " + std::to_string(n);
    if (separator.empty()) {
        FUZZ_CHECK(FieldCount(text, separator) == 1, text, detail);
        FUZZ_CHECK(FieldAt(text, separator, 1) == text, text, detail);
        FUZZ_CHECK(FieldAt(text, separator, n) == (n == 1 ? text : std::string()), text, detail);
        return;
    }
    const int count = FieldCount(text, separator);
    FUZZ_CHECK(count == 1 + OverlappingCount(text, separator), text,
               detail + " count " + std::to_string(count));

    const std::vector<std::string> fields = ReferenceFields(text, separator);
    const int m = static_cast<int>(fields.size());
    if (separator.size() == 1)
        FUZZ_CHECK(count == m, text, detail);

    // Every field read costs a walk from the start: look at the first ones,
    // the last, the one after it and the asked one.
    std::vector<int> asked;
    for (int k = 1; k <= std::min(m, 64); ++k)
        asked.push_back(k);
    asked.insert(asked.end(), {m, m + 1, m + 2, n, 0, -1, INT32_MIN});
    for (const int k : asked) {
        const std::string want = k >= 1 && k <= m ? fields[k - 1] : std::string();
        FUZZ_CHECK(FieldAt(text, separator, k) == want, text,
                   detail + " field " + std::to_string(k) + " \"" +
                       fuzz::Escaped(FieldAt(text, separator, k)) + "\"");
    }

    std::string joined = fields[0];
    for (int k = 1; k < m; ++k)
        joined += separator + fields[k];
    FUZZ_CHECK(joined == text, text, detail);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string all(reinterpret_cast<const char*>(data), size);
    const int n = size > 0 ? static_cast<int8_t>(data[0]) : 1;
    const size_t length = size > 1 ? (data[1] & 3) : 1;
    const size_t from = std::min<size_t>(size, 2);
    const std::string separator = all.substr(from, length);
    const std::string text = all.substr(std::min(size, from + length));

    CheckFields(text, separator, n);
    CheckFields(all, "/", n);
    CheckFields(all, "=", n);
    return 0;
}
