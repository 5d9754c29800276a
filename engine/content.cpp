#include "engine/content.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/sha256.h"

namespace engine {

namespace {

// The name no longer leads to a regular file: removed, or replaced by a link.
bool Gone(const fsys::Failure& failure)
{
    return failure.code == ENOENT || failure.code == ELOOP || failure.code == ENOTDIR;
}

bool AsListed(const fsys::Facts& now, const fsys::Facts& listed)
{
    return now.kind == fsys::Kind::Regular && now.device == listed.device && now.object == listed.object &&
           now.size == listed.size && now.modified == listed.modified;
}

// One side of a comparison: the file open, and its facts when it was opened.
struct Side {
    const char* label;  // "original" or "copy"
    fsys::FileHandle file;
    fsys::Facts facts;
    fsys::Instant statusChanged;
};

// Opens a side and checks it is still the file listed.
ContentVerdict Open(const fsys::Folder& folder, const std::string& name, const fsys::Facts& listed, Side& side,
                    std::string& reason)
{
    fsys::Failure failure;
    side.file = fsys::OpenContent(folder, name, listed.size, failure);
    if (!side.file) {
        if (Gone(failure)) {
            reason = std::string("the ") + side.label + " was removed or replaced since it was listed";
            return ContentVerdict::Changed;
        }
        reason = std::string(side.label) + ": cannot be read: " + failure.reason;
        return ContentVerdict::Failed;
    }
    if (!fsys::ContentFacts(*side.file, side.facts, side.statusChanged, failure)) {
        reason = std::string(side.label) + ": " + failure.reason;
        return ContentVerdict::Failed;
    }
    if (!AsListed(side.facts, listed)) {
        reason = std::string("the ") + side.label + " changed since it was listed";
        return ContentVerdict::Changed;
    }
    return ContentVerdict::Equal;
}

// After the reading: the same file, with the same size and times as when it
// was opened (a write in between moves the time of its last change, even
// where the writer put the modification time back).
ContentVerdict StillAsOpened(const Side& side, std::string& reason)
{
    fsys::Facts facts;
    fsys::Instant statusChanged;
    fsys::Failure failure;
    if (!fsys::ContentFacts(*side.file, facts, statusChanged, failure)) {
        reason = std::string(side.label) + ": " + failure.reason;
        return ContentVerdict::Failed;
    }
    if (!AsListed(facts, side.facts) || statusChanged != side.statusChanged) {
        reason = std::string("the ") + side.label + " changed while its content was read";
        return ContentVerdict::Changed;
    }
    return ContentVerdict::Equal;
}

// Fills `data` with `size` bytes; fewer only where the file ends sooner.
bool ReadPiece(Side& side, char* data, size_t size, size_t& got, std::string& reason)
{
    got = 0;
    while (got < size) {
        size_t n = 0;
        fsys::Failure failure;
        if (!fsys::ReadSome(*side.file, data + got, size - got, n, failure)) {
            reason = std::string(side.label) + ": cannot be read: " + failure.reason;
            return false;
        }
        if (n == 0)
            break;
        got += n;
    }
    return true;
}

// The bytes to read next: a piece, or what is left of the size the file had
// when it was opened. The reading stops there, without a last read to find
// the end: a file that grew meanwhile is caught by the look after reading.
size_t NextPiece(size_t piece, uint64_t size, uint64_t offset)
{
    return static_cast<size_t>(std::min<uint64_t>(piece, size - offset));
}

// Reads the sides in step, the same piece of each at a time, up to the size
// they were opened with, and hands each round's length to `take` (the bytes
// are in `buffers`), which returns false to stop there. A side that ends
// sooner was cut short since it was opened: Changed.
template <size_t N, typename Take>
ContentVerdict ReadInStep(Side (&sides)[N], char* const (&buffers)[N], size_t piece, uint64_t size,
                          const ContentCheck::Midway& midway, uint64_t& bytesRead, std::string& reason, Take take)
{
    for (uint64_t offset = 0; offset < size;) {
        const size_t want = NextPiece(piece, size, offset);
        for (size_t k = 0; k < N; ++k) {
            size_t got = 0;
            if (!ReadPiece(sides[k], buffers[k], want, got, reason))
                return ContentVerdict::Failed;
            bytesRead += got;
            if (got != want) {
                reason = std::string("the ") + sides[k].label + " changed while its content was read";
                return ContentVerdict::Changed;
            }
        }
        if (!take(want))
            break;
        if (offset == 0 && midway)
            midway();
        offset += want;
    }
    return ContentVerdict::Equal;
}

}  // namespace

size_t ContentPiece(int jobs)
{
    constexpr size_t kMost = size_t(1) << 20, kLeast = size_t(64) << 10, kAll = size_t(16) << 20;
    const size_t each = kAll / (2 * static_cast<size_t>(std::max(1, jobs)));
    return std::clamp(each, kLeast, kMost);
}

ContentCheck::ContentCheck(size_t piece) : piece_(std::max<size_t>(piece, 4096)) {}

void ContentCheck::Prepare()
{
    if (!first_) {
        first_.reset(new char[piece_]);
        second_.reset(new char[piece_]);
    }
}

ContentVerdict ContentCheck::Compare(const fsys::Folder& originals, const fsys::Folder& copies,
                                     const std::string& name, const fsys::Facts& original,
                                     const fsys::Facts& copy, const Midway& midway, std::string& reason)
{
    Prepare();
    Side sides[2] = {{"original", nullptr, {}, {}}, {"copy", nullptr, {}, {}}};
    ContentVerdict verdict = Open(originals, name, original, sides[0], reason);
    if (verdict == ContentVerdict::Equal)
        verdict = Open(copies, name, copy, sides[1], reason);
    if (verdict != ContentVerdict::Equal)
        return verdict;
    const uint64_t size = sides[0].facts.size;
    if (sides[1].facts.size != size) {
        reason = "its size differs from its original's";
        return ContentVerdict::Differs;
    }
    bool differs = false;
    char* const buffers[2] = {first_.get(), second_.get()};
    verdict = ReadInStep(sides, buffers, piece_, size, midway, bytesRead_, reason, [&](size_t length) {
        differs = std::memcmp(buffers[0], buffers[1], length) != 0;
        return !differs;
    });
    if (verdict != ContentVerdict::Equal)
        return verdict;
    for (const Side& side : sides)
        if ((verdict = StillAsOpened(side, reason)) != ContentVerdict::Equal)
            return verdict;
    if (differs) {
        reason = "its content differs from its original's";
        return ContentVerdict::Differs;
    }
    return ContentVerdict::Equal;
}

ContentVerdict ContentCheck::CheckDigest(const fsys::Folder& copies, const std::string& name,
                                         const fsys::Facts& copy, const Digest& expected, const Midway& midway,
                                         std::string& reason)
{
    Prepare();
    Side sides[1] = {{"copy", nullptr, {}, {}}};
    ContentVerdict verdict = Open(copies, name, copy, sides[0], reason);
    if (verdict != ContentVerdict::Equal)
        return verdict;
    Sha256 sha;
    char* const buffers[1] = {first_.get()};
    verdict = ReadInStep(sides, buffers, piece_, sides[0].facts.size, midway, bytesRead_, reason, [&](size_t length) {
        sha.Update(buffers[0], length);
        return true;
    });
    if (verdict == ContentVerdict::Equal)
        verdict = StillAsOpened(sides[0], reason);
    if (verdict != ContentVerdict::Equal)
        return verdict;
    if (sha.Finish() != expected) {
        reason = "its SHA-256 differs from the manifest's";
        return ContentVerdict::Differs;
    }
    return ContentVerdict::Equal;
}

}  // namespace engine
