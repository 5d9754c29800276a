// The text of instants against the C library's own calendar.
#include <gtest/gtest.h>

#include <time.h>

#include <cstdio>
#include <random>
#include <string>

#include "engine/instant.h"

namespace {

// The calendar fields of gmtime_r, written out.
std::string Reference(const fsys::Instant& instant)
{
    const time_t seconds = static_cast<time_t>(instant.seconds);
    struct tm f;
    if (!gmtime_r(&seconds, &f))
        return "gmtime failed";
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%09dZ", f.tm_year + 1900, f.tm_mon + 1,
                  f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec, static_cast<int>(instant.nanos));
    return text;
}

}  // namespace

TEST(InstantText, AgreesWithTheCalendarOfTheCLibrary)
{
    std::mt19937_64 random(20261209);
    // From year 1 to 9999, and the instants at the edges of days and years.
    std::uniform_int_distribution<int64_t> seconds(-62135596800, 253402300799);
    std::uniform_int_distribution<int32_t> nanos(0, 999999999);
    for (int k = 0; k < 20000; ++k) {
        const fsys::Instant instant{seconds(random), nanos(random)};
        ASSERT_EQ(engine::IsoUtc(instant), Reference(instant)) << instant.seconds;
    }
    for (const fsys::Instant instant : {fsys::Instant{0, 0}, fsys::Instant{-1, 999999999},
                                        fsys::Instant{951782400, 1}, fsys::Instant{4107542399, 999999999},
                                        fsys::Instant{253402300799, 999999999}})
        EXPECT_EQ(engine::IsoUtc(instant), Reference(instant)) << instant.seconds;
}

TEST(InstantText, YearsOfOtherLengthsKeepTheirDigitsAndSign)
{
    EXPECT_EQ(engine::IsoUtc({-62167219200, 5}), "0000-01-01T00:00:00.000000005Z");
    EXPECT_EQ(engine::IsoUtc({253402300800, 0}), "10000-01-01T00:00:00.000000000Z");
    EXPECT_EQ(engine::IsoUtc({-62167219201, 0}), "-001-12-31T23:59:59.000000000Z");
}
