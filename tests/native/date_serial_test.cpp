#include "touch/date_serial.h"

#include <clocale>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>

#include <gtest/gtest.h>

namespace {

const double kHour = 1.0 / 24;
const double kMinute = 1.0 / 1440;

struct SerialCase {
    int year, month, day, hour, minute, second;
    double serial;
};

TEST(DateSerial, SerialFromPartsCountsFrom1899December30)
{
    const SerialCase cases[] = {
        {1899, 12, 30, 0, 0, 0, 0},
        {1900, 1, 1, 0, 0, 0, 2},
        {1900, 2, 28, 0, 0, 0, 60},
        {1900, 3, 1, 0, 0, 0, 61},  // 1900 is a common year
        {1970, 1, 1, 0, 0, 0, 25569},
        {1970, 1, 1, 6, 0, 0, 25569.25},
        {2000, 3, 1, 0, 0, 0, 36586},  // 2000 is a leap year
        {1899, 12, 29, 0, 0, 0, -1},
    };
    for (const SerialCase& c : cases) {
        EXPECT_EQ(SerialFromParts(c.year, c.month, c.day, c.hour, c.minute, c.second), c.serial)
            << c.year << "-" << c.month << "-" << c.day;
    }
    EXPECT_EQ(SerialFromParts(2010, 7, 14, 12, 0, 0) - SerialFromParts(2010, 7, 14, 0, 0, 0), 0.5);
}

TEST(DateSerial, DayNumberAgreesWithConsecutiveDates)
{
    // Walking day by day through four centuries: each date's number is one
    // more than the previous date's, across month and year ends and leap days.
    const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int64_t expected = DayNumber(1899, 12, 31);
    for (int year = 1900; year < 2300; ++year) {
        const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
        for (int month = 1; month <= 12; ++month) {
            const int length = monthDays[month - 1] + (month == 2 && leap);
            for (int day = 1; day <= length; ++day) {
                ++expected;
                ASSERT_EQ(DayNumber(year, month, day), expected) << year << "-" << month << "-" << day;
            }
        }
    }
}

TEST(DateSerial, SerialFieldGivesBackEachField)
{
    const double serial = SerialFromParts(2010, 7, 14, 9, 5, 3);
    EXPECT_EQ(SerialField(serial, "yyyy"), "2010");
    EXPECT_EQ(SerialField(serial, "mm"), "07");
    EXPECT_EQ(SerialField(serial, "dd"), "14");
    EXPECT_EQ(SerialField(serial, "hh"), "09");
    EXPECT_EQ(SerialField(serial, "nn"), "05");
    EXPECT_EQ(SerialField(serial, "ss"), "03");
    EXPECT_EQ(SerialField(SerialFromParts(812, 1, 2, 0, 0, 0), "yyyy"), "0812");
}

TEST(DateSerial, SerialFieldRoundTripsWholeSecondsAcrossTheDay)
{
    // Every 7 seconds of two days, on dates of the 1970s and the 2030s.
    const int years[] = {1971, 2036};
    for (int year : years) {
        for (int s = 0; s < 2 * 86400; s += 7) {
            const int day = 30 + s / 86400;
            const int hour = s % 86400 / 3600;
            const int minute = s % 3600 / 60;
            const int second = s % 60;
            const double serial = SerialFromParts(year, 12, day, hour, minute, second);
            ASSERT_EQ(std::stoi(SerialField(serial, "dd")), day) << year << " " << s;
            ASSERT_EQ(std::stoi(SerialField(serial, "hh")), hour) << year << " " << s;
            ASSERT_EQ(std::stoi(SerialField(serial, "nn")), minute) << year << " " << s;
            ASSERT_EQ(std::stoi(SerialField(serial, "ss")), second) << year << " " << s;
        }
    }
}

TEST(DateSerial, SerialFieldOfAnUnknownCodeIsEmpty)
{
    EXPECT_EQ(SerialField(40000, "MM"), "");
    EXPECT_EQ(SerialField(40000, "n"), "");
}

struct UnitsCase {
    const char* unit;
    double offset;  // days from the first serial to the second
    int64_t units;
};

TEST(DateSerial, UnitsBetweenFloorsTheSignedDifference)
{
    const UnitsCase cases[] = {
        {"h", kHour, 1},
        {"h", 1.999 * kHour, 1},
        {"h", -0.5 * kHour, -1},
        {"h", -kHour, -1},
        {"h", -61 * kMinute, -2},
        {"h", 0, 0},
        {"n", -30 * kMinute, -30},
        {"n", 1 + kMinute, 1441},
        {"n", -(1 + kMinute), -1441},
        {"s", 3600.0 / 86400, 3600},
        {"s", -3600.0 / 86400, -3600},
    };
    const double firsts[] = {
        SerialFromParts(2010, 3, 28, 1, 59, 59),
        SerialFromParts(2014, 10, 26, 2, 30, 0),
        SerialFromParts(2019, 12, 31, 23, 59, 59),
    };
    for (double first : firsts) {
        for (const UnitsCase& c : cases) {
            EXPECT_EQ(UnitsBetween(c.unit, first, first + c.offset), c.units)
                << c.unit << " " << c.offset * 24 << " h from " << first;
        }
    }
}

TEST(DateSerial, UnitsBetweenInSecondsIsTheExactDifferenceOfWholeSecondSerials)
{
    // Pairs of file times of the 2010s, built from their fields as the file
    // queries build them; the subtraction of such serials is not exact.
    const int64_t spans[] = {0, 1, 59, 3599, 3600, 3601, 86399, 86400, 90061};
    int64_t first = 0;
    for (int i = 0; i < 20000; ++i) {
        first = (first * 7919 + 104729) % (10LL * 365 * 86400);
        for (int64_t span : spans) {
            for (int sign = -1; sign <= 1; sign += 2) {
                const int64_t a = 1262304000 + first;  // seconds from 1970, 2010 onwards
                const int64_t b = a + sign * span;
                auto serial = [](int64_t seconds) {
                    const time_t t = static_cast<time_t>(seconds);
                    struct tm utc = {};
                    gmtime_r(&t, &utc);
                    return SerialFromParts(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                                           utc.tm_hour, utc.tm_min, utc.tm_sec);
                };
                const double sa = serial(a);
                const double sb = serial(b);
                ASSERT_EQ(UnitsBetween("s", sa, sb), b - a) << a << " " << b;
                ASSERT_EQ(UnitsBetween("n", sa, sb), (b - a) >= 0 ? (b - a) / 60 : -((a - b + 59) / 60))
                    << a << " " << b;
                // Counted on the instants themselves, in every unit, the same.
                for (const char* unit : {"h", "n", "s"})
                    ASSERT_EQ(UnitsBetweenInstants(unit, a, b), UnitsBetween(unit, sa, sb)) << unit << " " << a << " " << b;
            }
        }
    }
}

TEST(DateSerial, UnitsBetweenInstantsFloorsTheSignedDifference)
{
    const struct {
        const char* unit;
        int64_t seconds;  // from the first instant to the second
        int64_t units;
    } cases[] = {
        {"h", 3600, 1},   {"h", 7199, 1},   {"h", 3599, 0},    {"h", -1800, -1}, {"h", -3600, -1},
        {"h", -3660, -2}, {"h", 0, 0},      {"n", -1, -1},     {"n", 59, 0},     {"n", 86460, 1441},
        {"s", -45, -45},  {"s", 3600, 3600}, {"h", -86400 * 400LL, -24 * 400LL},
    };
    for (const int64_t first : {INT64_C(0), INT64_C(1269737999), INT64_C(32535215999)}) {
        for (const auto& c : cases) {
            EXPECT_EQ(UnitsBetweenInstants(c.unit, first, first + c.seconds), c.units)
                << c.unit << " " << c.seconds << " s from " << first;
        }
    }
}

TEST(DateSerial, ParseNumberReadsTheLeadingNumber)
{
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {" 12abc", 12},
        {"1.5", 1.5},
        {"2d1", 20},
        {"2D-1", 0.2},
        {"&H1F", 31},
        {"&h1fz", 31},
        {"&O17", 15},
        {"&B101", 5},
        {"&17", 15},
        {"&18", 1},
        {"&", 0},
        {"", 0},
        {"   ", 0},
        {"-3", -3},
        {"+4", 4},
        {"  -0.25e2x", -25},
        {"1,5", 1},
        {"1e", 1},
        {".5", 0.5},
        {"1.", 1},
        {"abc", 0},
        {"-", 0},
        {".", 0},
        {"inf", 0},
        {"nan", 0},
        {"\t5", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseNumber(c.text), c.value) << "'" << c.text << "'";
}

TEST(DateSerial, ParseNumberOutOfRangeOfADouble)
{
    EXPECT_EQ(ParseNumber("1e400"), HUGE_VAL);
    EXPECT_EQ(ParseNumber("-1d400"), -HUGE_VAL);
    EXPECT_EQ(ParseNumber("0.001e-400"), 0);
    EXPECT_EQ(ParseNumber("123456e-330"), 0);
}

// Out of range with an exponent of eight digits against a million leading
// zeros of the fraction, or a million integer digits: the sign of their sum
// tells infinity from zero.
TEST(DateSerial, ParseNumberOutOfRangeWithAMillionDigits)
{
    const Text zeros(1000001, '0');
    EXPECT_EQ(ParseNumber("0." + zeros + "1e10000000"), HUGE_VAL);
    EXPECT_EQ(ParseNumber("-0." + zeros + "1d10000000"), -HUGE_VAL);
    EXPECT_EQ(ParseNumber("1" + zeros + "e-10000000"), 0);
    EXPECT_EQ(ParseNumber("0." + zeros + "1e999600"), 0);
    EXPECT_EQ(ParseNumber("1e" + zeros + "400"), HUGE_VAL);
}

TEST(DateSerial, ParseNumberIgnoresTheDecimalSeparatorOfTheLocale)
{
    const char* names[] = {"fr_FR.UTF-8", "fr_FR.utf8", "fr_FR", "de_DE.UTF-8", "de_DE.utf8"};
    const char* found = nullptr;
    for (const char* name : names) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr && *std::localeconv()->decimal_point == ',') {
            found = name;
            break;
        }
    }
    if (found == nullptr) {
        std::setlocale(LC_NUMERIC, "C");
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    EXPECT_EQ(ParseNumber("1.5"), 1.5) << found;
    EXPECT_EQ(ParseNumber("1,5"), 1) << found;
    std::setlocale(LC_NUMERIC, "C");
}

TEST(DateSerial, RoundToInt32RoundsHalvesToEven)
{
    const struct {
        double value;
        int32_t rounded;
    } cases[] = {
        {1.5, 2},
        {2.5, 2},
        {-2.5, -2},
        {-1.5, -2},
        {0.49999999999999994, 0},
        {2.6, 3},
        {-2.6, -3},
        {1e10, INT32_MIN},
        {-1e10, INT32_MIN},
        {2147483647.0, INT32_MAX},
        {2147483647.5, INT32_MIN},
        {-2147483647.5, INT32_MIN},  // rounds to the even -2147483648, in range
        {std::numeric_limits<double>::quiet_NaN(), INT32_MIN},
        {HUGE_VAL, INT32_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundToInt32(c.value), c.rounded) << c.value;
}

TEST(DateSerial, IntegerTextHasNoPadding)
{
    EXPECT_EQ(IntegerText(-1), "-1");
    EXPECT_EQ(IntegerText(0), "0");
    EXPECT_EQ(IntegerText(24), "24");
    EXPECT_EQ(IntegerText(INT32_MIN), "-2147483648");
    EXPECT_EQ(IntegerText(INT32_MAX), "2147483647");
}

}  // namespace
