// kelvora-cli: the command line, read with CLI11 and handed to the commands.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <CLI/CLI.hpp>

#include "cli/options.h"
#include "cli/output.h"
#include "cli/platform.h"
#include "cli/signals.h"
#include "engine/duration.h"

#ifndef KELVORA_VERSION
#define KELVORA_VERSION "0"
#endif

namespace {

const char* const kExitText =
    "Exit status: 0 done and nothing failed (nothing to do included); 1 at least one copy\n"
    "could not be repaired (failed, changed during the run, time not kept) or a folder\n"
    "could not be read; 2 usage or input error, nothing touched; 130 interrupted; 141 the\n"
    "output was closed (a pipe whose reader ended), the run stopped as when interrupted.";

struct Texts {
    std::vector<std::string> shifts;
    std::string tolerance;
    std::string progress = "auto";
};

// A whole number from `least` to `most`, told in plain words otherwise.
CLI::Validator WholeNumber(long least, long most)
{
    return CLI::Validator(
        [least, most](std::string& text) -> std::string {
            size_t at = 0;
            while (at < text.size() && (std::isdigit(static_cast<unsigned char>(text[at])) ||
                                        (at == 0 && (text[0] == '-' || text[0] == '+'))))
                ++at;
            const bool number = at == text.size() && text.find_first_of("0123456789") != std::string::npos;
            const std::string range = std::to_string(least) + " to " + std::to_string(most);
            if (!number)
                return "\"" + text + "\" is not a whole number (" + range + ")";
            errno = 0;
            const long value = std::strtol(text.c_str(), nullptr, 10);
            if (errno == ERANGE || value < least || value > most)
                return text + " is out of range: " + range;
            return "";
        },
        "", "");
}

void AddCommon(CLI::App& command, cli::Options& options, Texts& texts)
{
    // With --against only COPIES is given: it arrives in the first place
    // and is moved after parsing (see Positionals).
    command.add_option("ORIGINALS", options.originals, "Folder of the originals (none with --against)");
    command.add_option("COPIES", options.copies, "Folder of the copies");
    command.add_option("--against", options.against,
                       "A manifest (kelvora-cli manifest, bsdtar --format=mtree) plays the originals; - reads stdin")
        ->type_name("MANIFEST");
    command.add_flag("--json", options.json, "JSON Lines on stdout");
    command.add_option("--jobs", options.jobs, "Folders walked on N threads (default: the hardware threads; 16 on a network or FUSE file system)")
        ->type_name("N")
        ->check(WholeNumber(1, 1024))
        ->each([&options](const std::string&) { options.jobsGiven = true; });
    command.add_option("--progress", texts.progress, "Progress line on stderr: auto (on a terminal), always, never")
        ->type_name("WHEN")
        ->check(CLI::IsMember({"auto", "always", "never"}));
    command.add_flag("--quiet", options.quiet, "Only errors and the exit status");
}

int UsageError(const std::string& message)
{
    cli::Write(stderr, "kelvora-cli: " + message + "\n");
    return cli::kExitUsage;
}

// ORIGINALS and COPIES, or with --against COPIES alone. False with a message.
bool Positionals(cli::Options& options, std::string& error)
{
    if (options.against.empty()) {
        if (options.originals.empty() || options.copies.empty())
            error = std::string(options.originals.empty() ? "ORIGINALS" : "COPIES") +
                    " is required\nRun \"kelvora-cli --help\" for the commands and options.";
        return error.empty();
    }
    if (!options.copies.empty()) {
        error = "with --against MANIFEST, give COPIES only (the manifest plays the originals)";
        return false;
    }
    if (options.originals.empty()) {
        error = "COPIES is required";
        return false;
    }
    options.copies.swap(options.originals);
    return true;
}

// Turns the texts of the shifts and the tolerance into the rule.
bool ReadRule(const Texts& texts, engine::Rule& rule, std::string& error)
{
    for (const std::string& text : texts.shifts) {
        engine::Shift shift;
        if (!engine::ParseShift(text, shift, error))
            return false;
        rule.shifts.push_back(shift);
    }
    return texts.tolerance.empty() || engine::ParseDuration(texts.tolerance, rule.toleranceNanos, error);
}

}  // namespace

int main(int argc, char** argv)
{
    cli::PrepareProcess();
    const std::vector<std::string> arguments = cli::Arguments(argc, argv);
    std::vector<const char*> argvUtf8;
    for (const std::string& argument : arguments)
        argvUtf8.push_back(argument.c_str());
    CLI::App app("Repairs the last-modification times of copies that drifted from their "
                 "originals by a fixed shift (a time-zone or daylight-saving hour, say).",
                 "kelvora-cli");
    app.set_version_flag("--version", "kelvora-cli " KELVORA_VERSION);
    app.require_subcommand(1);
    app.footer(kExitText);

    cli::Options options;
    options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    Texts texts;

    CLI::App* scan = app.add_subcommand(
        "scan", "Counts the pairs and shows the most common differences; changes nothing");
    AddCommon(*scan, options, texts);
    scan->add_option("--top", options.top, "Differences shown (default 10)")
        ->type_name("N")
        ->check(WholeNumber(0, 1000000));
    scan->footer(kExitText);

    CLI::App* fix = app.add_subcommand(
        "fix", "Sets each matching copy's modification time to its original's");
    AddCommon(*fix, options, texts);
    fix->add_option("--shift", texts.shifts,
                    std::string("Allowed drift, repeatable: ") + engine::kShiftForms)
        ->type_name("SHIFT")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    fix->add_option("--tolerance", texts.tolerance,
                    std::string("Largest distance from a shift (default 2s): ") + engine::kDurationForms)
        ->type_name("DURATION");
    fix->add_flag("--dry-run", options.dryRun, "Lists what would be touched; touches nothing");
    fix->add_option("--report", options.report,
                    "One line per file event: CSV when FILE ends in .csv, JSON Lines otherwise; a new file")
        ->type_name("FILE");
    fix->add_flag("--force", options.force, "Lets --report replace a file that exists");
    fix->add_flag("--hard-links", options.hardLinks,
                  "Also changes copies that have other names (hard links); never one that is an original");
    CLI::Option* journal =
        fix->add_option("--journal", options.journal, "Where the run's journal goes")->type_name("FILE");
    CLI::Option* noJournal = fix->add_flag("--no-journal", options.noJournal, "Keeps no journal");
    journal->excludes(noJournal);
    fix->footer(kExitText);

    CLI::App* undo = app.add_subcommand(
        "undo", "Sets the copies a fix changed back to their times before, from its journal");
    CLI::Option* undoJournal =
        undo->add_option("JOURNAL", options.journal, "The journal of the run to take back")->type_name("JOURNAL");
    CLI::Option* last = undo->add_flag(
        "--last", options.last, "The newest fix run in the default place with changes not yet undone");
    undoJournal->excludes(last);
    undo->add_flag("--dry-run", options.dryRun, "Lists what would be restored; touches nothing");
    undo->add_option("--journal", options.undoJournal, "Where this undo's own journal goes (a new file)")
        ->type_name("FILE");
    undo->add_flag("--json", options.json, "JSON Lines on stdout");
    undo->add_option("--report", options.report,
                     "One line per file event: CSV when FILE ends in .csv, JSON Lines otherwise")
        ->type_name("FILE");
    undo->add_flag("--quiet", options.quiet, "Only errors and the exit status");
    undo->add_option("--jobs", options.jobs, "Copies set back on N threads (default: the hardware threads; 16 on a network or FUSE file system)")
        ->type_name("N")
        ->check(CLI::Range(1, 1024));
    undo->footer("Exit status: 0 every copy restored (or already as before); 1 a copy was left alone\n"
                 "(changed, gone or replaced since the run) or could not be restored; 2 usage error or a\n"
                 "journal that cannot be trusted, nothing touched; 130 interrupted; 141 the output was\n"
                 "closed (a pipe whose reader ended), the run stopped as when interrupted.");

    CLI::App* journals = app.add_subcommand(
        "journals", "Lists the journals of the default place: when, folders, touched, whether undone");
    journals->add_flag("--json", options.json, "JSON Lines on stdout");
    journals->add_flag("--quiet", options.quiet, "Only errors and the exit status");
    CLI::Option* prune = journals->add_flag(
        "--prune", options.prune,
        "Removes the journals of runs undone (with the undo's) and of runs that changed nothing");
    journals->add_option("--older-than", options.olderThan,
                         "With --prune, also every journal older than AGE (90d, 12h), undone or not")
        ->type_name("AGE")
        ->needs(prune);
    journals->add_option("--keep", options.keep, "With --prune, the N newest journals are kept whatever they are "
                                                 "(default 20)")
        ->type_name("N")
        ->check(CLI::Range(0, 1000000))
        ->needs(prune);
    journals->add_flag("--dry-run", options.dryRun, "With --prune, lists what would be removed")->needs(prune);

    CLI::App* manifest = app.add_subcommand(
        "manifest", "Writes an mtree manifest of the originals: path, size, time (and SHA-256) of each file");
    manifest->add_option("ORIGINALS", options.originals, "Folder of the originals")->required();
    manifest->add_option("-o,--output", options.output, "Writes it to FILE instead of stdout")->type_name("FILE");
    std::string digest;
    manifest->add_option("--digest", digest, "Adds each file's digest (reads every file)")
        ->type_name("ALGORITHM")
        ->check(CLI::IsMember({"sha256"}));
    manifest->add_option("--progress", texts.progress, "Progress line on stderr: auto (on a terminal), always, never")
        ->type_name("WHEN")
        ->check(CLI::IsMember({"auto", "always", "never"}));
    manifest->add_flag("--quiet", options.quiet, "Only errors and the exit status");
    manifest->footer("Exit status: 0 done; 1 a file or folder could not be read (left out) or the manifest\n"
                     "could not be written; 2 usage error; 130 interrupted (the manifest is incomplete).");

    std::string helpTopic;
    CLI::App* help = app.add_subcommand("help", "Shows the help of a command");
    help->add_option("COMMAND", helpTopic, "scan, fix, undo, journals or manifest")
        ->check(CLI::IsMember({"scan", "fix", "undo", "journals", "manifest"}));

    const std::string first = arguments.size() > 1 ? arguments[1] : "";
    if (!first.empty() && first[0] != '-' && first != "scan" && first != "fix" && first != "help" &&
        first != "undo" && first != "journals" && first != "manifest")
        return UsageError("unknown command \"" + first +
                          "\": the commands are scan, fix, undo, journals, manifest and help");
    try {
        app.parse(static_cast<int>(argvUtf8.size()), argvUtf8.data());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        cli::Write(stderr, std::string("kelvora-cli: ") + e.what() +
                          "\nRun \"kelvora-cli --help\" for the commands and options.\n");
        return cli::kExitUsage;
    }

    if (help->parsed()) {
        if (helpTopic.empty())
            cli::Write(stdout, app.help());
        else
            cli::Write(stdout, app.get_subcommand(helpTopic)->help());
        return cli::FinishOutput(cli::kExitDone);
    }

    options.progress = texts.progress == "always" ? cli::ProgressMode::Always
                     : texts.progress == "never"  ? cli::ProgressMode::Never
                                                  : cli::ProgressMode::Auto;
    options.version = "kelvora-cli " KELVORA_VERSION;
    options.arguments = arguments;
    cli::InstallStopHandlers();
    if (manifest->parsed()) {
        options.digest = !digest.empty();
        return cli::RunManifest(options);
    }
    std::string error;
    if ((scan->parsed() || fix->parsed()) && !Positionals(options, error))
        return UsageError(error);
    if (scan->parsed())
        return cli::FinishOutput(cli::RunScan(options));
    if (journals->parsed())
        return cli::FinishOutput(cli::RunJournals(options));
    if (undo->parsed()) {
        if (options.journal.empty() && !options.last)
            return UsageError("undo needs a JOURNAL or --last");
        return cli::FinishOutput(cli::RunUndo(options));
    }

    if (!ReadRule(texts, options.rule, error))
        return UsageError(error);
    return cli::FinishOutput(cli::RunFix(options));
}
