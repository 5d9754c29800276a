// What the front end does with each event of a run: JSON Lines on stdout,
// a line in the report file, a message on stderr for every failure, and the
// list of a dry run.
#pragma once

#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/terminal.h"
#include "engine/repair.h"
#include "fsys/fsys.h"

namespace cli {

// Where a report may not go, and whether it may replace a file.
struct ReportRules {
    bool replace = false;                    // an existing file is emptied (--force)
    const fsys::Folder* trees[2] = {};       // a report inside these folders is refused
    const char* treeNames[2] = {"ORIGINALS", "COPIES"};
    std::string journal;                     // the run's journal, which the report may not be
};

class ReportFile {
public:
    // A CSV file when the name ends in ".csv", JSON Lines otherwise. Made
    // new unless `rules.replace`; refused in the journals' default folder,
    // inside the trees and at the journal's name.
    bool Open(const std::string& path, std::string& error, const ReportRules& rules = {});
    // Removes the report when this run made it (the run stops before it began).
    void Discard();
    void Write(const engine::FileEvent& event);
    // Writes the summary (JSON Lines only) and closes; false when any write failed.
    bool Close(const std::string& summaryLine, std::string& error);
    ~ReportFile();

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    bool csv_ = false;
    bool made_ = false;
};

struct Outputs {
    bool json = false;      // JSON Lines on stdout
    bool quiet = false;     // errors only
    bool dryRunList = false;  // text lines for planned changes on stdout
    bool doneList = false;    // text lines for changes made on stdout (--verbose)
    std::string plannedVerb = "would touch";  // the start of those lines
    bool contentLines = true;  // a line on stderr for each copy whose content differs
    std::string doneVerb = "touched";
    // The changes set copies back (undo): the difference shown is the one
    // being taken back, so that it reads as on the lines of the fix.
    bool restoring = false;
    bool utc = false;         // times shown in UTC rather than local time
    std::string originalsRoot;  // for the paths named in messages
    std::string copiesRoot;
    ReportFile* report = nullptr;
    ProgressLine* progress = nullptr;
    // scan --list: the pairs named on stdout, as JSON Lines or one path a
    // line (after the kind's name when several kinds are listed).
    bool listJson = false;
    bool listTagged = false;
};

class CliObserver : public engine::Observer {
public:
    explicit CliObserver(const Outputs& outputs) : outputs_(outputs) {}
    void OnEvent(const engine::FileEvent& event) override;
    void OnListed(engine::Listed kind, const std::string& path) override;
    // At the end of the run: what the copies whose time was not kept have
    // in common, said once, or their lines.
    void Finish();

private:
    void Tell(const std::string& line);
    // The copy's path as shown: a folder's ends in a separator.
    std::string EventPath(const engine::FileEvent& event) const;
    void ChangeLine(const std::string& verb, const engine::FileEvent& event);
    std::string NotKeptLine(const engine::FileEvent& event) const;

    const Outputs outputs_;
    // Copies whose time was not kept: the first few, how many, and whether
    // all read back the same whole number of minutes away from the time set.
    std::vector<engine::FileEvent> notKeptHeld_;
    uint64_t notKept_ = 0;
    int64_t notKeptMinutes_ = 0;
    bool oneOffset_ = true;
};

// A count with thousands separators: "1,381".
std::string Grouped(uint64_t count);

// The path of a file or folder as named in messages: the folder given on the
// command line, then the relative path, shown safely.
std::string NamedPath(const std::string& root, const std::string& relative);

// A difference with its sign: "+1h", "-30m", "0s".
std::string SignedDuration(int64_t nanos);

}  // namespace cli
