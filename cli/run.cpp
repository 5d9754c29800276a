// The scan and fix commands: open and check both folders, run the engine with
// the front end's observer, print the end.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>

#include <memory>

#include "cli/against.h"
#include "cli/jobs.h"
#include "cli/journaling.h"
#include "cli/observer.h"
#include "cli/options.h"
#include "cli/platform.h"
#include "cli/records.h"
#include "cli/signals.h"
#include "cli/summary.h"
#include "cli/terminal.h"
#include "cli/utf8.h"
#include "engine/journal_file.h"
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
         ReportFile* report, bool dryRunList, engine::JournalWriter* journal = nullptr,
         engine::RecordedOriginals* against = nullptr, bool listJson = false)
{
    engine::Progress progress;
    ProgressLine line(progress, ProgressShown(options),
                      options.dryRun || !job.change ? ProgressLine::Counting::Pairs
                                                    : ProgressLine::Counting::PairsTouched);
    Outputs outputs;
    outputs.json = options.json;
    outputs.quiet = options.quiet;
    outputs.dryRunList = dryRunList;
    outputs.contentLines = job.change;  // scan counts the copies whose content differs
    outputs.doneList = options.verbose && !options.dryRun;
    outputs.utc = options.utc;
    outputs.originalsRoot = options.originals;
    outputs.copiesRoot = options.copies;
    outputs.report = report;
    outputs.progress = &line;
    outputs.listJson = listJson;
    outputs.listTagged = (job.list & (job.list - 1)) != 0;  // more than one kind
    CliObserver cliObserver(outputs);
    std::unique_ptr<JournalObserver> journalObserver;
    engine::Observer* observer = &cliObserver;
    if (journal) {
        journalObserver = std::make_unique<JournalObserver>(cliObserver, *journal);
        observer = journalObserver.get();
    }
    const auto start = std::chrono::steady_clock::now();
    Run run;
    run.totals = against ? engine::RepairAgainst(*against, *roots.copies, job, *observer, &progress)
                         : engine::Repair(*roots.originals, *roots.copies, job, *observer, &progress);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cliObserver.Finish();
    line.Stop();
    return run;
}

// The walking threads the open-file limit allows: each holds a few folders
// and a copy open at once, beyond what the process sets aside. Fewer than
// asked for are said, unless the number was the program's own choice.
int Jobs(const Options& options, const engine::Roots& roots)
{
    constexpr long kSetAside = 16, kEachThread = 8;
    const long limit = OpenFileLimit();
    const int most = static_cast<int>(std::clamp((limit - kSetAside) / kEachThread, 1L, 1024L));
    const int jobs = JobsFor(options, roots.originals.get(), roots.copies.get());
    if (jobs <= most)
        return jobs;
    if (options.jobsGiven && !options.quiet)
        Write(stderr, fmt::format("kelvora-cli: --jobs {} lowered to {}: the process may have only {} files open "
                                  "at once (ulimit -n)\n",
                                  options.jobs, most, limit));
    return most;
}

engine::Job BaseJob(const Options& options, const engine::Roots& roots)
{
    engine::Job job;
    job.jobs = Jobs(options, roots);
    job.stop = &g_stopRequested;
    job.filter = &options.filter;
    // Open folders within what the process may hold. Set aside: the standard
    // streams, the journal and the report, the libraries' own, and on each
    // walking thread the folders in hand and the copy being changed. Of the
    // rest, a third for the walk, two thirds for the folders of changes
    // waiting for their batch.
    const long usable = std::max(0L, OpenFileLimit() - 16 - 4L * job.jobs);
    job.maxKeptHandles = static_cast<int>(std::min(usable / 3, 512L));
    job.maxHeldFolders = static_cast<int>(std::clamp(usable * 2 / 3, 1L, 1024L));
    // For the tests of runs killed part way: smaller batches of changes.
    if (const char* batch = std::getenv("KELVORA_TEST_BATCH"))
        job.batch = std::max(1L, std::strtol(batch, nullptr, 10));
    return job;
}

// The two roots, or with --against the manifest, read whole and checked
// before anything else, and the copies.
bool Open(const Options& options, engine::Roots& roots, Manifest& against, std::string& error)
{
    if (options.against.empty())
        return engine::OpenRoots(options.originals, options.copies, roots, error);
    if (!against.Load(options.against, options.verify, error))
        return false;
    fsys::Failure failure;
    roots.copies = fsys::OpenRoot(options.copies, failure);
    if (!roots.copies)
        error = "\"" + options.copies + "\": " + failure.reason;
    return roots.copies != nullptr;
}

}  // namespace

int RunScan(const Options& options)
{
    engine::Roots roots;
    Manifest against;
    std::string error;
    if (!options.rule.shifts.empty() && !engine::CheckRule(options.rule, error)) {
        Error(error);
        return kExitUsage;
    }
    if (!Open(options, roots, against, error)) {
        Error(error);
        return kExitUsage;
    }
    engine::Job job = BaseJob(options, roots);
    job.countUnpaired = true;
    job.verify = options.verify;
    job.rule = options.rule;  // with --shift, the matches are counted too
    job.list = options.list;
    Options quietEvents = options;
    quietEvents.json = false;  // scan prints counts, not one line per file
    const Run run = Walk(quietEvents, roots, job, nullptr, false, nullptr,
                         options.against.empty() ? nullptr : against.originals(), options.json);
    if (!against.Problem().empty()) {
        Error(against.Problem());
        return kExitFailures;
    }
    // With --list the text output is the list alone, for the next program of a pipe.
    if (options.json)
        PrintScanJson(options, run.totals, run.seconds);
    else if (!options.quiet && !options.list)
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
    if (options.rule.any && !options.verify) {
        Error("--shift any needs --verify: without a shift in common, only equal contents show that a copy "
              "is its original's; nothing was changed");
        return kExitUsage;
    }
    engine::Roots roots;
    Manifest against;
    if (!Open(options, roots, against, error)) {
        Error(error);
        return kExitUsage;
    }
    ReportFile report;
    ReportRules rules;
    rules.replace = options.force;
    rules.trees[0] = roots.originals.get();
    rules.trees[1] = roots.copies.get();
    rules.journal = options.journal;
    if (!options.report.empty() && !report.Open(options.report, error, rules)) {
        Error(error);
        return kExitUsage;
    }
    // The journal is made, and on the disk, before anything is changed.
    engine::JournalWriter journal;
    const bool journalled = !options.dryRun && !options.noJournal;
    if (journalled) {
        engine::JournalHeader header;
        // Against a manifest, the journal names the manifest's file in the
        // originals' place ("-" in the working folder for standard input).
        std::string originals;
        const bool named =
            options.against.empty()
                ? OpenedPath(*roots.originals, options.originals, originals, error)
                : engine::AbsolutePath(options.against == "-" ? std::string(".") : options.against, originals, error);
        if (named && options.against == "-")
            originals += std::string(1, PathSeparator()) + "-";
        if (!named || !MakeHeader(options, "fix", originals, *roots.copies, options.copies, header, error) ||
            !OpenRunJournal(options.journal, header, journal, error)) {
            Error(error + "; nothing was changed (--no-journal runs without a journal, and such a run "
                          "cannot be undone)");
            report.Discard();
            return kExitUsage;
        }
    }
    engine::Job job = BaseJob(options, roots);
    job.rule = options.rule;
    job.change = true;
    job.dryRun = options.dryRun;
    job.hardLinks = options.hardLinks;
    job.verify = options.verify;
    job.folders = options.folders;
    const Run run = Walk(options, roots, job, options.report.empty() ? nullptr : &report,
                         options.dryRun, journalled ? &journal : nullptr,
                         options.against.empty() ? nullptr : against.originals());
    nlohmann::ordered_json summaryJson = SummaryJson("fix", options.dryRun, run.totals, run.seconds);
    int status = Status(run.totals);
    if (!against.Problem().empty()) {
        Error(against.Problem());
        status = kExitFailures;
    }
    // A run that changed nothing keeps no journal: there is nothing to take back.
    const bool kept = journalled && journal.made() > 0;
    // The journal named so that the undo command runs from any folder.
    std::string journalPath;
    if (kept && !engine::AbsolutePath(journal.path(), journalPath, error))
        journalPath = journal.path();
    if (journalled && !kept) {
        summaryJson["journal"] = nullptr;
        if (!journal.Discard(error)) {
            Error(error);
            if (status == kExitDone)
                status = kExitFailures;
        }
    } else if (journalled) {
        summaryJson["journal"] = ShownPath(journalPath, false);
        if (!journal.End(summaryJson, engine::Now(), error)) {
            Error(error);
            if (status == kExitDone)
                status = kExitFailures;
        }
    } else if (!options.dryRun) {
        summaryJson["journal"] = nullptr;
    }
    const std::string summary = summaryJson.dump();
    if (options.json) {
        Write(stdout, summary + "\n");
    } else if (!options.quiet) {
        PrintFixText(options, run.totals, run.seconds);
        if (kept)
            Print("Journal: {}\n  to take this run back: kelvora-cli undo {}\n", ShownPath(journalPath, true),
                  ShellQuoted(journalPath));
        else if (journalled)
            Print("No copy was changed: no journal was kept.\n");
        else if (!options.dryRun)
            Print("No journal was kept: this run cannot be undone.\n");
    }
    std::fflush(stdout);
    if (!report.Close(summary, error)) {
        Error(error);
        if (status == kExitDone)
            status = kExitFailures;
    }
    return status;
}

}  // namespace cli
