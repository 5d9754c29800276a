#include "cli/against.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "cli/manifest_file.h"

namespace cli {

namespace {

constexpr size_t kChunk = 1 << 16;

// Reads `file` to its end through `reader`, copying the bytes to `copy` if given.
bool ReadThrough(std::FILE* file, engine::MtreeReader& reader, std::FILE* copy, std::string& why)
{
    std::vector<char> buffer(kChunk);
    for (;;) {
        const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        if (got && copy && std::fwrite(buffer.data(), 1, got, copy) != got) {
            why = std::string("cannot keep a copy of standard input: ") + std::strerror(errno);
            return false;
        }
        if (got && !reader.Feed(buffer.data(), got, why))
            return false;
        if (got < buffer.size()) {
            if (std::ferror(file)) {
                why = std::string("cannot be read: ") + std::strerror(errno);
                return false;
            }
            return reader.Finish(why);
        }
    }
}

}  // namespace

Manifest::~Manifest()
{
    stream_.reset();
    if (file_ && own_)
        std::fclose(file_);
}

engine::RecordedOriginals* Manifest::originals()
{
    if (stream_)
        return stream_.get();
    return index_.get();
}

std::string Manifest::Problem() const
{
    if (stream_ && stream_->failed())
        return shown_ + " changed during the run: " + stream_->error();
    return "";
}

bool Manifest::Load(const std::string& path, bool digests, std::string& error)
{
    const bool standardInput = path == "-";
    shown_ = standardInput ? std::string("the manifest on standard input") : "manifest \"" + path + "\"";
    std::string why;
    std::FILE* input = standardInput ? ManifestStdin() : OpenManifestFile(path, why);
    if (!input) {
        error = shown_ + ": " + why;
        return false;
    }
    // Standard input is read once: a copy of it is kept for the second
    // reading. Where no temporary file can be made, it is indexed at once.
    std::FILE* copy = standardInput ? std::tmpfile() : nullptr;
    file_ = standardInput ? copy : input;
    own_ = file_ != nullptr;
    const bool again = file_ != nullptr;

    engine::WalkOrder order;
    if (!again)
        index_ = std::make_unique<engine::ManifestIndex>(digests);
    uint64_t files = 0, withDigest = 0, firstWithout = 0;
    engine::MtreeReader first([&](engine::MtreeEntry&& entry, std::string& message) {
        if (!engine::UsableEntry(entry, message))
            return false;
        if (entry.kind == fsys::Kind::Regular) {
            ++files;
            withDigest += entry.hasDigest;
            if (!entry.hasDigest && !firstWithout)
                firstWithout = entry.line;
        }
        order.Add(entry);
        return index_ ? index_->Add(std::move(entry), message) : true;
    });
    bool ok = ReadThrough(input, first, copy, why);
    // Proof against a manifest rests on its digests: one without them is
    // refused before anything is walked.
    if (ok && digests && withDigest == 0 && files > 0) {
        why = "it records no SHA-256 digests (sha256digest), which --verify compares each copy with "
              "(kelvora-cli manifest --digest sha256 writes them)";
        ok = false;
    } else if (ok && digests && withDigest < files) {
        why = "line " + std::to_string(firstWithout) +
              ": a file without its SHA-256 digest (sha256digest), which --verify compares the copy with";
        ok = false;
    }
    if (ok && again && std::fflush(file_) != 0) {
        why = std::string("cannot keep a copy of standard input: ") + std::strerror(errno);
        ok = false;
    }
    if (ok && again && !order.kept()) {
        // Another order: read again into an index by folder.
        std::rewind(file_);
        index_ = std::make_unique<engine::ManifestIndex>(digests);
        engine::MtreeReader second([this](engine::MtreeEntry&& entry, std::string& message) {
            return index_->Add(std::move(entry), message);
        });
        ok = ReadThrough(file_, second, nullptr, why);
    }
    if (ok && index_)
        ok = index_->Finish(why);
    if (!ok) {
        error = shown_ + ": " + why + "; nothing was changed";
        index_.reset();
        return false;
    }
    if (!index_) {
        std::rewind(file_);
        std::FILE* file = file_;
        stream_ = std::make_unique<engine::ManifestStream>([file](std::string& bytes) {
            bytes.resize(kChunk);
            const size_t got = std::fread(&bytes[0], 1, bytes.size(), file);
            bytes.resize(got);
            return got > 0;
        });
    }
    return true;
}

}  // namespace cli
