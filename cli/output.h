// The standard output's failures: a write that failed (a full disk) is
// noted and, as coreutils does, the output is flushed and closed at the end
// and checked, so that a run whose output was lost does not end in success.
// A reader that went away (a closed pipe) stops the run as Ctrl+C does.
#pragma once

#include <cstdio>

namespace cli {

// Called by the writers with the stream and the error of a write that
// failed. A closed pipe on stdout asks the run to stop.
void NoteWriteFailure(std::FILE* stream, int code);

// True once stdout's reader went away.
bool OutputClosed();

// Flushes and closes stdout at the end of a command that ended with
// `status`; returns the status to exit with: kExitOutputClosed when the
// reader went away, kExitFailures (with a message on stderr) when a write
// failed and the command had succeeded, else `status`.
int FinishOutput(int status);

}  // namespace cli
