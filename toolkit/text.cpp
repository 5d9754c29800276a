#include "toolkit/text.h"

Text TrimBlanks(const Text& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == Text::npos)
        return Text();
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

Text UpperAscii(const Text& text)
{
    Text result = text;
    for (char& c : result) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}
