// Ctrl+C and SIGTERM ask the run to stop after the file in hand; the signal
// that did is kept for the exit status.
#pragma once

#include <atomic>

namespace cli {

extern std::atomic<bool> g_stopRequested;
// Set when the terminal changed size (SIGWINCH; never on Windows, whose
// console width is asked at every draw).
extern std::atomic<bool> g_resized;

void InstallStopHandlers();

// The status to exit with: for a run stopped by a signal (kExitInterrupted),
// 128 plus the signal's number, as shells report it (130 for SIGINT, 143
// for SIGTERM); any other status as it is.
int StopStatus(int status);

}  // namespace cli
