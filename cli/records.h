// The machine-readable forms of events and totals: JSON objects (one a line)
// and CSV rows.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "engine/repair.h"

namespace cli {

const char* EventName(engine::EventKind kind);
// "content" or "sha256": how a change was proved; "" when it was not.
const char* ProofName(engine::Proof proof);

nlohmann::ordered_json EventJson(const engine::FileEvent& event);

// The kinds of pairs scan --list names, and their names on the command line.
extern const engine::Listed kListedKinds[6];
const char* ListedName(engine::Listed kind);
nlohmann::ordered_json ListedJson(engine::Listed kind, const std::string& path);

// The totals of a run; `command` is "scan" or "fix".
nlohmann::ordered_json SummaryJson(const char* command, bool dryRun, const engine::Totals& totals,
                           double seconds);

extern const char* const kCsvHeader;
std::string EventCsv(const engine::FileEvent& event);

}  // namespace cli
