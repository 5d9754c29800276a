// A manifest in the order in which the repair walks, read as the walk goes:
// one folder's originals in memory at a time.
//
// That order is the one `kelvora-cli manifest` writes: the entries of each
// folder together, their names in increasing byte order, the folders
// breadth-first (by depth, then by the names of their path), each folder
// named by a "type=dir" entry in its parent's before its own entries.
// WalkOrder tells whether a manifest keeps it; ManifestStream then joins it
// with a walk on one thread, which asks for the folders in that same order.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/mtree_reader.h"
#include "engine/recorded.h"

namespace engine {

// True when folder path `a` comes before `b` in the walk's order.
bool WalkBefore(const std::string& a, const std::string& b);

class WalkOrder {
public:
    // False from the first entry out of that order on.
    bool Add(const MtreeEntry& entry);
    bool kept() const { return kept_; }

private:
    bool kept_ = true;
    bool started_ = false;
    std::string folder_;             // of the entries being read
    std::string last_;               // the last name in it
    std::deque<std::string> named_;  // folders named, whose entries are still to come
};

class ManifestStream : public RecordedOriginals {
public:
    // Gives the next bytes of the manifest (from its start); false at its end.
    using Source = std::function<bool(std::string& bytes)>;
    explicit ManifestStream(Source source) : source_(std::move(source)) {}
    bool InWalkOrder() const override { return true; }
    void OnPassed(Passed passed) override { passed_ = std::move(passed); }

    // To be called in the walk's order, from one thread.
    bool FolderOf(const std::string& path, std::vector<fsys::Entry>& entries, std::vector<fsys::Facts>& facts,
                  std::vector<RecordedDigest>* digests = nullptr) override;
    // The walk is over: the folders left are passed.
    void Finish() override;

    // False once the bytes read differ from those checked before (the
    // manifest's file changed in between): `error` says so.
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

private:
    bool Peek();  // an entry in `pending_`, or the end
    // Reads the folders before `path`, passing them, and stops at `path`.
    bool Advance(const std::string& path, std::vector<fsys::Entry>& entries, std::vector<fsys::Facts>& facts,
                 std::vector<RecordedDigest>* digests);
    void Group(const std::string& folder, std::vector<fsys::Entry>& entries, std::vector<fsys::Facts>& facts,
               std::vector<RecordedDigest>* digests = nullptr);

    Source source_;
    Passed passed_;
    std::unique_ptr<MtreeReader> reader_;
    std::deque<MtreeEntry> pending_;
    std::deque<std::string> named_;  // folders named and not yet reached
    bool ended_ = false;
    std::string error_;
};

}  // namespace engine
