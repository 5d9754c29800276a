// The command line as users of rsync, rclone and git type it: short options,
// options before the command, mistyped commands, options and durations, and
// help pages that say what each command does and how it ends.
#include <fstream>

#include <gtest/gtest.h>

#include "cli/mistakes.h"
#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;  // 2010-01-01T00:00:00Z

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(CommandLine, ShortOptionsAreTheLongOnes)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 3, kT, kHour}, {"d/b", 4, kT, kHour}});
    const auto dry = harness::Run({"fix", "-n", scratch / "o", scratch / "c", "--shift", "1h", "-j", "2"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_TRUE(Has(dry.out, "would touch " + scratch / "c/a")) << dry.out;
    EXPECT_TRUE(Has(dry.out, "would touch " + scratch / "c/d/b")) << dry.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT + kHour);

    const auto quiet = harness::Run({"scan", "-q", scratch / "o", scratch / "c"});
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");

    for (const std::vector<std::string>& args : {std::vector<std::string>{"-V"}, {"--version"}, {"version"}}) {
        const auto version = harness::Run(args);
        EXPECT_EQ(version.status, 0) << args[0] << version.err;
        EXPECT_EQ(version.out.rfind("kelvora-cli ", 0), 0u) << args[0] << version.out;
        EXPECT_EQ(harness::Lines(version.out).size(), 1u) << version.out;
    }

    // -v lists every copy touched, in the form of the dry run's lines.
    const auto verbose = harness::Run({"fix", "-v", scratch / "o", scratch / "c", "--shift", "1h"});
    EXPECT_EQ(verbose.status, 0) << verbose.err;
    for (const std::string& copy : {scratch / "c/a", scratch / "c/d/b"}) {
        EXPECT_TRUE(Has(verbose.out, "touched " + copy + "  ")) << verbose.out;
        EXPECT_EQ(harness::ModifiedNanos(copy), kT);
    }
    const auto restore = harness::Run({"undo", "--last", "-v"});
    EXPECT_EQ(restore.status, 0) << restore.err;
    EXPECT_TRUE(Has(restore.out, "restored " + scratch / "c/d/b  ")) << restore.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/d/b"), kT + kHour);
}

TEST(CommandLine, ModifyWindowIsTheTolerance)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 3, kT, kHour + 30 * kS}});
    const auto strict = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--no-journal"});
    EXPECT_EQ(strict.status, 0) << strict.err;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT + kHour + 30 * kS);
    const auto wide =
        harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--modify-window", "1m", "--no-journal"});
    EXPECT_EQ(wide.status, 0) << wide.err;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT);
    // rsync's --modify-window takes a bare number of seconds: told the unit.
    const auto bare = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--modify-window=1"});
    EXPECT_EQ(bare.status, 2);
    EXPECT_TRUE(Has(bare.err, "--modify-window \"1\" is not a DURATION; did you mean 1s?")) << bare.err;
}

TEST(CommandLine, OptionsBeforeTheCommandAreToldTheirPlace)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 3, kT, kHour}});
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--dry-run", "fix", scratch / "o", scratch / "c", "--shift", "1h"},
         "--dry-run goes after the command: kelvora-cli fix --dry-run ..."},
        {{"-n", "fix", scratch / "o", scratch / "c", "--shift", "1h"},
         "-n goes after the command: kelvora-cli fix -n ..."},
        {{"--jobs=2", "scan", scratch / "o", scratch / "c"}, "--jobs goes after the command: kelvora-cli scan --jobs"},
        {{"-v"}, "-v is an option of fix and undo, given after the command: kelvora-cli fix -v ..."},
        {{"--folders", "scan"}, "--folders is an option of fix, given after the command"},
        {{"--frobnicate", "scan"}, "unknown option \"--frobnicate\""},
        {{"--dryrun", "fix"}, "unknown option \"--dryrun\"; did you mean --dry-run?"},
    };
    for (const auto& c : cases) {
        const auto run = harness::Run(c.args);
        EXPECT_EQ(run.status, 2) << c.args[0];
        EXPECT_TRUE(Has(run.err, "kelvora-cli: " + c.message)) << c.args[0] << ": " << run.err;
        EXPECT_FALSE(Has(run.err, "A subcommand is required")) << run.err;
        EXPECT_FALSE(Has(run.err, "not expected")) << run.err;
    }
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT + kHour);
    const auto none = harness::Run({});
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(Has(none.err, "a command is required: scan, fix, undo")) << none.err;
}

TEST(CommandLine, MistakesGetTheNearestValidForm)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 3, kT, kHour}});
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"sacn", scratch / "o", scratch / "c"}, "unknown command \"sacn\"; did you mean scan?"},
        {{"fxi"}, "unknown command \"fxi\"; did you mean fix?"},
        {{"journal"}, "unknown command \"journal\"; did you mean journals?"},
        {{"frobnicate"}, "unknown command \"frobnicate\"\nThe commands are scan, fix, undo"},
        {{"help", "sacn"}, "no command \"sacn\"; did you mean scan?"},
        {{"fix", scratch / "o", scratch / "c", "--shift", "1h", "--dry-rn"},
         "fix has no option --dry-rn; did you mean --dry-run?"},
        {{"scan", scratch / "o", scratch / "c", "--folders"}, "scan has no option --folders"},
        {{"scan", scratch / "o", scratch / "c", "extra"}, "scan takes no further argument: \"extra\""},
        {{"fix", scratch / "o", scratch / "c", "--shift", "1h", "--journal", scratch / "j", "--dry-run"},
         "--journal has no use with --dry-run"},
        {{"undo", scratch / "j", "--journal", scratch / "k", "-n"}, "--journal has no use with --dry-run"},
        {{"journals", "--prune", "--older-than", "90days"}, "--older-than \"90days\" is not an age: did you mean 90d?"},
    };
    for (const auto& c : cases) {
        const auto run = harness::Run(c.args);
        EXPECT_EQ(run.status, 2) << c.args[0];
        EXPECT_TRUE(Has(run.err, "kelvora-cli: " + c.message)) << c.args[0] << ": " << run.err;
    }
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT + kHour);
}

TEST(CommandLine, ShiftsAndDurationsOutsideTheGrammarGetTheirNearestForm)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 3, kT, kHour}});
    const struct {
        const char* typed;
        const char* meant;  // "" when there is no near form
    } shifts[] = {
        {"1 h", "1h"}, {"1H", "1h"}, {"1hour", "1h"}, {"60min", "60m"}, {"3600", "3600s"}, {"1.5h", "1h30m"},
        {"+1 hours", "+1h"}, {"-90 Minutes", "-90m"}, {"30m1h", "1h30m"}, {"1d", "24h"}, {"1,5h", "1h30m"},
        {"1.5s", ""}, {"1h30", ""}, {"abc", ""}, {"h", ""}, {"", ""},
    };
    for (const auto& shift : shifts) {
        const auto run = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", shift.typed});
        EXPECT_EQ(run.status, 2) << shift.typed;
        const std::string start = std::string("kelvora-cli: --shift \"") + shift.typed + "\" is not a SHIFT";
        if (*shift.meant)
            EXPECT_EQ(run.err, start + "; did you mean " + shift.meant + "?\n") << shift.typed;
        else
            EXPECT_TRUE(Has(run.err, start + ": write it as 1h, 90m, 1h30m or 3600s")) << run.err;
        EXPECT_LT(run.err.size(), 160u) << run.err;
    }
    const auto tolerance = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--tolerance", "+2s"});
    EXPECT_EQ(tolerance.err, "kelvora-cli: --tolerance \"+2s\" is not a DURATION; did you mean 2s?\n");
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT + kHour);
    // Every hint is itself valid, and valid forms get none.
    for (const auto& shift : shifts)
        EXPECT_EQ(cli::DurationHint(shift.meant, true), "") << shift.meant;
    EXPECT_EQ(cli::DurationHint("-1h", false), "1h");
    EXPECT_EQ(cli::DurationHint("99999999999h", true), "");
}

TEST(CommandLine, HelpPagesShowNoParserWordsAndTheirOwnExitStatus)
{
    const std::vector<std::string> commands = {"scan", "fix", "undo", "journals", "manifest", "version", "help"};
    for (const std::string& command : commands) {
        const auto asked = harness::Run({"help", command});
        const auto option = harness::Run({command, "--help"});
        EXPECT_EQ(asked.status, 0) << command << asked.err;
        EXPECT_EQ(option.status, 0) << command << option.err;
        EXPECT_EQ(asked.out, option.out) << command;
        EXPECT_EQ(asked.out.rfind("Usage: kelvora-cli " + command, 0), 0u) << asked.out;
        for (const char* internal : {"TEXT", "REQUIRED", "INT", "Excludes", "Needs", " in [", "SUBCOMMAND"})
            EXPECT_FALSE(Has(asked.out, internal)) << command << " shows " << internal << ":\n" << asked.out;
        EXPECT_TRUE(Has(asked.out, "Exit status: 0")) << asked.out;
    }
    const auto top = harness::Run({"--help"});
    EXPECT_EQ(top.status, 0);
    EXPECT_EQ(top.out.rfind("Usage: kelvora-cli [--version] [--help] COMMAND", 0), 0u) << top.out;
    EXPECT_FALSE(Has(top.out, "SUBCOMMAND")) << top.out;
    // Each command's status is its own: scan and journals repair nothing.
    EXPECT_TRUE(Has(harness::Run({"help", "fix"}).out, "could not be repaired"));
    EXPECT_TRUE(Has(harness::Run({"help", "fix"}).out, "143 stopped by SIGTERM"));
    for (const char* command : {"scan", "journals", "undo", "manifest"})
        EXPECT_FALSE(Has(harness::Run({"help", command}).out, "could not be repaired")) << command;
    EXPECT_TRUE(Has(harness::Run({"help", "journals"}).out, "a journal could not be read or removed"));
    EXPECT_TRUE(Has(harness::Run({"help", "scan"}).out, "a file or folder could not be read"));
}

TEST(CommandLine, FailuresNameWhatFailed)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 3, kT, kHour}});
    // A report onto a file that exists is refused without --force, and a
    // journal onto one always, --force or not: it may be another run's.
    { std::ofstream(scratch / "taken") << "kept\n"; }
    const auto report = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--report",
                                      scratch / "taken"});
    EXPECT_EQ(report.status, 2);
    EXPECT_TRUE(Has(report.err, "cannot write the report \"" + scratch / "taken" + "\"")) << report.err;
    for (const bool force : {false, true}) {
        std::vector<std::string> args = {"fix", scratch / "o", scratch / "c", "--shift", "1h", "--journal",
                                         scratch / "taken"};
        if (force)
            args.push_back("--force");
        const auto journal = harness::Run(args);
        EXPECT_EQ(journal.status, 2) << force;
        EXPECT_TRUE(Has(journal.err, scratch / "taken")) << journal.err;
        EXPECT_TRUE(Has(journal.err, "nothing was changed")) << journal.err;
    }
    std::ifstream kept(scratch / "taken");
    std::string line;
    std::getline(kept, line);
    EXPECT_EQ(line, "kept");
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT + kHour);
}
