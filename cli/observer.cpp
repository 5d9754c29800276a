#include "cli/observer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cli/platform.h"
#include "cli/records.h"
#include "cli/shown_time.h"
#include "cli/utf8.h"
#include "engine/duration.h"
#include "engine/instant.h"
#include "engine/journal_file.h"
#include "engine/roots.h"

namespace cli {

std::string NamedPath(const std::string& root, const std::string& relative)
{
    if (relative.empty())
        return ShownPath(root, true);
    // The system's separator, unless the folder was typed with "/" alone
    // (which Windows takes too): then the names are joined as it was typed.
    char separator = PathSeparator();
    if (root.find(separator) == std::string::npos && root.find('/') != std::string::npos)
        separator = '/';
    std::string path = root;
    if (path.empty() || (path.back() != '/' && path.back() != separator))
        path.push_back(separator);
    for (char c : relative)
        path.push_back(c == '/' ? separator : c);
    return ShownPath(path, true);
}

std::string SignedDuration(int64_t nanos)
{
    return (nanos > 0 ? "+" : "") + engine::FormatDuration(nanos);
}

std::string Grouped(uint64_t count)
{
    std::string digits = std::to_string(count), text;
    for (size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0)
            text += ',';
        text += digits[at];
    }
    return text;
}

namespace {

constexpr size_t kNotKeptHeld = 10;

// The folder part of a path and its last name ("." and the path when it
// names no folder).
void SplitPath(const std::string& path, std::string& folder, std::string& name)
{
    size_t at = path.find_last_of(PathSeparator() == '\\' ? "/\\" : "/");
    if (at == std::string::npos && PathSeparator() == '\\' && path.size() >= 2 && path[1] == ':')
        at = 1;  // "D:name"
    if (at == std::string::npos) {
        folder = ".";
        name = path;
        return;
    }
    folder = path.substr(0, at + 1);
    name = path.substr(at + 1);
}

bool SameFolder(const fsys::Folder& a, const fsys::Folder& b)
{
    fsys::Facts one, other;
    fsys::Failure failure;
    return fsys::FolderFacts(a, one, failure) && fsys::FolderFacts(b, other, failure) &&
           one.device == other.device && one.object == other.object;
}

// Why a report may not go at `path`, or "".
std::string ReportRefused(const std::string& path, const ReportRules& rules)
{
    std::string folderPath, name;
    SplitPath(path, folderPath, name);
    if (name.empty() || name == "." || name == "..")
        return "it names a folder";
    fsys::Failure failure;
    const fsys::FolderHandle folder = fsys::OpenRoot(folderPath, failure);
    if (!folder)
        return "its folder: " + failure.reason;
    for (int side = 0; side < 2; ++side) {
        if (rules.trees[side] && engine::Within(*folder, *rules.trees[side]))
            return std::string("it lies inside ") + rules.treeNames[side];
    }
    std::string journals, reason;
    if (engine::DefaultJournalFolder(journals, reason)) {
        const fsys::FolderHandle journalFolder = fsys::OpenRoot(journals, failure);
        if (journalFolder && SameFolder(*folder, *journalFolder))
            return "it lies in the journals' folder";
    }
    if (!rules.journal.empty()) {
        std::string journalFolderPath, journalName;
        SplitPath(rules.journal, journalFolderPath, journalName);
        const fsys::FolderHandle journalFolder = fsys::OpenRoot(journalFolderPath, failure);
        if (journalName == name && journalFolder && SameFolder(*folder, *journalFolder))
            return "it is the run's journal (--journal)";
    }
    return "";
}

}  // namespace

bool ReportFile::Open(const std::string& path, std::string& error, const ReportRules& rules)
{
    path_ = path;
    csv_ = path.size() >= 4 && path.compare(path.size() - 4, 4, ".csv") == 0;
    std::string reason = ReportRefused(path, rules);
    if (reason.empty())
        file_ = CreateOutputFile(path, rules.replace, made_, reason);
    if (!file_) {
        error = "cannot write the report \"" + ShownPath(path, true) + "\": " + reason;
        return false;
    }
    if (csv_)
        std::fprintf(file_, "%s\n", kCsvHeader);
    return true;
}

void ReportFile::Write(const engine::FileEvent& event)
{
    const std::string line = csv_ ? EventCsv(event) : EventJson(event).dump();
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
}

bool ReportFile::Close(const std::string& summaryLine, std::string& error)
{
    if (!file_)
        return true;
    if (!csv_) {
        std::fputs(summaryLine.c_str(), file_);
        std::fputc('\n', file_);
    }
    const bool ok = std::ferror(file_) == 0;
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (ok && closed == 0)
        return true;
    error = "the report \"" + ShownPath(path_, true) + "\" could not be written whole: " +
            std::strerror(errno);
    return false;
}

void ReportFile::Discard()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    if (made_)
        RemoveFile(path_);
    made_ = false;
}

ReportFile::~ReportFile()
{
    if (file_)
        std::fclose(file_);
}

void CliObserver::Tell(const std::string& line)
{
    if (outputs_.progress)
        outputs_.progress->Message(line);
    else
        Write(stderr, line + "\n");
}

void CliObserver::OnListed(engine::Listed kind, const std::string& path)
{
    if (outputs_.listJson)
        Write(stdout, ListedJson(kind, path).dump() + "\n");
    else if (outputs_.listTagged)
        Print("{} {}\n", ListedName(kind), ShownPath(path, true));
    else
        Print("{}\n", ShownPath(path, true));
}

std::string CliObserver::EventPath(const engine::FileEvent& event) const
{
    std::string path = NamedPath(outputs_.copiesRoot, event.path);
    if (event.folder && !path.empty() && path.back() != '/' && path.back() != PathSeparator()) {
        // A folder's path ends in a separator, the one its names are joined with.
        const std::string& root = outputs_.copiesRoot;
        const bool typedWithSlash = root.find(PathSeparator()) == std::string::npos && root.find('/') != std::string::npos;
        path += typedWithSlash ? '/' : PathSeparator();
    }
    return path;
}

void CliObserver::ChangeLine(const std::string& verb, const engine::FileEvent& event)
{
    // The difference as copy minus original: the one repaired, or when
    // restoring, the one put back.
    const int64_t difference = outputs_.restoring ? engine::Difference(event.set, event.before)
                                                  : engine::Difference(event.before, event.set);
    const int digits = FractionDigits(event.before, event.set);
    Print("{} {}  {} -> {}  ({})\n", verb, EventPath(event),
          ShownTime(event.before, outputs_.utc, digits), ShownTime(event.set, outputs_.utc, digits),
          SignedDuration(difference));
}

std::string CliObserver::NotKeptLine(const engine::FileEvent& event) const
{
    const int digits = FractionDigits(event.set, event.readBack);
    return EventPath(event) + ": set " + ShownTime(event.set, outputs_.utc, digits) +
           ", read back " + ShownTime(event.readBack, outputs_.utc, digits);
}

void CliObserver::Finish()
{
    if (notKept_ == 0)
        return;
    const bool together = notKept_ > 1 && oneOffset_ && notKeptMinutes_ != 0;
    if (!together) {
        for (const engine::FileEvent& event : notKeptHeld_)
            Tell("kelvora-cli: time not kept: " + NotKeptLine(event));
        if (notKept_ > notKeptHeld_.size())
            Tell(fmt::format("kelvora-cli: and {} more copies whose time was not kept (--report FILE names "
                             "every one)",
                             Grouped(notKept_ - notKeptHeld_.size())));
        return;
    }
    const int64_t minutes = notKeptMinutes_ < 0 ? -notKeptMinutes_ : notKeptMinutes_;
    const std::string offset = engine::FormatSeconds(minutes * 60);
    std::string message = fmt::format(
        "kelvora-cli: the time of {} copies was not kept: each reads back {} {} than the time set\n"
        "  ({})",
        Grouped(notKept_), offset, notKeptMinutes_ < 0 ? "earlier" : "later", NotKeptLine(notKeptHeld_.front()));
    if (minutes % 15 == 0)
        message += fmt::format(
            ".\n  The file system of the copies most likely converts times with a time zone, as FAT does:\n"
            "  mount it with tz=UTC (mount -o tz=UTC for vfat), or leave these times as they are and\n"
            "  let your sync tool allow for the difference (rsync --modify-window={}).",
            minutes * 60);
    else
        message += ".";
    Tell(message);
}

void CliObserver::OnEvent(const engine::FileEvent& event)
{
    using engine::EventKind;
    if (outputs_.report)
        outputs_.report->Write(event);
    if (outputs_.json)
        Write(stdout, EventJson(event).dump() + "\n");
    // Most events (a change planned, then made) print nothing: their path is
    // shown only where a line names it.
    const bool listed = !outputs_.json && !outputs_.quiet;
    if (event.kind == EventKind::Touched && outputs_.doneList && listed)
        ChangeLine(outputs_.doneVerb, event);
    if (event.kind == EventKind::Touched || event.kind == EventKind::Skipped ||
        (event.kind == EventKind::Planned && (!outputs_.dryRunList || !listed)))
        return;
    const std::string path = EventPath(event);
    switch (event.kind) {
    case EventKind::Planned:
        ChangeLine(outputs_.plannedVerb, event);
        break;
    case EventKind::Failed:
        Tell("kelvora-cli: " + path + ": " + event.reason);
        break;
    case EventKind::Unreadable:
        Tell("kelvora-cli: cannot read the folder " +
             NamedPath(event.side == engine::kOriginals ? outputs_.originalsRoot
                                                        : outputs_.copiesRoot,
                       event.path) +
             ": " + event.reason);
        break;
    case EventKind::Changed:
        Tell("kelvora-cli: " + path + ": left alone, " + event.reason);
        break;
    case EventKind::NotKept: {
        // Held: the end of the run says what they have in common.
        const int64_t off = engine::Difference(event.readBack, event.set);
        const int64_t minutes = (off + (off < 0 ? -30 : 30) * int64_t{1000000000}) / (60 * int64_t{1000000000});
        if (notKept_ == 0)
            notKeptMinutes_ = minutes;
        else if (minutes != notKeptMinutes_)
            oneOffset_ = false;
        ++notKept_;
        if (notKeptHeld_.size() < kNotKeptHeld)
            notKeptHeld_.push_back(event);
        break;
    }
    case EventKind::ContentDiffers:
        // Not a failure: a copy edited since it was made, left as it is.
        if (!outputs_.quiet && outputs_.contentLines)
            Tell("kelvora-cli: " + path + ": left alone, " + event.reason + " (same size, " +
                 SignedDuration(engine::Difference(event.before, event.original)) + ")");
        break;
    case EventKind::Touched:
    case EventKind::Skipped:
        break;
    }
}

}  // namespace cli
