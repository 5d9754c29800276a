#include "toolkit/string_array.h"

int UpperBound(const StringArray& array)
{
    return array.elements.empty() ? 0 : static_cast<int>(array.elements.size()) - 1;
}

const Text& Element(const StringArray& array, int index)
{
    static const Text none;
    if (index < 0 || index >= static_cast<int>(array.elements.size()))
        return none;
    return array.elements[index];
}

Text& Element(StringArray& array, int index)
{
    return array.elements[index];
}

int AppendItem(StringArray& array, const Text& text)
{
    if (array.elements.empty())
        array.elements.emplace_back();
    array.elements.push_back(text);
    return UpperBound(array);
}

void ResetArray(StringArray& array)
{
    array.elements.assign(1, Text());
}

void EraseArray(StringArray& array)
{
    array.elements.clear();
    array.elements.shrink_to_fit();
}

static unsigned char UpperByte(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return c;
    }
}

Text FoldCase(const Text& text)
{
    Text result = text;
    for (char& c : result)
        c = static_cast<char>(UpperByte(static_cast<unsigned char>(c)));
    return result;
}

int CompareItems(const Text& a, const Text& b, bool exact)
{
    if (exact)
        return a.compare(b);
    const size_t length = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < length; ++i) {
        const int left = UpperByte(static_cast<unsigned char>(a[i]));
        const int right = UpperByte(static_cast<unsigned char>(b[i]));
        if (left != right)
            return left - right;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}
