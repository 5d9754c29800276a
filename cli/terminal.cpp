#include "cli/terminal.h"

#include <cstdio>

#include "cli/platform.h"

namespace cli {

ProgressLine::ProgressLine(const engine::Progress& progress, bool shown)
    : progress_(progress), shown_(shown), start_(std::chrono::steady_clock::now())
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
    const auto walked = progress_.walked.load(std::memory_order_relaxed);
    const auto matched = progress_.matched.load(std::memory_order_relaxed);
    Write(stderr, fmt::format("\r\033[K{} files walked, {} matches, {:.0f} files/s", walked, matched,
                              seconds > 0 ? walked / seconds : 0.0));
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressLine::Loop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    Draw();
    while (!wake_.wait_for(lock, std::chrono::milliseconds(250), [this] { return stopping_; }))
        Draw();
}

}  // namespace cli
