// scan and fix against a manifest: the manifest read whole and checked
// before anything is walked, then either read again as the walk goes (when
// it is in the walk's order: little memory) or indexed by folder.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "engine/manifest_index.h"
#include "engine/manifest_stream.h"

namespace cli {

class Manifest {
public:
    Manifest() = default;
    ~Manifest();
    Manifest(const Manifest&) = delete;
    Manifest& operator=(const Manifest&) = delete;

    // Reads the manifest at `path` ("-": standard input, kept in a temporary
    // file for the second reading). False with a message naming the
    // manifest and the line when it cannot be read or trusted. With
    // `digests`, every file must have its SHA-256, which the originals then give.
    bool Load(const std::string& path, bool digests, std::string& error);

    engine::RecordedOriginals* originals();
    bool streamed() const { return stream_ != nullptr; }
    // After the walk: what went wrong in the second reading, if anything.
    std::string Problem() const;

private:
    std::string shown_;
    std::FILE* file_ = nullptr;  // the manifest, or its copy from standard input
    bool own_ = false;           // file_ is to be closed
    std::unique_ptr<engine::ManifestIndex> index_;
    std::unique_ptr<engine::ManifestStream> stream_;
};

}  // namespace cli
