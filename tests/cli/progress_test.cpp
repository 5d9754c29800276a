// The progress line on a real terminal (a pseudo-terminal of the test's
// own): it never wraps, whatever the width, and is drawn again at the new
// width when the terminal is resized. Its text itself is checked in-process.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "cli/terminal.h"
#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

// The texts drawn on the progress line: what follows each "\r\033[K".
std::vector<std::string> Frames(const std::string& output)
{
    std::vector<std::string> frames;
    const std::string mark = "\r\033[K";
    for (size_t at = output.find(mark); at != std::string::npos;) {
        const size_t from = at + mark.size();
        at = output.find(mark, from);
        std::string frame = output.substr(from, at == std::string::npos ? std::string::npos : at - from);
        if (!frame.empty())
            frames.push_back(frame);
    }
    return frames;
}

// Reads what the terminal shows for up to `ms` milliseconds, or until the
// program closes it.
bool ReadFor(int master, std::string& output, int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        struct pollfd poll_fd = {master, POLLIN, 0};
        if (poll(&poll_fd, 1, 20) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        output.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

void Resize(int master, int columns)
{
    struct winsize size = {};
    size.ws_row = 24;
    size.ws_col = static_cast<unsigned short>(columns);
    ASSERT_EQ(ioctl(master, TIOCSWINSZ, &size), 0);
}

}  // namespace

TEST(Progress, TheLineFitsTheTerminalAndFollowsItsWidth)
{
    harness::Scratch scratch;
    std::vector<harness::Pair> pairs;
    for (int i = 0; i < 3000; ++i)
        pairs.push_back({"d" + std::to_string(i % 30) + "/f" + std::to_string(i), 2, kT, kHour});
    harness::WritePairs(scratch / "o", scratch / "c", pairs);
    // The report goes into a pipe that the test leaves unread for a while:
    // the run waits there, its progress line still drawn.
    const std::string fifo = scratch / "report.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    struct winsize size = {};
    size.ws_row = 24;
    size.ws_col = 200;
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        const std::string o = scratch / "o", c = scratch / "c";
        execl(KELVORA_CLI, KELVORA_CLI, "fix", o.c_str(), c.c_str(), "--shift", "1h", "--no-journal", "--jobs", "1",
              "--report", fifo.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const int report = open(fifo.c_str(), O_RDONLY);
    ASSERT_GE(report, 0);
    std::string wide, narrow, rest;
    ReadFor(master, wide, 1200);
    Resize(master, 40);
    ReadFor(master, narrow, 1200);
    // Let the run go on to its end.
    char buffer[65536];
    while (read(report, buffer, sizeof buffer) > 0) {
    }
    close(report);
    while (ReadFor(master, rest, 200)) {
    }
    close(master);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    const std::vector<std::string> wideFrames = Frames(wide), narrowFrames = Frames(narrow + rest);
    ASSERT_GE(wideFrames.size(), 2u) << wide;
    ASSERT_GE(narrowFrames.size(), 2u) << narrow;
    for (const std::string& frame : wideFrames) {
        EXPECT_LT(frame.size(), 200u) << frame;
        EXPECT_NE(frame.find(" pairs/s"), std::string::npos) << frame;
        EXPECT_NE(frame.find(" touched, "), std::string::npos) << frame;
    }
    // A frame drawn at 40 columns holds 39 at most, so that the terminal
    // never wraps it, and no line of the run grows longer.
    for (const std::string& frame : narrowFrames)
        EXPECT_LT(frame.size(), 40u) << frame;
    EXPECT_EQ(narrowFrames.back().find('\n'), std::string::npos);
    for (const auto& pair : pairs)
        ASSERT_EQ(harness::ModifiedNanos(scratch / "c/" + pair.relative), kT) << pair.relative;
}

TEST(Progress, TextCountsPairsWithSeparatorsAndDropsWholeFieldsToFit)
{
    engine::Progress progress;
    progress.walked = 9999999;
    progress.pairs = 1234567;
    progress.matched = 1000;
    progress.touched = 999;
    using Counting = cli::ProgressLine::Counting;
    EXPECT_EQ(cli::ProgressText(progress, Counting::PairsTouched, 3723.5, 200),
              "1,234,567 pairs, 1,000 matches, 999 touched, 1:02:03, 331 pairs/s");
    EXPECT_EQ(cli::ProgressText(progress, Counting::Pairs, 61, 0), "1,234,567 pairs, 1,000 matches, 1:01, 20,238 pairs/s");
    // Whole fields while they fit in one column less than the width.
    EXPECT_EQ(cli::ProgressText(progress, Counting::PairsTouched, 3723.5, 44),
              "1,234,567 pairs, 1,000 matches, 999 touched");
    EXPECT_EQ(cli::ProgressText(progress, Counting::PairsTouched, 3723.5, 43), "1,234,567 pairs, 1,000 matches");
    EXPECT_EQ(cli::ProgressText(progress, Counting::PairsTouched, 3723.5, 10), "1,234,567");
    progress.pairs = 1;
    progress.matched = 1;
    EXPECT_EQ(cli::ProgressText(progress, Counting::Pairs, 0, 80), "1 pair, 1 match, 0:00, 0 pairs/s");
    EXPECT_EQ(cli::ProgressText(progress, Counting::Files, 2, 80), "9,999,999 files, 0:02, 4,999,999 files/s");
}
