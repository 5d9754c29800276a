// Local times on Windows come from the system's zone, even when a POSIX
// parent (a shell under Wine, an msys2 shell) hands down a TZ such as
// Europe/Paris that the C runtime cannot read.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kWinter = 1262347200;  // 2010-01-01T12:00:00Z
const int64_t kSummer = 1277985600;  // 2010-07-01T12:00:00Z

// The instant in the system's zone, as the program shows it; this process
// has no TZ of its own (see win_test_main.cpp).
std::string SystemLocal(int64_t seconds)
{
    __time64_t time = seconds;
    struct tm local;
    EXPECT_EQ(_localtime64_s(&local, &time), 0);
    struct tm copy = local;
    const int64_t offset = static_cast<int64_t>(_mkgmtime64(&copy)) - seconds;
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    const int64_t minutes = (offset < 0 ? -offset : offset) / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', static_cast<int>(minutes / 60),
                  static_cast<int>(minutes % 60));
    return text + std::string(zone);
}

}  // namespace

TEST(WindowsLocalTime, TheSystemZoneWhateverTzAPosixParentHandsDown)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c",
                        {{"summer", 3, kSummer * kS, kHour}, {"winter", 4, kWinter * kS, kHour}});
    _putenv("TZ=Europe/Paris");
    const auto dry = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "-n"});
    _putenv("TZ=");
    _tzset();
    EXPECT_EQ(dry.status, 0) << dry.err;
    for (const int64_t at : {kSummer, kWinter}) {
        const std::string line = SystemLocal(at + 3600) + " -> " + SystemLocal(at) + "  (+1h)";
        EXPECT_NE(dry.out.find(line), std::string::npos) << line << "\n" << dry.out;
    }
}
