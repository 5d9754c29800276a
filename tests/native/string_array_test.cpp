#include "toolkit/string_array.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringArray, WithoutStorageHasUpperBoundZero)
{
    const StringArray array;
    EXPECT_EQ(UpperBound(array), 0);
    EXPECT_EQ(Element(array, 0), "");  // reading outside the elements gives ""
    EXPECT_EQ(Element(array, 1), "");
}

TEST(StringArray, AppendsGoToIndexOneOnward)
{
    StringArray array;
    EXPECT_EQ(AppendItem(array, "a"), 1);
    EXPECT_EQ(AppendItem(array, ""), 2);
    EXPECT_EQ(AppendItem(array, "c"), 3);
    EXPECT_EQ(UpperBound(array), 3);
    EXPECT_EQ(Element(array, 0), "");
    EXPECT_EQ(Element(array, 1), "a");
    EXPECT_EQ(Element(array, 2), "");
    EXPECT_EQ(Element(array, 3), "c");
}

TEST(StringArray, AppendedItemIsACopy)
{
    StringArray array;
    std::string text = "before";
    AppendItem(array, text);
    text = "after";
    EXPECT_EQ(Element(array, 1), "before");
}

TEST(StringArray, ElementCanBeReplaced)
{
    StringArray array;
    AppendItem(array, "a");
    Element(array, 1) = "b";
    EXPECT_EQ(Element(array, 1), "b");
}

TEST(StringArray, ResetKeepsElementZeroOnly)
{
    StringArray array;
    ResetArray(array);
    EXPECT_EQ(UpperBound(array), 0);
    EXPECT_EQ(array.elements.size(), 1u);

    for (int i = 0; i < 5; ++i)
        AppendItem(array, "x");
    ResetArray(array);
    EXPECT_EQ(UpperBound(array), 0);
    EXPECT_EQ(array.elements.size(), 1u);
    EXPECT_EQ(AppendItem(array, "y"), 1);
    EXPECT_EQ(Element(array, 1), "y");
}

TEST(StringArray, EraseDropsTheStorage)
{
    StringArray array;
    AppendItem(array, "x");
    EraseArray(array);
    EXPECT_EQ(UpperBound(array), 0);
    EXPECT_TRUE(array.elements.empty());
    EXPECT_EQ(AppendItem(array, "z"), 1);
    EXPECT_EQ(Element(array, 1), "z");
}

TEST(StringArray, ManyAppendsKeepEveryItemInPlace)
{
    StringArray array;
    const int count = 100000;
    for (int i = 1; i <= count; ++i)
        ASSERT_EQ(AppendItem(array, std::to_string(i)), i);
    for (int i = 1; i <= count; i += 997)
        EXPECT_EQ(Element(array, i), std::to_string(i));
    EXPECT_EQ(Element(array, count), std::to_string(count));
}

TEST(FoldCase, UpperCasesCp1252Letters)
{
    EXPECT_EQ(FoldCase("abc\xE9\xE0\xFF\x9C\xF7z1"), "ABC\xC9\xC0\x9F\x8C\xF7Z1");
    EXPECT_EQ(FoldCase("\xC9T\xC9"), "\xC9T\xC9");
}

TEST(CompareItems, ExactIsByteOrderAndOtherwiseCaseIgnored)
{
    EXPECT_LT(CompareItems("B", "a", true), 0);
    EXPECT_GT(CompareItems("B", "a", false), 0);
    EXPECT_EQ(CompareItems("\xC9t\xE9", "\xE9T\xC9", false), 0);
    EXPECT_NE(CompareItems("\xC9t\xE9", "\xE9T\xC9", true), 0);
    EXPECT_GT(CompareItems("\xE9", "z", true), 0);   // bytes compare unsigned
    EXPECT_LT(CompareItems("ab", "abc", false), 0);
    EXPECT_GT(CompareItems("abc", "AB", false), 0);
    EXPECT_EQ(CompareItems("", "", false), 0);
}

}  // namespace
