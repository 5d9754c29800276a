#include "cli/summary.h"

#include <fmt/core.h>

#include "cli/observer.h"
#include "cli/platform.h"
#include "cli/records.h"
#include "cli/utf8.h"
#include "engine/duration.h"

namespace cli {

namespace {

constexpr int64_t kSecond = 1000000000;
constexpr int kBarWidth = 40;

std::string SignedSeconds(int64_t seconds)
{
    return (seconds > 0 ? "+" : "") + engine::FormatSeconds(seconds);
}

// The same with whole days counted as days from one day on: "+365d",
// "-2d3h", "+1h".
std::string SignedSpan(int64_t seconds)
{
    constexpr int64_t kDay = 86400;
    const int64_t days = seconds / kDay, rest = seconds % kDay;
    if (days == 0)
        return SignedSeconds(seconds);
    const int64_t magnitude = rest < 0 ? -rest : rest;
    return (seconds > 0 ? "+" : "-") + std::to_string(days < 0 ? -days : days) + "d" +
           (rest ? engine::FormatSeconds(magnitude) : "");
}

void Line(const char* label, uint64_t count)
{
    Print("{:<28}{:>12}\n", label, count);
}

// A word in double quotes as Windows programs read their command line back
// (CommandLineToArgvW): backslashes doubled only before a quote.
std::string WindowsQuoted(const std::string& word)
{
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + "\"";
}

}  // namespace

std::string ShellQuoted(const std::string& word)
{
    const bool windows = PathSeparator() == '\\';
    if (!word.empty() && word.find_first_not_of(windows ? "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                          "0123456789/\\._-+=:,@"
                                                        : "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                          "0123456789/._-+=:,@%") == std::string::npos)
        return word;
    if (windows)
        return WindowsQuoted(word);
    bool plain = true;
    uint32_t code;
    for (size_t at = 0; at < word.size() && plain;) {
        const size_t length = SequenceLength(word, at, code);
        plain = length != 0 && !IsControlCharacter(code);
        at += length;
    }
    if (plain) {
        std::string quoted = "'";
        for (char c : word)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }
    // A control character or a byte that is not UTF-8: written as \xNN in
    // $'...', which bash, zsh, ksh and the shells of POSIX.1-2024 read back to
    // the same bytes, and which shows nothing a terminal would act on.
    std::string quoted = "$'";
    for (size_t at = 0; at < word.size();) {
        const size_t length = SequenceLength(word, at, code);
        if (length == 0 || IsControlCharacter(code)) {
            for (size_t i = 0; i < (length ? length : 1); ++i)
                quoted += fmt::format("\\x{:02X}", static_cast<unsigned char>(word[at + i]));
            at += length ? length : 1;
            continue;
        }
        if (word[at] == '\'' || word[at] == '\\')
            quoted += '\\';
        quoted.append(word, at, length);
        at += length;
    }
    return quoted + "'";
}

std::string SuggestedFix(const Options& options, const engine::Totals& totals)
{
    const engine::DeltaHistogram::Suggestion suggestion = totals.differences.Suggest();
    if (suggestion.shifts.empty() && !suggestion.any)
        return "";
    const std::string originals =
        options.against.empty() ? ShellQuoted(options.originals) : "--against " + ShellQuoted(options.against);
    std::string shifts;
    for (const engine::Shift& shift : suggestion.shifts)
        shifts += " --shift " + engine::FormatShift(shift);
    // Times with no common value are repaired only on proof by content; a
    // scan that compared contents suggests a fix that does too.
    if (suggestion.any)
        shifts = " --shift any --verify";
    else if (options.verify)
        shifts += " --verify";
    return "kelvora-cli fix " + originals + " " + ShellQuoted(options.copies) + shifts + " --dry-run";
}

void PrintScanText(const Options& options, const engine::Totals& totals, double seconds)
{
    Line("Originals", totals.originals);
    Line("Copies found", totals.pairs);
    Line("  same size", totals.sameSize);
    Line("    equal times", totals.equalTimes);
    if (!options.rule.shifts.empty())
        Line("    matching --shift", totals.matched);
    Line("  other size", totals.otherSize);
    Line("Missing copies", totals.missing);
    Line("Copies without an original", totals.orphans);
    if (totals.skipped)
        Line("Not regular files (skipped)", totals.skipped);
    if (totals.verified) {
        Line("Contents compared", totals.compared);
        Line("  content differs", totals.contentDiffers);
    }
    if (totals.changed)
        Line("Changed during the run", totals.changed);
    if (totals.failed + totals.unreadable)
        Line("Failures", totals.failed + totals.unreadable);
    const auto top = totals.differences.Top(static_cast<size_t>(options.top));
    if (!top.empty()) {
        Print("\nMost common differences, copy minus original (same size):\n");
        const uint64_t most = top.front().second;
        for (const auto& [difference, count] : top) {
            const int width = static_cast<int>((count * kBarWidth + most - 1) / most);
            Print("  {:>12} {:>10}  {}\n", SignedSpan(difference), Grouped(count),
                       std::string(static_cast<size_t>(width), '#'));
        }
    }
    const std::string fix = SuggestedFix(options, totals);
    const engine::DeltaHistogram::Suggestion suggestion = totals.differences.Suggest();
    const char* why = suggestion.any ? "The differences have no common value (times reset rather than shifted?): "
                                       "only a comparison of contents can tell copies from edits"
                    : suggestion.shifts.size() > 1 ? "A few differences dominate"
                                                   : "One difference dominates";
    if (!fix.empty())
        Print("\n{}; to see what would be repaired:\n  {}\n", why, ShownPath(fix, true));
    Print("\nTime taken: {:.2f} s\n", seconds);
}

void PrintScanJson(const Options& options, const engine::Totals& totals, double seconds)
{
    for (const auto& [difference, count] : totals.differences.Top(static_cast<size_t>(options.top))) {
        nlohmann::ordered_json line;
        line["event"] = "difference";
        line["seconds"] = difference;
        line["text"] = SignedSeconds(difference);
        line["count"] = count;
        Print("{}\n", line.dump());
    }
    nlohmann::ordered_json summary = SummaryJson("scan", false, totals, seconds);
    const std::string fix = SuggestedFix(options, totals);
    if (!fix.empty())
        summary["suggested"] = ShownPath(fix, false);
    Print("{}\n", summary.dump());
}

void PrintFixText(const Options& options, const engine::Totals& totals, double seconds)
{
    if (options.dryRun)
        Print("Dry run: nothing was changed.\n");
    Line("Pairs", totals.pairs);
    Line("Matches", totals.matched);
    Line(options.dryRun ? "Would be touched" : "Touched", options.dryRun ? totals.matched : totals.touched);
    if (totals.folders) {
        Line("Folders", totals.folderPairs);
        Line("  matches", totals.foldersMatched);
        Line(options.dryRun ? "  would be touched" : "  touched",
             options.dryRun ? totals.foldersMatched : totals.foldersTouched);
    }
    Line("Failed", totals.failed + totals.unreadable);
    if (totals.notKept)
        Line("Time not kept", totals.notKept);
    Line("Changed during the run", totals.changed);
    Line("Skipped (not regular files)", totals.skipped);
    if (totals.hardLinked)
        Line("Hard links, left alone", totals.hardLinked);
    if (totals.verified) {
        Line("Contents compared", totals.compared);
        Line("Content differs, left alone", totals.contentDiffers);
    } else {
        Print("Matches rest on size and time alone; --verify compares contents too.\n");
    }
    if (totals.interrupted)
        Print("Interrupted: the rest was left as it was.\n");
    Print("{:<28}{:>10.2f} s\n", "Time taken", seconds);
}

}  // namespace cli
