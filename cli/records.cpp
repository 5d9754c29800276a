#include "cli/records.h"

#include "cli/utf8.h"
#include "engine/instant.h"

namespace cli {

namespace {

bool HasReadBack(const engine::FileEvent& event)
{
    return event.kind == engine::EventKind::Touched || event.kind == engine::EventKind::NotKept;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

const char* ProofName(engine::Proof proof)
{
    switch (proof) {
    case engine::Proof::Content: return "content";
    case engine::Proof::Digest: return "sha256";
    case engine::Proof::None: break;
    }
    return "";
}

const char* EventName(engine::EventKind kind)
{
    switch (kind) {
    case engine::EventKind::Planned: return "planned";
    case engine::EventKind::Touched: return "touched";
    case engine::EventKind::NotKept: return "not-kept";
    case engine::EventKind::Changed: return "changed";
    case engine::EventKind::Failed: return "failed";
    case engine::EventKind::Skipped: return "skipped";
    case engine::EventKind::Unreadable: return "unreadable";
    case engine::EventKind::ContentDiffers: return "content-differs";
    }
    return "unknown";
}

nlohmann::ordered_json EventJson(const engine::FileEvent& event)
{
    bool escaped = false;
    nlohmann::ordered_json json;
    json["event"] = EventName(event.kind);
    // A folder's path ends in "/" ("./" for the top), as rsync shows folders.
    json["path"] = ShownPath(event.folder ? (event.path.empty() ? "./" : event.path + "/") : event.path, false,
                             escaped);
    if (escaped)
        json["path_escaped"] = true;
    if (event.kind == engine::EventKind::Unreadable)
        json["side"] = event.side == engine::kOriginals ? "originals" : "copies";
    if (event.paired) {
        json["size"] = event.size;
        json["original"] = engine::IsoUtc(event.original);
        json["before"] = engine::IsoUtc(event.before);
        json["set"] = engine::IsoUtc(event.set);
    }
    if (HasReadBack(event))
        json["read_back"] = engine::IsoUtc(event.readBack);
    if (event.proof != engine::Proof::None)
        json["verified"] = ProofName(event.proof);
    if (!event.reason.empty())
        json["reason"] = event.reason;
    return json;
}

const engine::Listed kListedKinds[6] = {engine::Listed::Missing,    engine::Listed::Orphan,
                                        engine::Listed::OtherSize,  engine::Listed::EqualTimes,
                                        engine::Listed::Differing,  engine::Listed::Matching};

const char* ListedName(engine::Listed kind)
{
    switch (kind) {
    case engine::Listed::Missing: return "missing";
    case engine::Listed::Orphan: return "orphans";
    case engine::Listed::OtherSize: return "other-size";
    case engine::Listed::EqualTimes: return "equal";
    case engine::Listed::Differing: return "differing";
    case engine::Listed::Matching: return "matching";
    }
    return "unknown";
}

nlohmann::ordered_json ListedJson(engine::Listed kind, const std::string& path)
{
    bool escaped = false;
    nlohmann::ordered_json json;
    json["event"] = "listed";
    json["list"] = ListedName(kind);
    json["path"] = ShownPath(path, false, escaped);
    if (escaped)
        json["path_escaped"] = true;
    return json;
}

nlohmann::ordered_json SummaryJson(const char* command, bool dryRun, const engine::Totals& totals,
                           double seconds)
{
    nlohmann::ordered_json json;
    json["event"] = "summary";
    json["command"] = command;
    if (std::string(command) == "fix")
        json["dry_run"] = dryRun;
    json["originals"] = totals.originals;
    json["pairs"] = totals.pairs;
    json["same_size"] = totals.sameSize;
    json["equal_times"] = totals.equalTimes;
    json["other_size"] = totals.otherSize;
    json["missing"] = totals.missing;
    json["without_original"] = totals.orphans;
    json["matched"] = totals.matched;
    json["touched"] = totals.touched;
    json["not_kept"] = totals.notKept;
    json["changed"] = totals.changed;
    json["failed"] = totals.failed;
    json["skipped"] = totals.skipped;
    json["verified"] = totals.verified;
    json["compared"] = totals.compared;
    json["content_differs"] = totals.contentDiffers;
    if (std::string(command) == "fix")
        json["hard_linked"] = totals.hardLinked;
    if (totals.folders) {
        json["folder_pairs"] = totals.folderPairs;
        json["folders_matched"] = totals.foldersMatched;
        json["folders_touched"] = totals.foldersTouched;
    }
    json["unreadable_folders"] = totals.unreadable;
    json["interrupted"] = totals.interrupted;
    json["seconds"] = seconds;
    return json;
}

const char* const kCsvHeader = "event,path,path_escaped,size,original,before,set,read_back,reason";

std::string EventCsv(const engine::FileEvent& event)
{
    const nlohmann::ordered_json json = EventJson(event);
    const auto field = [&](const char* key) -> std::string {
        if (!json.contains(key))
            return "";
        const auto& value = json[key];
        return value.is_string() ? CsvField(value.get<std::string>()) : value.dump();
    };
    return field("event") + "," + field("path") + "," + (json.contains("path_escaped") ? "1" : "0") +
           "," + field("size") + "," + field("original") + "," + field("before") + "," +
           field("set") + "," + field("read_back") + "," + field("reason");
}

}  // namespace cli
