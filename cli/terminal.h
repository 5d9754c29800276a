// Standard error shared by messages and the progress line: one lock, and a
// progress line that is wiped before any message and drawn again after. The
// line never wraps: it is cut to the terminal's width, asked at every draw,
// and drawn again at once when the terminal changes size.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "engine/repair.h"

namespace cli {

class ProgressLine {
public:
    // What the line counts: pairs (with matches, and copies touched when
    // `Touched`), or the files of a manifest.
    enum class Counting { Pairs, PairsTouched, Files };

    // Draws the counters of `progress` on stderr every few tenths of a second
    // from its own thread while `shown`; otherwise does nothing.
    ProgressLine(const engine::Progress& progress, bool shown, Counting counting = Counting::Pairs);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Writes one line of message on stderr, the progress line kept below it.
    void Message(const std::string& line);
    // Wipes the line and stops drawing it.
    void Stop();

private:
    void Draw();
    void Loop();

    const engine::Progress& progress_;
    const bool shown_;
    const Counting counting_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::thread thread_;
};

// The text of a progress line at `seconds` into the run, cut to `width`
// columns (0: not cut): whole fields while they fit, and never the last
// column, where the terminal would wrap.
std::string ProgressText(const engine::Progress& progress, ProgressLine::Counting counting, double seconds,
                         int width);

}  // namespace cli
