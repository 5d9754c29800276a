// Names between UTF-8 and UTF-16: every name the system can hold goes there
// and back unchanged, and bytes that are no name are refused.
#include "fsys/utf16.h"

#include <gtest/gtest.h>

namespace {

std::u16string Wide(const std::string& text)
{
    std::u16string wide;
    EXPECT_TRUE(fsys::ToUtf16(text, wide)) << text;
    return wide;
}

}  // namespace

TEST(Utf16, NamesOfEveryScriptGoThereAndBack)
{
    const std::string names[] = {
        "plain.txt",
        "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC",  // Ελληνικά
        "\xD0\xBA\xD0\xBE\xD1\x82",                                          // кот
        "\xE4\xB8\xAD\xE6\x96\x87",                                          // 中文
        "\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF",                                 // 😀 and U+10FFFF
        std::string("nul\0inside", 10),
    };
    for (const std::string& name : names)
        EXPECT_EQ(fsys::FromUtf16(Wide(name)), name);
    EXPECT_EQ(Wide("\xF0\x9F\x98\x80"), (std::u16string{0xD83D, 0xDE00}));
    EXPECT_EQ(Wide("\xCE\x95"), (std::u16string{0x0395}));
}

TEST(Utf16, UnpairedSurrogatesComeOutInWtf8AndGoBack)
{
    // NTFS holds any sequence of 16-bit units, an unpaired surrogate included.
    const std::u16string names[] = {{u'a', 0xD800, u'b'}, {0xDC00}, {0xDBFF}, {0xDC00, 0xD800}};
    for (const std::u16string& name : names) {
        const std::string text = fsys::FromUtf16(name);
        EXPECT_EQ(Wide(text), name);
    }
    EXPECT_EQ(fsys::FromUtf16(std::u16string{0xD800}), "\xED\xA0\x80");
}

TEST(Utf16, BytesThatAreNoNameAreRefused)
{
    const std::string refused[] = {
        "\xFF",                  // never in UTF-8
        "caf\xE9",               // Latin-1
        "\xC0\xAF",              // overlong "/"
        "\xE0\x80\xAF",          // overlong "/" in three bytes
        "\xF4\x90\x80\x80",      // beyond U+10FFFF
        "\xE4\xB8",              // cut short
        "\xED\xA0\xBD\xED\xB8\x80",  // a pair written as two surrogates: 😀 has a shorter form
    };
    for (const std::string& text : refused) {
        std::u16string wide;
        EXPECT_FALSE(fsys::ToUtf16(text, wide)) << testing::PrintToString(text);
    }
}
