#include "cli/output.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "cli/options.h"
#include "cli/platform.h"
#include "cli/signals.h"

namespace cli {

namespace {

std::atomic<int> g_writeError{0};  // the first error of a write to stdout
std::atomic<bool> g_closed{false};

}  // namespace

void NoteWriteFailure(std::FILE* stream, int code)
{
    if (stream != stdout)
        return;  // messages that cannot be shown are no reason to stop
    int none = 0;
    g_writeError.compare_exchange_strong(none, code ? code : EIO);
    if (code == EPIPE) {
        g_closed.store(true);
        g_stopRequested.store(true);
    }
}

bool OutputClosed()
{
    return g_closed.load();
}

int FinishOutput(int status)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        NoteWriteFailure(stdout, errno);
    if (std::fclose(stdout) != 0)
        NoteWriteFailure(stdout, errno);
    const int code = g_writeError.load();
    if (code == 0)
        return status;
    if (code == EPIPE) {
        Write(stderr, "kelvora-cli: the output was closed (" + std::string(std::strerror(code)) +
                          "); the run stopped as if interrupted\n");
        return status == kExitUsage ? status : kExitOutputClosed;
    }
    Write(stderr, "kelvora-cli: write error: " + std::string(std::strerror(code)) + "\n");
    return status == kExitDone ? kExitFailures : status;
}

}  // namespace cli
