// The scan and fix commands: open and check both folders, run the engine with
// the front end's observer, print the end.
#include <chrono>
#include <cstdio>

#include "cli/observer.h"
#include "cli/options.h"
#include "cli/platform.h"
#include "cli/records.h"
#include "cli/signals.h"
#include "cli/summary.h"
#include "cli/terminal.h"
#include "engine/repair.h"
#include "engine/roots.h"

namespace cli {

namespace {

bool ProgressShown(const Options& options)
{
    if (options.quiet || options.progress == ProgressMode::Never)
        return false;
    return options.progress == ProgressMode::Always || IsTerminal(stderr);
}

void Error(const std::string& message)
{
    Write(stderr, "kelvora-cli: " + message + "\n");
}

int Status(const engine::Totals& totals)
{
    if (totals.interrupted)
        return kExitInterrupted;
    if (totals.failed || totals.unreadable || totals.notKept || totals.changed)
        return kExitFailures;
    return kExitDone;
}

struct Run {
    engine::Totals totals;
    double seconds = 0;
};

Run Walk(const Options& options, const engine::Roots& roots, const engine::Job& job,
         ReportFile* report, bool dryRunList)
{
    engine::Progress progress;
    ProgressLine line(progress, ProgressShown(options));
    Outputs outputs;
    outputs.json = options.json;
    outputs.quiet = options.quiet;
    outputs.dryRunList = dryRunList;
    outputs.originalsRoot = options.originals;
    outputs.copiesRoot = options.copies;
    outputs.report = report;
    outputs.progress = &line;
    CliObserver observer(outputs);
    const auto start = std::chrono::steady_clock::now();
    Run run;
    run.totals = engine::Repair(*roots.originals, *roots.copies, job, observer, &progress);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    line.Stop();
    return run;
}

engine::Job BaseJob(const Options& options)
{
    engine::Job job;
    job.jobs = options.jobs;
    job.stop = &g_stopRequested;
    job.maxKeptHandles = 512;
    return job;
}

}  // namespace

int RunScan(const Options& options)
{
    engine::Roots roots;
    std::string error;
    if (!engine::OpenRoots(options.originals, options.copies, roots, error)) {
        Error(error);
        return kExitUsage;
    }
    engine::Job job = BaseJob(options);
    job.countUnpaired = true;
    Options quietEvents = options;
    quietEvents.json = false;  // scan prints counts, not one line per file
    const Run run = Walk(quietEvents, roots, job, nullptr, false);
    if (options.json)
        PrintScanJson(options, run.totals, run.seconds);
    else if (!options.quiet)
        PrintScanText(options, run.totals, run.seconds);
    std::fflush(stdout);
    return Status(run.totals);
}

int RunFix(const Options& options)
{
    std::string error;
    if (!engine::CheckRule(options.rule, error)) {
        Error(error);
        return kExitUsage;
    }
    engine::Roots roots;
    if (!engine::OpenRoots(options.originals, options.copies, roots, error)) {
        Error(error);
        return kExitUsage;
    }
    ReportFile report;
    if (!options.report.empty() && !report.Open(options.report, error)) {
        Error(error);
        return kExitUsage;
    }
    engine::Job job = BaseJob(options);
    job.rule = options.rule;
    job.change = true;
    job.dryRun = options.dryRun;
    const Run run = Walk(options, roots, job, options.report.empty() ? nullptr : &report,
                         options.dryRun);
    const std::string summary = SummaryJson("fix", options.dryRun, run.totals, run.seconds).dump();
    if (options.json)
        Write(stdout, summary + "\n");
    else if (!options.quiet)
        PrintFixText(options, run.totals, run.seconds);
    std::fflush(stdout);
    int status = Status(run.totals);
    if (!report.Close(summary, error)) {
        Error(error);
        if (status == kExitDone)
            status = kExitFailures;
    }
    return status;
}

}  // namespace cli
