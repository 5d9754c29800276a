// Tableau commands other than the folder listings.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "box_watcher.h"
#include "scratch_folder.h"
#include "string_items.h"
#include "test_dialog.h"
#include "toolkit/list.h"
#include "toolkit/tableau.h"

namespace {

using Items = std::vector<std::string>;

StringArray Make(const Items& items)
{
    StringArray array;
    for (const std::string& item : items)
        AppendItem(array, item);
    return array;
}

std::string FileBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return "<missing>";
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        bytes.push_back(static_cast<char>(c));
    std::fclose(file);
    return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

TEST(TableauAppend, ReturnsTheNewUpperBound)
{
    StringArray array;
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(Tableau(1, array, 0, "item" + std::to_string(i)), i);
    EXPECT_EQ(ItemsOf(array), (Items{"item1", "item2", "item3"}));
}

TEST(TableauAppend, UnlessPresentExactlyOrIgnoringCase)
{
    StringArray array = Make({"Abc"});
    EXPECT_EQ(Tableau(2, array, 0, "Abc"), 0);
    EXPECT_EQ(Tableau(2, array, 0, "ABC"), 2);   // exact comparison
    EXPECT_EQ(Tableau(2, array, 1, "aBc"), 0);   // letter case ignored
    EXPECT_EQ(Tableau(2, array, 1, "\xC9t\xE9"), 3);
    EXPECT_EQ(Tableau(2, array, 1, "\xE9T\xC9"), 0);
    EXPECT_EQ(ItemsOf(array), (Items{"Abc", "ABC", "\xC9t\xE9"}));
}

TEST(TableauInsert, AtPositionsBeforeFirstInsideAndPastTheEnd)
{
    const struct {
        int index;
        Items expected;
    } cases[] = {
        {1, {"x", "a", "b", "c"}},  {2, {"a", "x", "b", "c"}}, {3, {"a", "b", "x", "c"}},
        {4, {"a", "b", "c", "x"}},  {9, {"a", "b", "c", "x"}}, {0, {"x", "a", "b", "c"}},
        {-1, {"x", "a", "b", "c"}},
    };
    for (const auto& c : cases) {
        StringArray array = Make({"a", "b", "c"});
        Text text = "x", separator;
        EXPECT_EQ(Tableau(3, array, 0, text, c.index, separator, -1), 4) << c.index;
        EXPECT_EQ(ItemsOf(array), c.expected) << c.index;
        EXPECT_EQ(Element(array, 0), "") << c.index;
    }
    StringArray empty;
    Text text = "only", separator;
    EXPECT_EQ(Tableau(3, empty, 0, text, 1, separator, -1), 1);
    EXPECT_EQ(ItemsOf(empty), Items{"only"});
}

// The same text but for the letter case of a to z.
bool SameIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

TEST(TableauSort, AscendingByDefaultDescendingWithDesc)
{
    const Items items = {"pomme", "Poire", "abricot", "\xE9t\xE9", "Zeste", "banane", "poire", "E"};
    // Byte order: capitals before small letters, and the accented byte 0xE9 last.
    const Items exact = {"E", "Poire", "Zeste", "abricot", "banane", "poire", "pomme", "\xE9t\xE9"};
    // Letter case ignored: "\xE9" counts as its capital 0xC9, still after Z;
    // "Poire" and "poire" are equal and may come in either order.
    const Items folded = {"abricot", "banane", "E", "poire", "poire", "pomme", "Zeste", "\xE9t\xE9"};
    const struct {
        int flag;
        const char* option;
        bool descending;
    } cases[] = {
        {0, "", false},   {1, "", false},    {0, "desc", true},
        {1, "  Descending", true}, {0, "ASC", false}, {0, "DES", false},
    };
    for (const auto& c : cases) {
        StringArray array = Make(items);
        EXPECT_EQ(Tableau(4, array, c.flag, c.option), static_cast<int>(items.size()));
        Items expected = c.flag ? exact : folded;
        if (c.descending)
            std::reverse(expected.begin(), expected.end());
        const Items sorted = ItemsOf(array);
        ASSERT_EQ(sorted.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            if (c.flag)
                EXPECT_EQ(sorted[i], expected[i]) << "'" << c.option << "' exact, at " << i;
            else
                EXPECT_TRUE(SameIgnoringAsciiCase(sorted[i], expected[i]))
                    << "'" << c.option << "' at " << i << ": " << sorted[i] << " for " << expected[i];
        }
        Items all = items, got = sorted;
        std::sort(all.begin(), all.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, all) << "the same items";
    }
}

TEST(TableauSort, ManyItemsEndInOrder)
{
    StringArray array;
    unsigned seed = 12345;
    for (int i = 0; i < 2000; ++i) {
        seed = seed * 1103515245u + 12345u;
        AppendItem(array, std::to_string((seed >> 8) % 100000));
    }
    Items before = ItemsOf(array);
    Tableau(4, array, 1, "");
    Items after = ItemsOf(array);
    EXPECT_TRUE(std::is_sorted(after.begin(), after.end()));
    std::sort(before.begin(), before.end());
    EXPECT_EQ(after, before);
}

TEST(TableauEdit, RepeatsEmptyUpReverseDelete)
{
    StringArray repeats = Make({"a", "A", "b", "b", "b", "c"});
    EXPECT_EQ(Tableau(5, repeats, 0, ""), 6);
    EXPECT_EQ(ItemsOf(repeats), (Items{"", "A", "", "", "b", "c"}));
    repeats = Make({"a", "A", "b", "b", "b", "c"});
    EXPECT_EQ(Tableau(5, repeats, 1, ""), 6);
    EXPECT_EQ(ItemsOf(repeats), (Items{"a", "A", "", "", "b", "c"}));

    StringArray gaps = Make({"", "a", "", "", "b", ""});
    EXPECT_EQ(Tableau(6, gaps, 0, ""), 2);
    EXPECT_EQ(ItemsOf(gaps), (Items{"a", "b"}));
    StringArray blank = Make({"", ""});
    EXPECT_EQ(Tableau(6, blank, 0, ""), 2);

    StringArray reversed = Make({"1", "2", "3"});
    EXPECT_EQ(Tableau(7, reversed, 0, ""), 3);
    EXPECT_EQ(ItemsOf(reversed), (Items{"3", "2", "1"}));
    EXPECT_EQ(Element(reversed, 0), "");

    const struct {
        int index;
        int result;
        Items expected;
    } deletes[] = {{1, 2, {"b", "c"}}, {3, 2, {"a", "b"}}, {4, -1, {"a", "b", "c"}},
                   {0, -1, {"a", "b", "c"}}, {-1, -1, {"a", "b", "c"}}};
    for (const auto& d : deletes) {
        StringArray array = Make({"a", "b", "c"});
        Text text, separator;
        EXPECT_EQ(Tableau(21, array, 0, text, d.index, separator, -1), d.result) << d.index;
        EXPECT_EQ(ItemsOf(array), d.expected) << d.index;
    }
}

TEST(TableauFind, EqualOrContainedIgnoringCase)
{
    StringArray array = Make({"Rouge", "vert", "Bleu clair", "BLEU"});
    EXPECT_EQ(Tableau(8, array, 1, "bleu"), 4);
    EXPECT_EQ(Tableau(8, array, 0, "bleu"), 3);
    EXPECT_EQ(Tableau(8, array, 0, "ERT"), 2);
    EXPECT_EQ(Tableau(8, array, 1, "ert"), -1);
    EXPECT_EQ(Tableau(8, array, 0, "noir"), -1);
}

TEST(TableauSplit, AtGivenOrDetectedSeparators)
{
    const struct {
        const char* text;
        const char* separator;
        int result;
        const char* detected;
        Items items;
    } cases[] = {
        {"a;b;;c", ";", 4, ";", {"a", "b", "", "c"}},
        {"a--b--", "--", 3, "--", {"a", "b", ""}},
        {"a\r\nb\nc", "", 2, "\r\n", {"a", "b\nc"}},
        {"a\n\rb", "", 2, "\n\r", {"a", "b"}},
        {"a\nb|c", "", 2, "\n", {"a", "b|c"}},
        {"a|b;c,d", "", 2, "|", {"a", "b;c,d"}},
        {"a,b", "", 2, ",", {"a", "b"}},
        {"single", ";", 1, ";", {"single"}},
        {"nothing", "", -1, "", {}},
        {"", ";", -1, ";", {}},
    };
    for (const auto& c : cases) {
        StringArray array = Make({"former"});
        Text text = c.text, separator = c.separator;
        EXPECT_EQ(Tableau(9, array, 0, text, -1, separator, -1), c.result) << c.text;
        EXPECT_EQ(separator, c.detected) << c.text;
        EXPECT_EQ(ItemsOf(array), c.items) << c.text;
    }
}

TEST(TableauJoin, EachItemFollowedByTheSeparator)
{
    StringArray array = Make({"a", "", "c"});
    Text text = "former", separator = ";";
    EXPECT_EQ(Tableau(10, array, 0, text, -1, separator, -1), 5);
    EXPECT_EQ(text, "a;;c;");
    separator.clear();
    EXPECT_EQ(Tableau(10, array, 0, text, -1, separator, -1), 8);
    EXPECT_EQ(text, "a\r\n\r\nc\r\n");   // CR LF without a separator

    StringArray none;
    text = "former";
    EXPECT_EQ(Tableau(10, none, 0, text, -1, separator, -1), 0);
    EXPECT_EQ(text, "");
}

TEST(TableauFiles, WriteAppendReadWithCrLfAndBytesAsTheyAre)
{
    scratch::ScratchFolder root("tableau_files");
    const std::string file = root.win + "\\new\\deeper\\list.txt";
    StringArray array = Make({"Caf\xE9", "", "\xAB" "x\xBB"});

    EXPECT_EQ(Tableau(11, array, 0, file), 3);   // creates the missing folders
    EXPECT_EQ(FileBytes(file), "Caf\xE9\r\n\r\n\xAB" "x\xBB\r\n");
    EXPECT_EQ(Tableau(12, array, 1, file), 3);   // appends, empty items skipped
    EXPECT_EQ(FileBytes(file), "Caf\xE9\r\n\r\n\xAB" "x\xBB\r\nCaf\xE9\r\n\xAB" "x\xBB\r\n");
    EXPECT_EQ(Tableau(11, array, 1, file), 3);   // replaces
    EXPECT_EQ(FileBytes(file), "Caf\xE9\r\n\xAB" "x\xBB\r\n");

    StringArray read = Make({"kept"});
    EXPECT_EQ(Tableau(13, read, 0, file), 3);
    EXPECT_EQ(ItemsOf(read), (Items{"kept", "Caf\xE9", "\xAB" "x\xBB"}));

    Text text = file, separator;
    EXPECT_EQ(Tableau(18, array, 0, text, 2, separator, 3), 3);
    EXPECT_EQ(FileBytes(file), "\r\n\xAB" "x\xBB\r\n");
}

TEST(TableauFiles, ReadsLfLinesAndALastLineWithoutEnd)
{
    scratch::ScratchFolder root("tableau_read");
    const std::string file = root.win + "\\lines.txt";
    WriteBytes(file, "one\n\ntwo\r\nthree");

    StringArray all;
    EXPECT_EQ(Tableau(13, all, 0, file), 4);
    EXPECT_EQ(ItemsOf(all), (Items{"one", "", "two", "three"}));
    StringArray nonEmpty;
    EXPECT_EQ(Tableau(13, nonEmpty, 1, file), 3);
    EXPECT_EQ(ItemsOf(nonEmpty), (Items{"one", "two", "three"}));
}

TEST(TableauFiles, BlankOrUnopenableNamesGiveZero)
{
    scratch::ScratchFolder root("tableau_nofile");
    StringArray array = Make({"a"});
    EXPECT_EQ(Tableau(11, array, 0, "  "), 0);
    EXPECT_EQ(Tableau(12, array, 0, ""), 0);
    EXPECT_EQ(Tableau(13, array, 0, root.win + "\\missing.txt"), 0);
    EXPECT_EQ(Tableau(11, array, 0, root.win), 0);   // a folder
    EXPECT_EQ(ItemsOf(array), Items{"a"});
}

TEST_F(MainDialogTest, TableauToAndFromAListBox)
{
    StringArray array = Make({"un", "", "trois"});
    Text text, separator;
    EXPECT_EQ(Tableau(14, array, 1, text, IDC_RESULT_LIST, separator, -1), 3);
    EXPECT_EQ(SendMessageA(Item(IDC_RESULT_LIST), LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(Tableau(14, array, 0, text, IDC_RESULT_LIST, separator, -1), 3);
    EXPECT_EQ(SendMessageA(Item(IDC_RESULT_LIST), LB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(Tableau(14, array, 0, text, -1, separator, -1), 0);

    StringArray all = Make({"first"});
    EXPECT_EQ(Tableau(15, all, 0, text, IDC_RESULT_LIST, separator, -1), 6);
    EXPECT_EQ(ItemsOf(all), (Items{"first", "un", "trois", "un", " ", "trois"}));
    StringArray nonBlank;
    EXPECT_EQ(Tableau(15, nonBlank, 1, text, IDC_RESULT_LIST, separator, -1), 4);
    EXPECT_EQ(ItemsOf(nonBlank), (Items{"un", "trois", "un", "trois"}));
    EXPECT_EQ(Tableau(15, nonBlank, 1, text, -1, separator, -1), 0);
}

TEST(TableauUnknown, CodesShowTheirBoxAndLeaveTheArray)
{
    for (int code : {20, 0, 22, -5}) {
        StringArray array = Make({"a", "b"});
        BoxWatcher watcher("'Tableau'");
        EXPECT_EQ(Tableau(code, array, 0, "x"), 0) << code;
        const SeenBox box = watcher.Wait();
        EXPECT_TRUE(box.seen) << code;
        EXPECT_EQ(box.text, "M\xE9thode \xAB" + std::to_string(code) + "\xBB inconnue !");
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(ItemsOf(array), (Items{"a", "b"})) << code;
    }
}

}  // namespace
