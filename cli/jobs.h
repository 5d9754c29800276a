// The walking threads a run takes when --jobs is not given.
#pragma once

#include "cli/options.h"
#include "fsys/fsys.h"

namespace cli {

// Threads that keep enough round trips in flight on a network or FUSE file
// system.
constexpr int kRemoteJobs = 16;

// `options.jobs`, raised to kRemoteJobs when --jobs was not given and either
// folder (null: none) lives on a network or FUSE file system, where each call
// waits for a round trip and more threads overlap them.
int JobsFor(const Options& options, const fsys::Folder* a, const fsys::Folder* b);

}  // namespace cli
