#include "cli/terminal.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "cli/observer.h"
#include "cli/platform.h"
#include "cli/signals.h"

namespace cli {

namespace {

constexpr auto kDrawEvery = std::chrono::milliseconds(250);
constexpr auto kResizeLook = std::chrono::milliseconds(50);

// "0:07", "12:34", "1:02:03".
std::string Elapsed(double seconds)
{
    const long whole = static_cast<long>(seconds);
    if (whole >= 3600)
        return fmt::format("{}:{:02}:{:02}", whole / 3600, whole / 60 % 60, whole % 60);
    return fmt::format("{}:{:02}", whole / 60, whole % 60);
}

// The width to draw in: the terminal's, else $COLUMNS, else 80.
int Width()
{
    int width = TerminalWidth(stderr);
    if (width <= 0) {
        const char* columns = std::getenv("COLUMNS");
        width = columns ? std::atoi(columns) : 0;
    }
    return width > 0 ? width : 80;
}

}  // namespace

std::string ProgressText(const engine::Progress& progress, ProgressLine::Counting counting, double seconds,
                         int width)
{
    const bool files = counting == ProgressLine::Counting::Files;
    const uint64_t counted = files ? progress.walked.load(std::memory_order_relaxed)
                                   : progress.pairs.load(std::memory_order_relaxed);
    const char* unit = files ? "files" : "pairs";
    const auto count = [](uint64_t n, const char* one, const char* many) {
        return Grouped(n) + " " + (n == 1 ? one : many);
    };
    std::vector<std::string> fields = {files ? count(counted, "file", "files") : count(counted, "pair", "pairs")};
    if (!files)
        fields.push_back(count(progress.matched.load(std::memory_order_relaxed), "match", "matches"));
    if (counting == ProgressLine::Counting::PairsTouched)
        fields.push_back(Grouped(progress.touched.load(std::memory_order_relaxed)) + " touched");
    fields.push_back(Elapsed(seconds));
    fields.push_back(Grouped(static_cast<uint64_t>(seconds > 0 ? counted / seconds : 0)) + " " + unit + "/s");
    std::string text = fields.front();
    const size_t room = width > 0 ? static_cast<size_t>(width - 1) : std::string::npos;
    for (size_t k = 1; k < fields.size() && text.size() + 2 + fields[k].size() <= room; ++k)
        text += ", " + fields[k];
    if (text.size() > room)
        text.resize(room);
    return text;
}

ProgressLine::ProgressLine(const engine::Progress& progress, bool shown, Counting counting)
    : progress_(progress), shown_(shown), counting_(counting), start_(std::chrono::steady_clock::now())
{
    if (shown_)
        thread_ = std::thread([this] { Loop(); });
}

ProgressLine::~ProgressLine()
{
    Stop();
}

void ProgressLine::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_)
            return;
        stopping_ = true;
        if (drawn_)
            Write(stderr, "\r\033[K");
        drawn_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void ProgressLine::Message(const std::string& line)
{
    std::lock_guard<std::mutex> lock(mutex_);
    Write(stderr, (drawn_ ? "\r\033[K" : "") + line + "\n");
    if (drawn_)
        Draw();
}

// Called with the lock held.
void ProgressLine::Draw()
{
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    Write(stderr, "\r\033[K" + ProgressText(progress_, counting_, seconds, Width()));
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressLine::Loop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    Draw();
    auto next = std::chrono::steady_clock::now() + kDrawEvery;
    while (!wake_.wait_for(lock, kResizeLook, [this] { return stopping_; })) {
        const bool resized = g_resized.exchange(false);
        if (!resized && std::chrono::steady_clock::now() < next)
            continue;
        Draw();
        next = std::chrono::steady_clock::now() + kDrawEvery;
    }
}

}  // namespace cli
