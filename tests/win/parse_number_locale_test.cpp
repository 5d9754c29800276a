// Number reading in the Windows runtime with a French locale, whose decimal
// separator is a comma: the separator stays ".".
#include <clocale>

#include <gtest/gtest.h>

#include "touch/date_serial.h"

TEST(ParseNumberLocale, DecimalPointWhateverTheLocale)
{
    if (std::setlocale(LC_ALL, "French_France.1252") == nullptr)
        GTEST_SKIP() << "no French locale in this runtime";
    ASSERT_EQ(*std::localeconv()->decimal_point, ',');
    EXPECT_EQ(ParseNumber("1.5"), 1.5);
    EXPECT_EQ(ParseNumber("1,5"), 1);
    EXPECT_EQ(ParseNumber("-2.5d1"), -25);
    std::setlocale(LC_ALL, "C");
}
