// Ctrl+C and SIGTERM ask the run to stop after the file in hand.
#pragma once

#include <atomic>

namespace cli {

extern std::atomic<bool> g_stopRequested;

void InstallStopHandlers();

}  // namespace cli
