// What the front end does with each event of a run: JSON Lines on stdout,
// a line in the report file, a message on stderr for every failure, and the
// list of a dry run.
#pragma once

#include <cstdio>
#include <cstdint>
#include <string>

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
    std::string plannedVerb = "would touch";  // the start of those lines
    bool contentLines = true;  // a line on stderr for each copy whose content differs
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

private:
    void Tell(const std::string& line);
    const Outputs outputs_;
};

// The path of a file or folder as named in messages: the folder given on the
// command line, then the relative path, shown safely.
std::string NamedPath(const std::string& root, const std::string& relative);

// A difference with its sign: "+1h", "-30m", "0s".
std::string SignedDuration(int64_t nanos);

}  // namespace cli
