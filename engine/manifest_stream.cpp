#include "engine/manifest_stream.h"

#include <algorithm>
#include <memory>

namespace engine {

namespace {

std::string FolderOfPath(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string NameOfPath(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

size_t Depth(const std::string& path)
{
    return path.empty() ? 0 : 1 + static_cast<size_t>(std::count(path.begin(), path.end(), '/'));
}

}  // namespace

bool WalkBefore(const std::string& a, const std::string& b)
{
    const size_t da = Depth(a), db = Depth(b);
    if (da != db)
        return da < db;
    // Same depth: name by name, which is the order of the bytes with "/"
    // taken as lower than any other byte.
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        if (a[i] == '/')
            return true;
        if (b[i] == '/')
            return false;
        return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
    }
    return a.size() < b.size();
}

bool WalkOrder::Add(const MtreeEntry& entry)
{
    if (!kept_)
        return false;
    if (entry.path.empty()) {
        kept_ = !started_;  // the top, first
        started_ = true;
        return kept_;
    }
    started_ = true;
    const std::string folder = FolderOfPath(entry.path);
    const std::string name = NameOfPath(entry.path);
    if (folder != folder_) {
        if (!WalkBefore(folder_, folder)) {
            kept_ = false;
            return false;
        }
        // The folder must have been named; those named before it and never
        // reached are empty.
        while (!named_.empty() && WalkBefore(named_.front(), folder))
            named_.pop_front();
        if (named_.empty() || named_.front() != folder) {
            kept_ = false;
            return false;
        }
        named_.pop_front();
        folder_ = folder;
        last_.clear();
    } else if (!last_.empty() && !(last_ < name)) {
        kept_ = false;
        return false;
    }
    last_ = name;
    if (entry.kind == fsys::Kind::Folder)
        named_.push_back(entry.path);
    return true;
}

bool ManifestStream::Peek()
{
    if (!reader_)
        reader_ = std::make_unique<MtreeReader>([this](MtreeEntry&& entry, std::string&) {
            if (!entry.path.empty())
                pending_.push_back(std::move(entry));
            return true;
        });
    std::string bytes;
    while (pending_.empty() && !ended_ && error_.empty()) {
        std::string why;
        if (!source_(bytes)) {
            ended_ = true;
            if (!reader_->Finish(why))
                error_ = why;
        } else if (!reader_->Feed(bytes.data(), bytes.size(), why)) {
            error_ = why;
        }
    }
    if (!error_.empty())
        pending_.clear();
    return !pending_.empty();
}

void ManifestStream::Group(const std::string& folder, std::vector<fsys::Entry>& entries,
                           std::vector<fsys::Facts>& facts, std::vector<RecordedDigest>* digests)
{
    entries.clear();
    facts.clear();
    if (digests)
        digests->clear();
    while (Peek() && FolderOfPath(pending_.front().path) == folder) {
        MtreeEntry& entry = pending_.front();
        entries.push_back({NameOfPath(entry.path), entry.kind});
        fsys::Facts fact;
        fact.kind = entry.kind;
        fact.size = entry.size;
        fact.modified = entry.modified;
        facts.push_back(fact);
        if (digests)
            digests->push_back({entry.hasDigest, entry.sha256});
        if (entry.kind == fsys::Kind::Folder)
            named_.push_back(entry.path);
        pending_.pop_front();
    }
}

bool ManifestStream::Advance(const std::string& path, std::vector<fsys::Entry>& entries,
                             std::vector<fsys::Facts>& facts, std::vector<RecordedDigest>* digests)
{
    if (digests)
        digests->clear();
    if (path.empty()) {
        Group("", entries, facts, digests);
        return true;
    }
    for (;;) {
        // Folders named before `path`: passed, with their entries.
        while (!named_.empty() && WalkBefore(named_.front(), path)) {
            const std::string folder = named_.front();
            named_.pop_front();
            Group(folder, entries, facts);
            if (passed_)
                passed_(folder, entries, facts);
        }
        if (named_.empty() || named_.front() != path) {
            entries.clear();
            facts.clear();
            return false;
        }
        named_.pop_front();
        Group(path, entries, facts, digests);
        return true;
    }
}

bool ManifestStream::FolderOf(const std::string& path, std::vector<fsys::Entry>& entries,
                              std::vector<fsys::Facts>& facts, std::vector<RecordedDigest>* digests)
{
    return Advance(path, entries, facts, digests) && error_.empty();
}

void ManifestStream::Finish()
{
    std::vector<fsys::Entry> entries;
    std::vector<fsys::Facts> facts;
    while (!named_.empty()) {
        const std::string folder = named_.front();
        named_.pop_front();
        Group(folder, entries, facts);
        if (passed_)
            passed_(folder, entries, facts);
    }
}

}  // namespace engine
