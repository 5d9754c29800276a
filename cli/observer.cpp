#include "cli/observer.h"

#include <cerrno>
#include <cstring>

#include "cli/platform.h"
#include "cli/records.h"
#include "cli/utf8.h"
#include "engine/duration.h"
#include "engine/instant.h"

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

bool ReportFile::Open(const std::string& path, std::string& error)
{
    path_ = path;
    csv_ = path.size() >= 4 && path.compare(path.size() - 4, 4, ".csv") == 0;
    file_ = OpenFile(path, "w");
    if (!file_) {
        error = "cannot write the report \"" + ShownPath(path, true) + "\": " + std::strerror(errno);
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

void CliObserver::OnEvent(const engine::FileEvent& event)
{
    using engine::EventKind;
    if (outputs_.report)
        outputs_.report->Write(event);
    if (outputs_.json)
        Write(stdout, EventJson(event).dump() + "\n");
    // Most events (a change planned, then made) print nothing: their path is
    // shown only where a line names it.
    if (event.kind == EventKind::Touched || event.kind == EventKind::Skipped ||
        (event.kind == EventKind::Planned && (!outputs_.dryRunList || outputs_.json || outputs_.quiet)))
        return;
    const std::string path = NamedPath(outputs_.copiesRoot, event.path);
    switch (event.kind) {
    case EventKind::Planned:
        Print("{} {}  {} -> {}  ({})\n", outputs_.plannedVerb, path, engine::IsoUtc(event.before),
              engine::IsoUtc(event.set), SignedDuration(engine::Difference(event.before, event.set)));
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
    case EventKind::NotKept:
        Tell("kelvora-cli: " + path + ": time not kept: set " + engine::IsoUtc(event.set) +
             ", read back " + engine::IsoUtc(event.readBack));
        break;
    case EventKind::Touched:
    case EventKind::Skipped:
        break;
    }
}

}  // namespace cli
