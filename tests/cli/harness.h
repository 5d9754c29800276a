// Real trees in a temporary folder for the command-line program's tests, and
// a way to run the program and read what it printed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fsys/fsys.h"

namespace harness {

constexpr int64_t kS = 1000000000;

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it at
// the end (permissions and the immutable flag put back first).
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Writes a file with `size` bytes (folders made as needed) and sets its
// modification time, and its access time, in nanoseconds since 1970.
void WriteFile(const std::string& path, size_t size, int64_t modifiedNanos, int64_t accessedNanos = -1);
void SetTimes(const std::string& path, int64_t modifiedNanos, int64_t accessedNanos = -1);
// Writes `bytes` over the file's start (made if needed, never shortened,
// other processes' sharing allowed), leaving its times as writing leaves them.
void WriteBytes(const std::string& path, const std::string& bytes);
int64_t ModifiedNanos(const std::string& path);
void MakeFolders(const std::string& path);
// The bytes WriteFile puts in a file of `size` bytes at `path`.
std::string Content(const std::string& path, size_t size);

// An original and its copy at `relative`, the copy's time `deltaNanos` away.
struct Pair {
    std::string relative;
    size_t size;
    int64_t originalNanos;
    int64_t deltaNanos;
    size_t copySize = 0;  // 0: the original's size
};
void WritePairs(const std::string& originals, const std::string& copies, const std::vector<Pair>& pairs);

// Every entry below `root` with what must not change unasked: kind, mode,
// size, content, link target, both times.
struct EntryState {
    char kind;
    unsigned mode;
    int64_t size;
    int64_t modified, accessed;
    std::string content;  // of files; target of links
    bool operator==(const EntryState& o) const;
};
using Snapshot = std::map<std::string, EntryState>;
Snapshot Take(const std::string& root);
// The names whose states differ (or that are on one side only).
std::vector<std::string> Differences(const Snapshot& before, const Snapshot& after);

struct Result {
    int status = -1;
    std::string out, err;
};

struct RunOptions {
    // Run without the right to read what permissions forbid, even as root.
    bool withoutOverride = false;
    // Called in the parent once the program runs, with its process id.
    std::function<void(pid_t)> whileRunning;
    // XDG_STATE_HOME of the program (its journals go below it); empty: a
    // folder of the test process, removed at its end.
    std::string stateHome;
    // Further NAME=VALUE settings of its environment.
    std::vector<std::string> environment;
    // When not 0, the most files the program may hold open (POSIX only).
    long openFileLimit = 0;
    // When not 0, the largest file the program may write, in bytes (POSIX only).
    long fileSizeLimit = 0;
    // A command (looked up in PATH) that runs the program: the program and
    // its arguments are appended to it (POSIX only).
    std::vector<std::string> prefix;
    // The program's stdout: this file (/dev/full, say) instead of a pipe the
    // test reads; or, when `closedOutput`, a pipe whose reader is gone.
    std::string outputFile;
    bool closedOutput = false;
    // The folder the program runs in; empty: the test's own.
    std::string workingFolder;
};

// The XDG_STATE_HOME the program is given when a test names none.
const std::string& DefaultStateHome();

// Runs the command-line program with these arguments.
Result Run(const std::vector<std::string>& args, const RunOptions& options = {});

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// The whole content of a file; empty when it cannot be read.
std::string ReadText(const std::string& path);

// The journals the program keeps under this XDG_STATE_HOME, by name, which
// puts them oldest first.
std::vector<std::string> JournalsIn(const std::string& stateHome);

}  // namespace harness
