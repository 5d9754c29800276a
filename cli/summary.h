// The text printed at the end of a run.
#pragma once

#include <string>

#include "cli/options.h"
#include "engine/repair.h"

namespace cli {

void PrintScanText(const Options& options, const engine::Totals& totals, double seconds);
void PrintScanJson(const Options& options, const engine::Totals& totals, double seconds);
void PrintFixText(const Options& options, const engine::Totals& totals, double seconds);

// The fix command that would repair the dominant difference, or "".
std::string SuggestedFix(const Options& options, const engine::Totals& totals);

// A word safe to paste into the system's shell: a POSIX shell, or on
// Windows the command prompt.
std::string ShellQuoted(const std::string& word);

}  // namespace cli
