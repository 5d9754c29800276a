// The undo and journals commands: find and read a journal, set the copies it
// changed back to their times before, list and prune the journals of the
// default place.
#include <cstdio>
#include <memory>

#include <fmt/core.h>
#include <nlohmann/json.hpp>

#include "cli/jobs.h"
#include "cli/journaling.h"
#include "cli/mistakes.h"
#include "cli/observer.h"
#include "cli/options.h"
#include "cli/shown_time.h"
#include "cli/signals.h"
#include "cli/summary.h"
#include "cli/utf8.h"
#include "engine/duration.h"
#include "engine/instant.h"
#include "engine/journal_file.h"
#include "engine/journal_index.h"
#include "engine/journal_lines.h"
#include "engine/journal_reader.h"
#include "engine/journal_writer.h"
#include "engine/undo.h"

namespace cli {

namespace {

void Error(const std::string& message)
{
    std::fprintf(stderr, "kelvora-cli: %s\n", message.c_str());
}

bool ReadDefaultFolder(std::string& folder, std::vector<engine::JournalSummary>& journals, std::string& error)
{
    std::string place;
    return engine::DefaultJournalFolder(place, error) &&
           engine::ReadJournalFolder(place, folder, journals, error);
}

// The undo's own journal, made when its first change is about to be made: an
// undo that changes nothing keeps none.
class UndoJournal : public engine::Observer {
public:
    UndoJournal(engine::Observer& inner, engine::JournalHeader header, const fsys::Folder& copies,
                const std::string& copiesGiven, const Options& options)
        : inner_(inner), header_(std::move(header)), copies_(copies), copiesGiven_(copiesGiven), options_(options)
    {
    }
    bool BeforeChanges(std::vector<engine::FileEvent>& planned, std::string& reason) override
    {
        return (recorder_ || Open(reason)) && recorder_->BeforeChanges(planned, reason);
    }
    bool Open(std::string& error)
    {
        if (!MakeHeader(options_, "undo", header_.originals, copies_, copiesGiven_, header_, error))
            return false;
        if (!OpenRunJournal(options_.undoJournal, header_, writer_, error)) {
            error += " (--journal FILE puts this undo's journal elsewhere)";
            return false;
        }
        recorder_ = std::make_unique<JournalObserver>(inner_, writer_);
        return true;
    }
    void OnEvent(const engine::FileEvent& event) override
    {
        if (recorder_)
            recorder_->OnEvent(event);
        else
            inner_.OnEvent(event);
    }
    bool opened() const { return recorder_ != nullptr; }
    engine::JournalWriter& writer() { return writer_; }

private:
    engine::Observer& inner_;
    engine::JournalHeader header_;
    const fsys::Folder& copies_;
    std::string copiesGiven_;
    const Options& options_;
    engine::JournalWriter writer_;
    std::unique_ptr<JournalObserver> recorder_;
};

nlohmann::ordered_json UndoSummary(const Options& options, const std::string& path, const std::string& undoJournal,
                                   const engine::UndoTotals& totals)
{
    nlohmann::ordered_json json;
    json["event"] = "summary";
    json["command"] = "undo";
    json["dry_run"] = options.dryRun;
    json["journal"] = ShownPath(path, false);
    json["changes"] = totals.changes;
    json[options.dryRun ? "would_restore" : "restored"] = options.dryRun ? totals.planned : totals.restored;
    json["already"] = totals.already;
    json["left_alone"] = totals.leftAlone;
    json["failed"] = totals.failed;
    json["not_made"] = totals.notMade;
    json["interrupted"] = totals.interrupted;
    if (!undoJournal.empty())
        json["undo_journal"] = ShownPath(undoJournal, false);
    else if (!options.dryRun)
        json["undo_journal"] = nullptr;
    return json;
}

void Line(const char* label, uint64_t count)
{
    fmt::print("{:<28}{:>12}\n", label, count);
}

// The journal `undo --last` takes; false with the exit status when none.
bool PickLast(const Options& options, std::string& path, int& status)
{
    std::string folder, error;
    std::vector<engine::JournalSummary> journals;
    if (!ReadDefaultFolder(folder, journals, error)) {
        Error(error);
        status = kExitUsage;
        return false;
    }
    const std::vector<long> undoneBy = engine::UndoneBy(journals);
    size_t index = 0;
    switch (engine::PickLast(journals, undoneBy, index)) {
    case engine::LastPick::Found:
        path = journals[index].path;
        return true;
    case engine::LastPick::Untrusted:
        Error("the newest journal, \"" + ShownPath(journals[index].path, true) + "\", cannot be trusted: " +
              journals[index].error + "; which run is the last is not known, so nothing was touched (name the "
              "journal to undo)");
        status = kExitUsage;
        return false;
    case engine::LastPick::NoneLeft:
        break;
    }
    bool anyFix = false;
    for (const engine::JournalSummary& journal : journals)
        anyFix = anyFix || journal.header.command == "fix";
    if (!anyFix) {
        Error("no journal of a fix run in \"" + ShownPath(folder, true) + "\"");
        status = kExitUsage;
        return false;
    }
    if (options.json) {
        nlohmann::ordered_json json;
        json["event"] = "summary";
        json["command"] = "undo";
        json["journal"] = nullptr;
        json["changes"] = 0;
        fmt::print("{}\n", json.dump());
    } else if (!options.quiet) {
        fmt::print("Nothing to undo: every fix run in {} was taken back already, or changed nothing.\n",
                   ShownPath(folder, true));
    }
    status = kExitDone;
    return false;
}

// The undo that took `path` back, among the journals of the default place.
std::string UndoneByPath(const std::string& path)
{
    std::string folder, error;
    std::vector<engine::JournalSummary> journals;
    if (!ReadDefaultFolder(folder, journals, error))
        return "";
    const std::vector<long> undoneBy = engine::UndoneBy(journals);
    for (size_t k = 0; k < journals.size(); ++k)
        if (journals[k].path == path && undoneBy[k] >= 0)
            return journals[static_cast<size_t>(undoneBy[k])].path;
    return "";
}

}  // namespace

int RunUndo(const Options& options)
{
    std::string error, path = options.journal;
    if (options.last) {
        int status = kExitUsage;
        if (!PickLast(options, path, status))
            return status;
    }
    std::string absolute;
    if (!engine::AbsolutePath(path, absolute, error)) {
        Error("cannot open the journal " + error);
        return kExitUsage;
    }
    path = absolute;
    const auto untrusted = [&](const std::string& why) {
        Error("\"" + ShownPath(path, true) + "\" cannot be trusted: " + why + "; nothing was touched");
        return kExitUsage;
    };
    // First every line, to learn each change's outcome (a mark may come long
    // after its intent) and to refuse a journal before anything is touched.
    engine::ReadFile file;
    if (!file.Open(path, error)) {
        Error(error);
        return kExitUsage;
    }
    engine::JournalParser marks;
    if (!engine::ReadJournal(file, marks, [](engine::JournalParser::Line) { return true; }, error))
        return untrusted(error);
    const engine::JournalHeader& header = marks.header();
    fsys::Failure failure;
    fsys::FolderHandle copies = fsys::OpenRoot(header.copies, failure);
    if (!copies) {
        Error("the copies folder of the journal, \"" + ShownPath(header.copies, true) +
              "\", cannot be opened: " + failure.reason + "; nothing was touched");
        return kExitUsage;
    }
    std::string warning;
    if (!engine::CheckCopiesFolder(header, *copies, error, warning)) {
        Error("\"" + ShownPath(path, true) + "\" cannot be undone here: " + error + " (\"" +
              ShownPath(header.copies, true) + "\"); nothing was touched");
        return kExitUsage;
    }
    // The report is a new file, outside the copies and at neither journal.
    ReportFile report;
    ReportRules rules;
    rules.trees[1] = copies.get();
    rules.journal = options.undoJournal;
    if (!options.report.empty() && !report.Open(options.report, error, rules)) {
        Error(error);
        return kExitUsage;
    }
    // The journal taken, first.
    if (options.json) {
        nlohmann::ordered_json json;
        json["event"] = "journal";
        json["journal"] = ShownPath(path, false);
        json["command"] = header.command;
        json["started"] = engine::IsoUtc(header.started);
        json["originals"] = ShownPath(header.originals, false);
        json["copies"] = ShownPath(header.copies, false);
        fmt::print("{}\n", json.dump());
    } else if (!options.quiet) {
        fmt::print("{} {} ({} of {}, {} -> {})\n", options.dryRun ? "Would undo" : "Undoing",
                   ShownPath(path, true), header.command, ShownTime(header.started, options.utc),
                   ShownPath(header.originals, true), ShownPath(header.copies, true));
        std::fflush(stdout);
    }
    if (!options.quiet && !options.json) {
        if (!warning.empty())
            Error("warning: " + warning);
        if (marks.torn())
            Error("the journal's last line was cut short (the run was stopped); it is read up to that line");
        if (!marks.ended())
            Error("the run did not finish; a change it may have made is taken back where the copy has the "
                  "time before or the time set");
    }

    Outputs outputs;
    outputs.json = options.json;
    outputs.quiet = options.quiet;
    outputs.dryRunList = options.dryRun;
    outputs.plannedVerb = "would restore";
    outputs.doneList = options.verbose && !options.dryRun;
    outputs.doneVerb = "restored";
    outputs.restoring = true;
    outputs.utc = options.utc;
    outputs.originalsRoot = header.originals;
    outputs.copiesRoot = header.copies;
    outputs.report = options.report.empty() ? nullptr : &report;
    CliObserver cliObserver(outputs);
    engine::JournalHeader undoHeader;
    undoHeader.undoes = path;
    undoHeader.originals = header.originals;
    UndoJournal undoJournal(cliObserver, undoHeader, *copies, header.copies, options);
    engine::Observer& observer = options.dryRun ? static_cast<engine::Observer&>(cliObserver) : undoJournal;

    // Then the intents again, in order, each with its outcome: the undo
    // holds a batch of them at a time.
    engine::UndoTotals totals;
    engine::Undoer undoer(header, *copies, options.dryRun, &g_stopRequested, observer, totals,
                          JobsFor(options, copies.get(), nullptr));
    engine::JournalParser intents;
    bool halted = false;
    const bool read = file.Seek(0, error) &&
                      engine::ReadJournal(file, intents, [&](engine::JournalParser::Line kind) {
                          if (kind != engine::JournalParser::Line::Intent)
                              return true;
                          engine::JournalEntry entry = intents.intent();
                          if (entry.serial > marks.intents()) {
                              error = "it changed while it was read";
                              return false;
                          }
                          entry.mark = marks.MarkOf(entry.serial);
                          entry.kept = marks.KeptOf(entry.serial, entry.set);
                          // In a finished run of this version every change made is marked.
                          undoer.Add(entry, marks.ended() && header.version >= 2);
                          halted = undoer.stopped();
                          return !halted;
                      }, error);
    undoer.Finish();
    cliObserver.Finish();
    int status = totals.interrupted ? kExitInterrupted
               : totals.leftAlone || totals.failed ? kExitFailures : kExitDone;
    if (!read && !halted) {
        Error("\"" + ShownPath(path, true) + "\" cannot be read to its end: " + error);
        status = kExitUsage;
    }
    if (!totals.stoppedBy.empty()) {
        Error(totals.stoppedBy + (totals.restored ? "; the undo stopped there" : "; nothing was changed"));
        status = totals.restored ? kExitFailures : kExitUsage;
    }
    // A run found already as before throughout, and not undone by any undo
    // on record, gets a journal without changes all the same: it records
    // the run as taken back, so that --last passes over it from now on.
    const bool nothingToDo = !totals.planned && !totals.leftAlone && !totals.failed && !totals.interrupted &&
                             totals.stoppedBy.empty() && read;
    std::string undoneBy;
    if (nothingToDo)
        undoneBy = UndoneByPath(path);
    bool recordOnly = false;
    if (nothingToDo && !options.dryRun && undoneBy.empty()) {
        recordOnly = undoJournal.Open(error);
        if (!recordOnly)
            Error(error);
    }
    engine::JournalWriter& writer = undoJournal.writer();
    const bool journalled = undoJournal.opened();
    bool kept = journalled;
    nlohmann::ordered_json summary = UndoSummary(options, path, journalled ? writer.path() : "", totals);
    if (journalled) {
        if (!writer.made() && !recordOnly) {
            // Nothing was set back after all: no journal.
            kept = false;
            summary["undo_journal"] = nullptr;
            if (!writer.Discard(error))
                Error(error);
        } else if (!writer.End(summary, engine::Now(), error)) {
            Error(error);
            if (status == kExitDone)
                status = kExitFailures;
        }
    }
    if (options.json) {
        fmt::print("{}\n", summary.dump());
    } else if (!options.quiet) {
        if (options.dryRun)
            fmt::print("Dry run: nothing was changed.\n");
        Line("Changes in the journal", totals.changes);
        Line(options.dryRun ? "Would be restored" : "Restored", options.dryRun ? totals.planned : totals.restored);
        Line("Already as before", totals.already);
        Line("Left alone", totals.leftAlone);
        Line("Failed", totals.failed);
        if (totals.notMade)
            Line("Not made by the run", totals.notMade);
        if (totals.interrupted)
            fmt::print("Interrupted: the rest was left as it was.\n");
        if (nothingToDo) {
            fmt::print("Nothing to undo: every copy the run changed already has its time from before the run");
            if (!undoneBy.empty())
                fmt::print(" (undone by {})", ShownPath(undoneBy, true));
            fmt::print(".\n");
        }
        if (kept)
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

namespace {

// AGE: whole days ("90d") or a DURATION; in seconds.
bool ParseAge(const std::string& text, int64_t& seconds, std::string& error)
{
    if (text.size() > 1 && text.back() == 'd' && text.size() <= 7 &&
        text.find_first_not_of("0123456789") == text.size() - 1) {
        seconds = std::stoll(text.substr(0, text.size() - 1)) * 86400;
        return true;
    }
    int64_t nanos = 0;
    if (!engine::ParseDuration(text, nanos, error)) {
        // Ages are told in days where they are whole days.
        std::string hint = DurationHint(text, false);
        int64_t hinted = 0;
        constexpr int64_t kDay = int64_t{86400} * 1000000000;
        if (!hint.empty() && engine::ParseDuration(hint, hinted, error) && hinted > 0 && hinted % kDay == 0)
            hint = std::to_string(hinted / kDay) + "d";
        error = "--older-than \"" + text + "\" is not an age: " +
                (hint.empty() ? "whole days (90d) or a DURATION (12h, 90m)" : "did you mean " + hint + "?");
        return false;
    }
    seconds = nanos / 1000000000;
    return true;
}

std::string StateOf(const engine::JournalSummary& journal, long undoneBy)
{
    if (!journal.readable)
        return "an empty file, no run";
    if (journal.header.command == "undo")
        return "undo of " + ShownPath(journal.header.undoes, true);
    if (journal.ended && !journal.made && !journal.unsure)
        return "changed nothing";
    return undoneBy >= 0 ? "undone" : "not undone";
}

}  // namespace

int RunJournals(const Options& options)
{
    std::vector<engine::JournalSummary> journals;
    std::string folder, error;
    // A mistyped age is told whether or not there are journals to prune.
    int64_t olderThan = -1;
    if (options.prune && !options.olderThan.empty() && !ParseAge(options.olderThan, olderThan, error)) {
        Error(error);
        return kExitUsage;
    }
    if (!ReadDefaultFolder(folder, journals, error)) {
        if (!engine::DefaultJournalFolder(folder, error)) {
            Error(error);
            return kExitUsage;
        }
        if (!options.json && !options.quiet)
            fmt::print("No journals in {}\n", ShownPath(folder, true));
        return kExitDone;
    }
    const std::vector<long> undoneBy = engine::UndoneBy(journals);
    if (options.prune) {
        const std::vector<size_t> chosen = engine::ChoosePrune(journals, undoneBy, olderThan,
                                                                static_cast<size_t>(options.keep),
                                                                engine::Now().seconds);
        int status = kExitDone;
        uint64_t removed = 0;
        for (const size_t k : chosen) {
            const engine::JournalSummary& journal = journals[k];
            if (!options.dryRun && !engine::RemoveJournalFile(journal.path, error)) {
                Error(error);
                status = kExitFailures;
                continue;
            }
            ++removed;
            if (options.json) {
                nlohmann::ordered_json line;
                line["event"] = options.dryRun ? "would_remove" : "removed";
                line["journal"] = ShownPath(journal.path, false);
                line["state"] = StateOf(journal, undoneBy[k]);
                fmt::print("{}\n", line.dump());
            } else if (!options.quiet) {
                fmt::print("{} {} ({})\n", options.dryRun ? "Would remove" : "Removed", ShownPath(journal.path, true),
                           StateOf(journal, undoneBy[k]));
            }
        }
        if (!options.json && !options.quiet)
            fmt::print("{} {} of {} journals in {}.\n", options.dryRun ? "Would remove" : "Removed", removed,
                       journals.size(), ShownPath(folder, true));
        return status;
    }
    int status = kExitDone;
    for (size_t k = 0; k < journals.size(); ++k) {
        const engine::JournalSummary& journal = journals[k];
        if (!journal.readable) {
            Error("\"" + ShownPath(journal.path, true) + "\" cannot be trusted: " + journal.error);
            status = kExitFailures;
            continue;
        }
        const std::string state = StateOf(journal, undoneBy[k]);
        if (options.json) {
            nlohmann::ordered_json line;
            line["journal"] = ShownPath(journal.path, false);
            line["started"] = engine::IsoUtc(journal.header.started);
            line["command"] = journal.header.command;
            line["originals"] = ShownPath(journal.header.originals, false);
            line["copies"] = ShownPath(journal.header.copies, false);
            line["touched"] = journal.made;
            line["unsure"] = journal.unsure;
            line["finished"] = journal.ended;
            line["interrupted"] = journal.interrupted;
            if (journal.header.command == "undo")
                line["undoes"] = ShownPath(journal.header.undoes, false);
            else
                line["undone"] = undoneBy[k] >= 0;
            fmt::print("{}\n", line.dump());
            continue;
        }
        if (options.quiet)
            continue;
        const std::string unsure = journal.unsure ? "+ " + std::to_string(journal.unsure) + " unsure" : "";
        std::string note = !journal.ended ? " (did not finish)" : journal.interrupted ? " (stopped)" : "";
        fmt::print("{}  {:<4}  {:>10} touched  {:<16}  {}{}\n    {} -> {}\n    {}\n",
                   ShownTime(journal.header.started, options.utc), journal.header.command, journal.made, unsure, state,
                   note, ShownPath(journal.header.originals, true), ShownPath(journal.header.copies, true),
                   ShownPath(journal.path, true));
    }
    if (journals.empty() && !options.json && !options.quiet)
        fmt::print("No journals in {}\n", ShownPath(folder, true));
    return status;
}

}  // namespace cli
