// The undo and journals commands: find and read a journal, set the copies it
// changed back to their times before, list the journals of the default place.
#include <cstdio>

#include <fmt/core.h>
#include <nlohmann/json.hpp>

#include "cli/journaling.h"
#include "cli/observer.h"
#include "cli/options.h"
#include "cli/signals.h"
#include "cli/summary.h"
#include "cli/utf8.h"
#include "engine/instant.h"
#include "engine/journal_file.h"
#include "engine/journal_reader.h"
#include "engine/undo.h"

namespace cli {

namespace {

void Error(const std::string& message)
{
    std::fprintf(stderr, "kelvora-cli: %s\n", message.c_str());
}

// A journal of the default folder, as far as it could be read.
struct Listed {
    std::string path;
    bool readable = false;
    std::string error;
    engine::Journal journal;
};

bool ReadJournal(const std::string& path, engine::Journal& journal, std::string& error)
{
    std::string bytes;
    if (!engine::ReadWholeFile(path, bytes, error))
        return false;
    if (!engine::ParseJournal(bytes, journal, error)) {
        error = "\"" + ShownPath(path, true) + "\" cannot be trusted: " + error + "; nothing was touched";
        return false;
    }
    return true;
}

bool ListJournals(std::vector<Listed>& listed, std::string& folder, std::string& error)
{
    std::vector<std::string> names;
    if (!engine::DefaultJournalFolder(folder, error) || !engine::JournalNames(folder, names, error))
        return false;
    for (const std::string& name : names) {
        Listed item;
        item.path = engine::InFolder(folder, name);
        item.readable = ReadJournal(item.path, item.journal, item.error);
        listed.push_back(std::move(item));
    }
    return true;
}

// The undo journals among `listed` that took back `path` and changed something.
std::vector<const Listed*> UndoneBy(const std::vector<Listed>& listed, const std::string& path)
{
    std::vector<const Listed*> undos;
    for (const Listed& item : listed) {
        if (!item.readable || item.journal.header.command != "undo" || item.journal.header.undoes != path)
            continue;
        for (const engine::JournalEntry& entry : item.journal.entries)
            if (entry.mark == engine::Mark::Done || entry.mark == engine::Mark::None) {
                undos.push_back(&item);
                break;
            }
    }
    return undos;
}

uint64_t Count(const engine::Journal& journal, engine::Mark mark)
{
    uint64_t count = 0;
    for (const engine::JournalEntry& entry : journal.entries)
        count += entry.mark == mark;
    return count;
}

nlohmann::ordered_json UndoSummary(const Options& options, const std::string& path, const std::string& undoJournal,
                                   const engine::UndoTotals& totals)
{
    nlohmann::ordered_json json;
    json["event"] = "summary";
    json["command"] = "undo";
    json["dry_run"] = options.dryRun;
    json["journal"] = ShownPath(path, false);
    json["changes"] = totals.changes;
    json["restored"] = totals.restored;
    json["already"] = totals.already;
    json["left_alone"] = totals.leftAlone;
    json["failed"] = totals.failed;
    json["not_made"] = totals.notMade;
    json["interrupted"] = totals.interrupted;
    if (!undoJournal.empty())
        json["undo_journal"] = ShownPath(undoJournal, false);
    return json;
}

void Line(const char* label, uint64_t count)
{
    fmt::print("{:<28}{:>12}\n", label, count);
}

}  // namespace

int RunUndo(const Options& options)
{
    std::string error, path = options.journal;
    std::vector<Listed> listed;
    std::string folder;
    const bool listedOk = ListJournals(listed, folder, error);
    if (options.last) {
        if (!listedOk) {
            Error(error);
            return kExitUsage;
        }
        for (auto it = listed.rbegin(); it != listed.rend() && path.empty(); ++it)
            if (it->readable && it->journal.header.command == "fix")
                path = it->path;
        if (path.empty()) {
            Error("no journal of a fix run in \"" + ShownPath(folder, true) + "\"");
            return kExitUsage;
        }
    }
    std::string absolute;
    if (!engine::AbsolutePath(path, absolute, error)) {
        Error("cannot open the journal " + error);
        return kExitUsage;
    }
    path = absolute;
    engine::Journal journal;
    if (!ReadJournal(path, journal, error)) {
        Error(error);
        return kExitUsage;
    }
    const engine::JournalHeader& header = journal.header;
    fsys::Failure failure;
    fsys::FolderHandle copies = fsys::OpenRoot(header.copies, failure);
    if (!copies) {
        Error("the copies folder of the journal, \"" + ShownPath(header.copies, true) +
              "\", cannot be opened: " + failure.reason + "; nothing was touched");
        return kExitUsage;
    }
    ReportFile report;
    if (!options.report.empty() && !report.Open(options.report, error)) {
        Error(error);
        return kExitUsage;
    }
    if (!options.quiet && !options.json) {
        if (journal.torn)
            std::fprintf(stderr, "kelvora-cli: the journal's last line was cut short (the run was stopped); "
                                 "it is read up to that line\n");
        if (!journal.ended)
            std::fprintf(stderr, "kelvora-cli: the run did not finish; a change it may have made is taken back "
                                 "where the copy has the time before or the time set\n");
    }

    Outputs outputs;
    outputs.json = options.json;
    outputs.quiet = options.quiet;
    outputs.dryRunList = options.dryRun;
    outputs.plannedVerb = "would restore";
    outputs.originalsRoot = header.originals;
    outputs.copiesRoot = header.copies;
    outputs.report = options.report.empty() ? nullptr : &report;
    CliObserver cliObserver(outputs);

    engine::UndoTotals totals;
    const std::vector<engine::UndoStep> steps = engine::PlanUndo(journal, *copies, cliObserver, totals);
    engine::JournalWriter writer;
    const bool journalled = !steps.empty() && !options.dryRun;
    if (journalled) {
        // The undo is a run of its own, journalled so that it can be undone too.
        engine::JournalHeader undoHeader;
        undoHeader.undoes = path;
        if (!MakeHeader(options, "undo", header.originals, header.copies, undoHeader, error) ||
            !OpenRunJournal(options.undoJournal, undoHeader, writer, error)) {
            Error(error + "; nothing was changed (--journal FILE puts this undo's journal elsewhere)");
            return kExitUsage;
        }
    }
    if (journalled) {
        JournalObserver observer(cliObserver, writer);
        engine::RunUndo(journal, steps, *copies, false, &g_stopRequested, observer, totals);
    } else {
        engine::RunUndo(journal, steps, *copies, options.dryRun, &g_stopRequested, cliObserver, totals);
    }
    nlohmann::ordered_json summary = UndoSummary(options, path, journalled ? writer.path() : "", totals);
    int status = totals.interrupted ? kExitInterrupted
               : totals.leftAlone || totals.failed ? kExitFailures : kExitDone;
    if (journalled && !writer.End(summary, engine::Now(), error)) {
        Error(error);
        if (status == kExitDone)
            status = kExitFailures;
    }
    const std::vector<const Listed*> earlier = UndoneBy(listed, path);
    if (options.json) {
        fmt::print("{}\n", summary.dump());
    } else if (!options.quiet) {
        if (options.dryRun)
            fmt::print("Dry run: nothing was changed.\n");
        Line("Changes in the journal", totals.changes);
        Line(options.dryRun ? "Would be restored" : "Restored", options.dryRun ? steps.size() : totals.restored);
        Line("Already as before", totals.already);
        Line("Left alone", totals.leftAlone);
        Line("Failed", totals.failed);
        if (totals.notMade)
            Line("Not made by the run", totals.notMade);
        if (totals.interrupted)
            fmt::print("Interrupted: the rest was left as it was.\n");
        if (steps.empty() && !totals.leftAlone && !totals.failed) {
            fmt::print("Nothing to undo: every copy the run changed already has its time from before the run");
            if (!earlier.empty())
                fmt::print(" (undone by {})", ShownPath(earlier.back()->path, true));
            fmt::print(".\n");
        }
        if (journalled)
            fmt::print("Journal of this undo: {}\n", ShownPath(writer.path(), true));
    }
    std::fflush(stdout);
    if (!report.Close(summary.dump(), error)) {
        Error(error);
        if (status == kExitDone)
            status = kExitFailures;
    }
    return status;
}

int RunJournals(const Options& options)
{
    std::vector<Listed> listed;
    std::string folder, error;
    if (!ListJournals(listed, folder, error)) {
        if (!engine::DefaultJournalFolder(folder, error)) {
            Error(error);
            return kExitUsage;
        }
        if (!options.json && !options.quiet)
            fmt::print("No journals in {}\n", ShownPath(folder, true));
        return kExitDone;
    }
    int status = kExitDone;
    for (const Listed& item : listed) {
        const engine::Journal& journal = item.journal;
        const std::vector<const Listed*> undos = UndoneBy(listed, item.path);
        if (!item.readable) {
            Error(item.error);
            status = kExitFailures;
            continue;
        }
        const uint64_t touched = Count(journal, engine::Mark::Done);
        const uint64_t unsure = Count(journal, engine::Mark::None);
        std::string state = journal.header.command == "undo"
                                ? "undo of " + ShownPath(journal.header.undoes, true)
                                : undos.empty() ? "not undone" : "undone";
        if (options.json) {
            nlohmann::ordered_json line;
            line["journal"] = ShownPath(item.path, false);
            line["started"] = engine::IsoUtc(journal.header.started);
            line["command"] = journal.header.command;
            line["originals"] = ShownPath(journal.header.originals, false);
            line["copies"] = ShownPath(journal.header.copies, false);
            line["touched"] = touched;
            line["unmarked"] = unsure;
            line["finished"] = journal.ended;
            if (journal.header.command == "undo")
                line["undoes"] = ShownPath(journal.header.undoes, false);
            else
                line["undone"] = !undos.empty();
            fmt::print("{}\n", line.dump());
            continue;
        }
        if (options.quiet)
            continue;
        std::string count = std::to_string(touched) + " touched";
        if (unsure)
            count += " + " + std::to_string(unsure) + " unsure";
        fmt::print("{}  {:<4}  {:>18}  {}{}\n    {} -> {}\n    {}\n", engine::IsoUtc(journal.header.started),
                   journal.header.command, count, state, journal.ended ? "" : " (did not finish)",
                   ShownPath(journal.header.originals, true), ShownPath(journal.header.copies, true),
                   ShownPath(item.path, true));
    }
    if (listed.empty() && !options.json && !options.quiet)
        fmt::print("No journals in {}\n", ShownPath(folder, true));
    return status;
}

}  // namespace cli
