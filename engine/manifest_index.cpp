#include "engine/manifest_index.h"

#include <algorithm>

namespace engine {

namespace {

void Split(const std::string& path, std::string& folder, std::string& name)
{
    const size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? "" : path.substr(0, slash);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Line(uint64_t line) { return "line " + std::to_string(line) + ": "; }

}  // namespace

bool UsableEntry(const MtreeEntry& entry, std::string& error)
{
    if (entry.kind != fsys::Kind::Regular)
        return true;
    if (!entry.hasSize)
        error = Line(entry.line) + "a file without its size (size=N)";
    else if (!entry.hasTime)
        error = Line(entry.line) + "a file without its time (time=SECONDS.NANOSECONDS)";
    return error.empty();
}

ManifestIndex::Folder& ManifestIndex::Ensure(const std::string& path, uint64_t line)
{
    auto found = folders_.find(path);
    if (found != folders_.end())
        return found->second;
    if (!path.empty()) {
        std::string parent, name;
        Split(path, parent, name);
        Record record;
        record.name = name;
        record.kind = fsys::Kind::Folder;
        record.implied = true;
        record.line = line;
        Ensure(parent, line).records.push_back(std::move(record));
    }
    return folders_[path];
}

bool ManifestIndex::Add(MtreeEntry&& entry, std::string& error)
{
    if (entry.path.empty())
        return true;  // the top
    if (!UsableEntry(entry, error))
        return false;
    if (entry.kind == fsys::Kind::Regular) {
        ++files_;
        allDigests_ = allDigests_ && entry.hasDigest;
    }
    std::string folder, name;
    Split(entry.path, folder, name);
    Record record;
    record.name = std::move(name);
    record.kind = entry.kind;
    record.size = entry.size;
    record.modified = entry.modified;
    record.line = entry.line;
    if (keepDigests_ && entry.hasDigest && digests_.size() < kNoDigest) {
        record.digest = static_cast<uint32_t>(digests_.size());
        digests_.push_back(entry.sha256);
    }
    Ensure(folder, entry.line).records.push_back(std::move(record));
    if (entry.kind == fsys::Kind::Folder)
        Ensure(entry.path, entry.line);
    return true;
}

bool ManifestIndex::Finish(std::string& error)
{
    for (auto& [path, folder] : folders_) {
        auto& records = folder.records;
        std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
            return a.name != b.name ? a.name < b.name : a.implied > b.implied;
        });
        std::vector<Record> kept;
        kept.reserve(records.size());
        for (Record& record : records) {
            if (kept.empty() || kept.back().name != record.name) {
                kept.push_back(std::move(record));
                continue;
            }
            Record& before = kept.back();
            const std::string shown = path.empty() ? record.name : path + "/" + record.name;
            if (before.implied && record.kind == fsys::Kind::Folder) {
                before = std::move(record);  // the folder's own entry
                continue;
            }
            if (before.implied && record.implied)
                continue;
            const uint64_t first = std::min(before.line, record.line);
            const uint64_t second = std::max(before.line, record.line);
            if (before.implied) {
                error = Line(record.line) + "\"" + shown + "\" is not a folder, but line " +
                        std::to_string(before.line) + " puts something inside it";
                return false;
            }
            error = Line(second) + "duplicate path \"" + shown + "\" (first at line " + std::to_string(first) + ")";
            return false;
        }
        records.swap(kept);
        records.shrink_to_fit();
    }
    return true;
}

bool ManifestIndex::FolderOf(const std::string& path, std::vector<fsys::Entry>& entries,
                             std::vector<fsys::Facts>& facts, std::vector<RecordedDigest>* digests)
{
    entries.clear();
    facts.clear();
    if (digests)
        digests->clear();
    const auto found = folders_.find(path);
    if (found == folders_.end())
        return false;
    for (const Record& record : found->second.records) {
        entries.push_back({record.name, record.kind});
        fsys::Facts fact;
        fact.kind = record.kind;
        fact.size = record.size;
        fact.modified = record.modified;
        facts.push_back(fact);
        if (digests) {
            RecordedDigest digest;
            digest.known = record.digest != kNoDigest;
            if (digest.known)
                digest.sha256 = digests_[record.digest];
            digests->push_back(digest);
        }
    }
    return true;
}

}  // namespace engine
