#include "cli/signals.h"

#include <csignal>

#include "cli/options.h"

namespace cli {

std::atomic<bool> g_stopRequested{false};
std::atomic<bool> g_resized{false};

namespace {

std::atomic<int> g_stopSignal{0};

void OnStopSignal(int number)
{
    int none = 0;
    g_stopSignal.compare_exchange_strong(none, number);
    g_stopRequested.store(true);
}

void OnResize(int)
{
    g_resized.store(true);
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
    action.sa_handler = OnResize;
    sigaction(SIGWINCH, &action, nullptr);
}

int StopStatus(int status)
{
    static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");
    const int number = g_stopSignal.load();
    return status == kExitInterrupted && number ? 128 + number : status;
}

}  // namespace cli
