// Ctrl+C (and Ctrl+Break) on Windows: the file in hand is finished, the
// summary printed, the exit status 130 as for SIGINT elsewhere.
#include <windows.h>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

}  // namespace

TEST(WindowsInterrupt, CtrlBreakFinishesTheFileInHandAndPrintsTheSummary)
{
    // The event goes to the program's own process group on this console
    // (one of its own when the tests were started without one).
    AllocConsole();
    harness::Scratch scratch;
    harness::RunOptions probe;
    bool sent = false;
    probe.whileRunning = [&](pid_t pid) { sent = GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, DWORD(pid)); };
    harness::Run({"--version"}, probe);
    if (!sent)
        GTEST_SKIP() << "the system sends no console event here (Wine): error " << GetLastError();

    std::vector<harness::Pair> pairs;
    for (int i = 0; i < 3000; ++i)
        pairs.push_back({"d" + std::to_string(i % 30) + "/f" + std::to_string(i), 2, kT, kHour});
    harness::WritePairs(scratch / "o", scratch / "c", pairs);
    harness::RunOptions options;
    options.whileRunning = [&](pid_t pid) {
        Sleep(300);
        sent = GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, DWORD(pid));
    };
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json", "--jobs", "2"},
                                  options);
    ASSERT_TRUE(sent) << GetLastError();
    const auto out = harness::Lines(fix.out);
    ASSERT_FALSE(out.empty()) << fix.err;
    const std::string& summary = out.back();
    if (fix.status == 0 && summary.find("\"touched\":3000,") != std::string::npos)
        GTEST_SKIP() << "the run ended before the event came";
    EXPECT_EQ(fix.status, 130) << fix.err;
    EXPECT_NE(summary.find("\"interrupted\":true"), std::string::npos) << summary;
    const size_t at = summary.find("\"touched\":");
    ASSERT_NE(at, std::string::npos);
    const long touched = std::stol(summary.substr(at + 10));
    long repaired = 0;
    for (const auto& pair : pairs) {
        const int64_t now = harness::ModifiedNanos(scratch / "c/" + pair.relative);
        EXPECT_TRUE(now == kT || now == kT + kHour) << pair.relative;
        repaired += now == kT;
    }
    EXPECT_EQ(repaired, touched);
}
