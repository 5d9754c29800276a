// What the command line asked for, as plain values.
#pragma once

#include <string>
#include <vector>

#include "engine/rule.h"

namespace cli {

enum class ProgressMode { Auto, Always, Never };

struct Options {
    std::string originals;
    std::string copies;
    bool json = false;
    bool quiet = false;
    int jobs = 1;
    ProgressMode progress = ProgressMode::Auto;
    // scan
    int top = 10;
    // fix
    engine::Rule rule;
    bool dryRun = false;
    std::string report;    // empty: none
    std::string journal;   // empty: the default place
    bool noJournal = false;
};

// Exit statuses.
constexpr int kExitDone = 0;
constexpr int kExitFailures = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

int RunScan(const Options& options);
int RunFix(const Options& options);

}  // namespace cli
