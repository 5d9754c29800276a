#include "cli/signals.h"

#include <csignal>

namespace cli {

std::atomic<bool> g_stopRequested{false};

namespace {

void OnStopSignal(int)
{
    g_stopRequested.store(true);
}

}  // namespace

void InstallStopHandlers()
{
    static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;  // the flag is polled; calls in progress go on
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace cli
