// What the command line asked for, as plain values.
#pragma once

#include <string>
#include <vector>

#include "engine/path_filter.h"
#include "engine/rule.h"

namespace cli {

enum class ProgressMode { Auto, Always, Never };

struct Options {
    std::string originals;
    std::string copies;
    bool json = false;
    bool quiet = false;
    bool verbose = false;  // fix, undo: a line for every copy changed
    bool utc = false;      // times shown in UTC rather than local time
    int jobs = 1;
    bool jobsGiven = false;  // --jobs on the command line
    ProgressMode progress = ProgressMode::Auto;
    // scan, fix, manifest: --include and --exclude, in their order
    engine::PathFilter filter;
    // scan
    int top = 10;
    unsigned list = 0;     // the engine::Listed kinds whose paths are printed
    // fix
    engine::Rule rule;
    bool dryRun = false;
    std::string report;    // empty: none
    bool force = false;    // the report may replace a file
    bool hardLinks = false;  // change copies with other names too
    bool folders = false;    // change the folders' times too
    std::string journal;   // empty: the default place
    bool noJournal = false;
    // scan, fix: a manifest plays the originals ("-": standard input)
    std::string against;
    // scan, fix: contents compared (against a manifest, SHA-256 digests)
    bool verify = false;
    // manifest
    std::string output;    // empty: stdout
    bool digest = false;   // with each file's SHA-256
    // undo
    bool last = false;     // the newest fix run not yet undone, in the default place
    // journals
    bool prune = false;
    std::string olderThan;  // empty: journals of runs not undone are kept whatever their age
    int keep = 20;          // the newest journals never pruned
    std::string undoJournal;  // where the undo's own journal goes; empty: the default place
    // the journal's header
    std::string version;   // "kelvora-cli 1.0.0"
    std::vector<std::string> arguments;
};

// Exit statuses.
constexpr int kExitDone = 0;
constexpr int kExitFailures = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;  // 143 when the stop came from SIGTERM (see StopStatus)
constexpr int kExitOutputClosed = 141;  // stdout's reader went away: stopped as on Ctrl+C

int RunScan(const Options& options);
int RunFix(const Options& options);
int RunUndo(const Options& options);   // `journal` names the journal unless `last`
int RunJournals(const Options& options);
int RunManifest(const Options& options);  // of `originals`

}  // namespace cli
