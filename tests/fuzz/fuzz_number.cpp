// The number reader of the shift field and the rounding of the shift.
// ParseNumber is checked against a reference reader written apart from it:
// the longest prefix of the accepted forms is matched by hand, character by
// character, and only that prefix is converted, by the C library's strtod
// (correctly rounded) or, for "&" integers, in extended precision. The
// rounding is checked against nearbyint, which rounds halves to even.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "touch/date_serial.h"
#include "touch/matching.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsExponentMark(char c)
{
    return c == 'e' || c == 'E' || c == 'd' || c == 'D';
}

// Value of c as a digit of base, or -1.
int DigitIn(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

struct Reference {
    bool integer;   // an "&" form: value is in extended precision
    long double value;
};

Reference ReadReference(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const size_t left = text.size() - i;
    if (left == 0)
        return {false, 0};

    if (left >= 2 && text[i] == '&') {
        const char kind = text[i + 1];
        int base = 8;
        size_t p = i + 1;
        if (kind == 'H' || kind == 'h') {
            base = 16;
            p = i + 2;
        } else if (kind == 'O' || kind == 'o' || kind == 'B' || kind == 'b') {
            base = kind == 'B' || kind == 'b' ? 2 : 8;
            p = i + 2;
        }
        long double value = 0;
        for (; p < text.size() && DigitIn(text[p], base) >= 0; ++p)
            value = value * base + DigitIn(text[p], base);
        return {true, value};
    }

    // [sign] digits [. digits] [(e|E|d|D) [sign] digits], at least one
    // digit before the exponent.
    size_t p = i;
    if (text[p] == '+' || text[p] == '-')
        ++p;
    size_t digits = 0;
    for (; p < text.size() && IsDigit(text[p]); ++p)
        ++digits;
    if (p < text.size() && text[p] == '.') {
        ++p;
        for (; p < text.size() && IsDigit(text[p]); ++p)
            ++digits;
    }
    if (digits == 0)
        return {false, 0};
    size_t end = p;
    if (p < text.size() && IsExponentMark(text[p])) {
        size_t q = p + 1;
        if (q < text.size() && (text[q] == '+' || text[q] == '-'))
            ++q;
        if (q < text.size() && IsDigit(text[q])) {
            while (q < text.size() && IsDigit(text[q]))
                ++q;
            end = q;
        }
    }
    std::string number = text.substr(i, end - i);
    for (char& c : number) {
        if (c == 'd' || c == 'D')
            c = 'e';
    }
    char* stop = nullptr;
    const double value = std::strtod(number.c_str(), &stop);
    FUZZ_CHECK(stop == number.c_str() + number.size(), text, "reference prefix: " + number);
    return {false, value};
}

std::string Show(long double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.21Lg", value);
    return buffer;
}

void CheckParseNumber(const std::string& text)
{
    const double value = ParseNumber(text);
    const Reference expected = ReadReference(text);
    const std::string detail = "read " + Show(value) + ", reference " + Show(expected.value);
    FUZZ_CHECK(!std::isnan(value), text, detail);
    if (expected.integer) {
        // Digit by digit in doubles the value may differ from the exact one
        // in its last bits once it passes 2^53; beyond the range of a double
        // it is infinite.
        if (expected.value <= 9007199254740992.0L) {
            FUZZ_CHECK(value == expected.value, text, detail);
        } else if (std::isinf(value)) {
            FUZZ_CHECK(expected.value >= static_cast<long double>(DBL_MAX) * (1 - 1e-15L), text,
                       detail);
        } else {
            FUZZ_CHECK(std::fabs(value - expected.value) <= expected.value * 1e-15L, text, detail);
        }
    } else {
        FUZZ_CHECK(value == static_cast<double>(expected.value), text, detail);
    }

    // Leading blanks are skipped, and reading stops at a character that fits
    // no number.
    FUZZ_CHECK(ParseNumber("  " + text) == value, text, detail);
    FUZZ_CHECK(ParseNumber(text + "#") == value, text, detail);
}

void CheckRounding(double value, const std::string& text)
{
    const int32_t rounded = RoundToInt32(value);
    // nearbyint rounds halves to even in the default rounding mode.
    const double nearest = std::nearbyint(value);
    const int32_t expected = nearest >= INT32_MIN && nearest <= INT32_MAX
                                 ? static_cast<int32_t>(nearest)
                                 : INT32_MIN;
    FUZZ_CHECK(rounded == expected, text,
               "value " + Show(value) + " rounded " + std::to_string(rounded) + ", expected " +
                   std::to_string(expected));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckParseNumber(text);

    const double value = ParseNumber(text);
    CheckRounding(value, text);
    FUZZ_CHECK(ShiftFromText(text) == RoundToInt32(value), text, "");

    // Any bit pattern as a double, not-a-number and infinities included.
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckRounding(raw, text);
    }
    return 0;
}
