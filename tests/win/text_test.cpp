#include "toolkit/text.h"

#include <gtest/gtest.h>

TEST(Text, TrimBlanksRemovesOnlySpacesAtBothEnds)
{
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");
}

TEST(Text, UpperAsciiLeavesOtherBytes)
{
    EXPECT_EQ(UpperAscii("aide\xE9z"), "AIDE\xE9Z");
}
