// kelvora-cli: the command line, read with CLI11 and handed to the commands.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <CLI/CLI.hpp>

#include "cli/help_format.h"
#include "cli/mistakes.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/platform.h"
#include "cli/records.h"
#include "cli/signals.h"
#include "engine/duration.h"

#ifndef KELVORA_VERSION
#define KELVORA_VERSION "0"
#endif

namespace {

// The end of every exit status of a command that runs over files.
#define KELVORA_EXIT_STOPPED                                                          \
    "130 interrupted (Ctrl+C); 143 stopped by SIGTERM;\n"                               \
    "141 the output was closed (a pipe whose reader ended). A stopped run finishes the\n" \
    "file in hand and prints its summary."

const char* const kExitText =
    "Exit status: 0 done and nothing failed; 1 a command could not do all of its work; 2\n"
    "usage or input error, nothing touched;\n" KELVORA_EXIT_STOPPED "\n"
    "Each command's help (kelvora-cli help COMMAND) says what its own status means.";
const char* const kFixExitText =
    "Exit status: 0 done and nothing failed (nothing to do included); 1 at least one copy\n"
    "could not be repaired (failed, changed during the run, time not kept) or a folder\n"
    "could not be read; 2 usage or input error, nothing touched;\n" KELVORA_EXIT_STOPPED;
const char* const kScanExitText =
    "Exit status: 0 done, every folder read; 1 a file or folder could not be read (or the\n"
    "manifest was cut short); 2 usage or input error, nothing touched;\n" KELVORA_EXIT_STOPPED;
const char* const kUndoExitText =
    "Exit status: 0 every copy restored (or already as before); 1 a copy was left alone\n"
    "(changed, gone or replaced since the run) or could not be restored; 2 usage error or a\n"
    "journal that cannot be trusted, nothing touched;\n" KELVORA_EXIT_STOPPED;
const char* const kJournalsExitText =
    "Exit status: 0 done; 1 a journal could not be read or removed (the others were listed\n"
    "or pruned); 2 usage error or no journals' folder.";
const char* const kManifestExitText =
    "Exit status: 0 done; 1 a file or folder could not be read (left out) or the manifest\n"
    "could not be written; 2 usage error; 130 interrupted (Ctrl+C), 143 stopped by SIGTERM\n"
    "(the manifest is incomplete).";

const std::vector<std::string> kCommands = {"scan", "fix", "undo", "journals", "manifest", "version", "help"};

// What a match rests on, at the end of the help of scan and fix.
const char* const kProofText =
    "A plain fix trusts size and time: a copy edited since it was made that kept its size\n"
    "and moved by the shift is repaired too. --verify first compares each match's content\n"
    "with its original's (with --against, its SHA-256 with the manifest's) and leaves a copy\n"
    "whose content differs alone; it reads both files of every match once. Reading leaves\n"
    "access times alone where the system allows it (Linux: the user's own files; Windows:\n"
    "where the user may change the file's attributes); otherwise, on a relatime mount, a\n"
    "file gets a new access time when it was older than its modification time or a day old.\n\n";

struct Texts {
    std::vector<std::string> shifts;
    std::string tolerance;
    std::string toleranceName = "--tolerance";  // or --modify-window, as typed
    std::string progress = "auto";
    std::string filterError;  // the first pattern refused
};

const char* const kFilterText =
    "PATTERN as rsync's: * any run of characters but /, ** any run, ? one byte, [a-z] a class;\n"
    "a trailing / matches folders only, a leading / anchors at the top, otherwise the last names\n"
    "match at any depth; the first rule that matches decides. Folders left out are not walked.";

// --include and --exclude, repeatable, kept in the order given (the first
// rule that matches decides).
void AddFilters(CLI::App& command, cli::Options& options, Texts& texts)
{
    for (const bool include : {false, true}) {
        command
            .add_option_function<std::string>(
                include ? "--include" : "--exclude",
                [&options, &texts, include](const std::string& pattern) {
                    std::string error;
                    if (!options.filter.Add(include, pattern, error) && texts.filterError.empty())
                        texts.filterError = error;
                },
                include ? "Keeps what PATTERN matches, before a later --exclude (repeatable)"
                        : "Leaves out what PATTERN matches; a folder is not walked (repeatable)")
            ->type_name("PATTERN")
            ->trigger_on_parse();
    }
}

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

// One of `names`, told in plain words otherwise (and not shown in the help).
CLI::Validator OneOf(std::vector<std::string> names)
{
    return CLI::Validator(
        [names](std::string& text) -> std::string {
            if (std::find(names.begin(), names.end(), text) != names.end())
                return "";
            std::string list;
            for (const std::string& name : names)
                list += (list.empty() ? "" : ", ") + name;
            return "\"" + text + "\" is not one of " + list;
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
    command.add_flag("--verify", options.verify,
                     "Compares contents too: reads each same-size copy and its original (with --against, the "
                     "copy's SHA-256 with the manifest's) and leaves a copy whose content differs alone");
    command.add_flag("--json", options.json, "JSON Lines on stdout");
    command.add_option("-j,--jobs", options.jobs, "Folders walked on N threads (default: the hardware threads; 16 on a network or FUSE file system)")
        ->type_name("N")
        ->check(WholeNumber(1, 1024))
        ->each([&options](const std::string&) { options.jobsGiven = true; });
    command.add_option("--progress", texts.progress, "Progress line on stderr: auto (on a terminal), always, never")
        ->type_name("WHEN")
        ->check(CLI::IsMember({"auto", "always", "never"}));
    command.add_flag("-q,--quiet", options.quiet, "Only errors and the exit status");
    AddFilters(command, options, texts);
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
        if (text == "any") {
            rule.any = true;
            continue;
        }
        engine::Shift shift;
        if (!engine::ParseShift(text, shift, error)) {
            error = cli::DurationMistake("--shift", text, true);
            return false;
        }
        rule.shifts.push_back(shift);
    }
    if (!texts.tolerance.empty() && !engine::ParseDuration(texts.tolerance, rule.toleranceNanos, error)) {
        error = cli::DurationMistake(texts.toleranceName, texts.tolerance, false);
        return false;
    }
    return true;
}

// Every long and short name of the options of `app`'s commands.
std::vector<std::string> OptionNames(const CLI::App& app)
{
    std::vector<std::string> names;
    const auto add = [&names](const CLI::App& command) {
        for (const CLI::Option* option : command.get_options()) {
            for (const std::string& name : option->get_lnames())
                names.push_back("--" + name);
            for (const std::string& name : option->get_snames())
                names.push_back("-" + name);
        }
    };
    add(app);
    for (const CLI::App* command : app.get_subcommands({}))
        add(*command);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

// An option given before the command, where it is not read: a message that
// names the place it goes, or "" when every word before the command is one
// of the program's own (--help, --version).
std::string MisplacedOption(const CLI::App& app, const std::vector<std::string>& arguments)
{
    size_t at = 1;
    while (at < arguments.size() && arguments[at].size() > 1 && arguments[at][0] == '-' && arguments[at] != "--" &&
           app.get_option_no_throw(arguments[at].substr(0, arguments[at].find('='))))
        ++at;
    if (at == arguments.size() || arguments[at].size() < 2 || arguments[at][0] != '-' || arguments[at] == "--")
        return "";
    const std::string& word = arguments[at];
    const std::string name = word.compare(0, 2, "--") == 0 ? word.substr(0, word.find('=')) : word.substr(0, 2);
    std::string command;
    for (size_t next = at + 1; next < arguments.size() && command.empty(); ++next)
        if (!arguments[next].empty() && arguments[next][0] != '-' &&
            std::find(kCommands.begin(), kCommands.end(), arguments[next]) != kCommands.end())
            command = arguments[next];
    std::vector<std::string> owners;
    for (const CLI::App* sub : app.get_subcommands({}))
        if (sub->get_option_no_throw(name))
            owners.push_back(sub->get_name());
    if (owners.empty()) {
        const std::string near = cli::NearestWord(name, OptionNames(app));
        return "unknown option \"" + name + "\"" + (near.empty() ? "" : "; did you mean " + near + "?") +
               "\nRun \"kelvora-cli --help\" for the commands and options.";
    }
    if (!command.empty() && std::find(owners.begin(), owners.end(), command) != owners.end())
        return name + " goes after the command: kelvora-cli " + command + " " + name + " ...";
    std::string list;
    for (size_t k = 0; k < owners.size(); ++k)
        list += (k == 0 ? "" : k + 1 == owners.size() ? " and " : ", ") + owners[k];
    return name + " is an option of " + list + ", given after the command: kelvora-cli " + owners.front() + " " +
           name + " ...";
}

// Words left over after a command was read: an option it does not have, or
// one argument too many. A message, or "" when there are none.
std::string LeftOver(const CLI::App& app, const CLI::App& command)
{
    const std::vector<std::string> rest = command.remaining();
    if (rest.empty())
        return "";
    const std::string& word = rest.front();
    if (word.size() > 1 && word[0] == '-') {
        const std::string name = word.substr(0, word.find('='));
        std::vector<std::string> names;
        for (const CLI::Option* option : command.get_options()) {
            for (const std::string& long_name : option->get_lnames())
                names.push_back("--" + long_name);
            for (const std::string& short_name : option->get_snames())
                names.push_back("-" + short_name);
        }
        std::string message = command.get_name() + " has no option " + name;
        const std::string near = cli::NearestWord(name, names);
        if (!near.empty())
            message += "; did you mean " + near + "?";
        else if (std::find(names.begin(), names.end(), name) == names.end() && app.get_option_no_throw(name))
            message += " (it goes before the command)";
        return message + "\nRun \"kelvora-cli help " + command.get_name() + "\" for its options.";
    }
    return command.get_name() + " takes no further argument: \"" + word + "\"\nRun \"kelvora-cli help " +
           command.get_name() + "\" for its usage.";
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
    app.set_version_flag("-V,--version", "kelvora-cli " KELVORA_VERSION);
    app.require_subcommand(0, 1);
    app.footer(kExitText);
    auto formatter = std::make_shared<cli::HelpFormatter>();
    formatter->Usage("", "[--version] [--help] COMMAND [OPTIONS] [ARGUMENTS]");
    formatter->Usage("scan", "[OPTIONS] ORIGINALS COPIES\n[OPTIONS] --against MANIFEST COPIES");
    formatter->Usage("fix", "[OPTIONS] --shift SHIFT ORIGINALS COPIES\n[OPTIONS] --shift SHIFT --against MANIFEST COPIES");
    formatter->Usage("undo", "[OPTIONS] JOURNAL\n[OPTIONS] --last");
    formatter->Usage("journals", "[OPTIONS]\n--prune [--older-than AGE] [--keep N] [--dry-run]");
    formatter->Usage("manifest", "[OPTIONS] ORIGINALS");
    formatter->Usage("version", "");
    formatter->Usage("help", "[COMMAND]");
    formatter->label("Positionals", "Arguments");
    app.formatter(formatter);

    cli::Options options;
    // On Windows "\\" separates names in patterns too.
    options.filter = engine::PathFilter(cli::PathSeparator() == '\\');
    options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    Texts texts;

    CLI::App* scan = app.add_subcommand(
        "scan", "Counts the pairs and shows the most common differences; changes nothing");
    AddCommon(*scan, options, texts);
    scan->add_option("--top", options.top, "Differences shown (default 10)")
        ->type_name("N")
        ->check(WholeNumber(0, 1000000));
    std::vector<std::string> lists;
    scan->add_option("--list", lists,
                     "Prints the paths of these pairs instead of the counts: missing, orphans, other-size, equal, "
                     "differing, matching (with --shift); repeatable or comma-separated")
        ->type_name("KIND")
        ->delimiter(',')
        ->check(OneOf({"missing", "orphans", "other-size", "equal", "differing", "matching"}));
    scan->add_option("--shift", texts.shifts, "The rule of fix, for --list matching and a count of the matches")
        ->type_name("SHIFT")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    scan->add_option("--tolerance", texts.tolerance, "With --shift: the largest distance from a shift (default 2s)")
        ->type_name("DURATION");
    scan->footer(std::string(kProofText) + kFilterText + "\n\n" + kScanExitText);

    CLI::App* fix = app.add_subcommand(
        "fix", "Sets each matching copy's modification time to its original's");
    AddCommon(*fix, options, texts);
    fix->add_option("--shift", texts.shifts,
                    std::string("Allowed drift, repeatable: ") + engine::kShiftForms +
                        "; or any (any difference, times reset rather than shifted: only with --verify)")
        ->type_name("SHIFT")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    fix->add_option("--tolerance,--modify-window", texts.tolerance,
                    "Largest distance from a shift (default 2s): a DURATION such as 2s, 1m or 1h30m")
        ->type_name("DURATION");
    fix->add_flag("-n,--dry-run", options.dryRun, "Lists what would be touched; touches nothing");
    fix->add_flag("-v,--verbose", options.verbose, "Lists every copy touched, as --dry-run lists them");
    fix->add_flag("--utc", options.utc, "Times in UTC rather than local time");
    fix->add_option("--report", options.report,
                    "One line per file event: CSV when FILE ends in .csv, JSON Lines otherwise; a new file")
        ->type_name("FILE");
    fix->add_flag("--force", options.force, "Lets --report replace a file that exists");
    fix->add_flag("--hard-links", options.hardLinks,
                  "Also changes copies that have other names (hard links); never one that is an original");
    fix->add_flag("--folders", options.folders,
                  "Also sets the times of the folders present on both sides that the rule matches, "
                  "each after everything in it");
    CLI::Option* journal =
        fix->add_option("--journal", options.journal, "Where the run's journal goes")->type_name("FILE");
    CLI::Option* noJournal = fix->add_flag("--no-journal", options.noJournal, "Keeps no journal");
    journal->excludes(noJournal);
    fix->footer(std::string(kProofText) + kFilterText + "\n\n" + kFixExitText);

    CLI::App* undo = app.add_subcommand(
        "undo", "Sets the copies a fix changed back to their times before, from its journal");
    CLI::Option* undoJournal =
        undo->add_option("JOURNAL", options.journal, "The journal of the run to take back")->type_name("JOURNAL");
    CLI::Option* last = undo->add_flag(
        "--last", options.last, "The newest fix run in the default place with changes not yet undone");
    undoJournal->excludes(last);
    undo->add_flag("-n,--dry-run", options.dryRun, "Lists what would be restored; touches nothing");
    undo->add_flag("-v,--verbose", options.verbose, "Lists every copy restored, as --dry-run lists them");
    undo->add_flag("--utc", options.utc, "Times in UTC rather than local time");
    undo->add_option("--journal", options.undoJournal, "Where this undo's own journal goes (a new file)")
        ->type_name("FILE");
    undo->add_flag("--json", options.json, "JSON Lines on stdout");
    undo->add_option("--report", options.report,
                     "One line per file event: CSV when FILE ends in .csv, JSON Lines otherwise")
        ->type_name("FILE");
    undo->add_flag("-q,--quiet", options.quiet, "Only errors and the exit status");
    undo->add_option("-j,--jobs", options.jobs, "Copies set back on N threads (default: the hardware threads; 16 on a network or FUSE file system)")
        ->type_name("N")
        ->check(WholeNumber(1, 1024));
    undo->footer(kUndoExitText);

    CLI::App* journals = app.add_subcommand(
        "journals", "Lists the journals of the default place: when, folders, touched, whether undone");
    journals->add_flag("--json", options.json, "JSON Lines on stdout");
    journals->add_flag("-q,--quiet", options.quiet, "Only errors and the exit status");
    journals->add_flag("--utc", options.utc, "Times in UTC rather than local time");
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
        ->check(WholeNumber(0, 1000000))
        ->needs(prune);
    journals->add_flag("-n,--dry-run", options.dryRun, "With --prune, lists what would be removed")->needs(prune);
    journals->footer(kJournalsExitText);

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
    manifest->add_flag("-q,--quiet", options.quiet, "Only errors and the exit status");
    AddFilters(*manifest, options, texts);
    manifest->footer(std::string(kFilterText) + "\n\n" + kManifestExitText);

    CLI::App* version = app.add_subcommand("version", "Shows the program's version");
    version->footer("Exit status: 0.");

    std::string helpTopic;
    CLI::App* help = app.add_subcommand("help", "Shows the help of a command");
    help->add_option("COMMAND", helpTopic, "scan, fix, undo, journals, manifest, version or help");
    help->footer("Exit status: 0; 2 an unknown command.");

    for (CLI::App* command : app.get_subcommands({})) {
        command->allow_extras();
        command->group("Commands");
    }

    // A command mistyped, or an option before the command.
    const std::string first = arguments.size() > 1 ? arguments[1] : "";
    if (!first.empty() && first[0] != '-' &&
        std::find(kCommands.begin(), kCommands.end(), first) == kCommands.end()) {
        const std::string near = cli::NearestWord(first, kCommands);
        return UsageError("unknown command \"" + first + "\"" + (near.empty() ? "" : "; did you mean " + near + "?") +
                          "\nThe commands are scan, fix, undo, journals, manifest, version and help.");
    }
    const std::string misplaced = MisplacedOption(app, arguments);
    if (!misplaced.empty())
        return UsageError(misplaced);
    for (const std::string& argument : arguments)
        if (argument.compare(0, 15, "--modify-window") == 0)
            texts.toleranceName = "--modify-window";
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

    for (const CLI::App* command : app.get_subcommands({})) {
        const std::string rest = command->parsed() ? LeftOver(app, *command) : "";
        if (!rest.empty())
            return UsageError(rest);
    }
    if (app.get_subcommands().empty()) {
        cli::Write(stderr, "Usage: kelvora-cli [--version] [--help] COMMAND [OPTIONS] [ARGUMENTS]\n");
        return UsageError("a command is required: scan, fix, undo, journals, manifest, version or help\n"
                          "Run \"kelvora-cli --help\" for the commands and options.");
    }
    if (help->parsed()) {
        if (helpTopic.empty()) {
            cli::Write(stdout, app.help());
        } else if (std::find(kCommands.begin(), kCommands.end(), helpTopic) == kCommands.end()) {
            const std::string near = cli::NearestWord(helpTopic, kCommands);
            return UsageError("no command \"" + helpTopic + "\"" + (near.empty() ? "" : "; did you mean " + near + "?") +
                              "\nThe commands are scan, fix, undo, journals, manifest, version and help.");
        } else {
            cli::Write(stdout, app.get_subcommand(helpTopic)->help());
        }
        return cli::FinishOutput(cli::kExitDone);
    }
    if (version->parsed()) {
        cli::Write(stdout, "kelvora-cli " KELVORA_VERSION "\n");
        return cli::FinishOutput(cli::kExitDone);
    }

    if (!texts.filterError.empty())
        return UsageError(texts.filterError);
    options.progress = texts.progress == "always" ? cli::ProgressMode::Always
                     : texts.progress == "never"  ? cli::ProgressMode::Never
                                                  : cli::ProgressMode::Auto;
    options.version = "kelvora-cli " KELVORA_VERSION;
    options.arguments = arguments;
    cli::InstallStopHandlers();
    if (manifest->parsed()) {
        options.digest = !digest.empty();
        return cli::StopStatus(cli::RunManifest(options));
    }
    std::string error;
    if ((scan->parsed() || fix->parsed()) && !Positionals(options, error))
        return UsageError(error);
    if (scan->parsed()) {
        for (const std::string& list : lists)
            for (const engine::Listed kind : cli::kListedKinds)
                if (list == cli::ListedName(kind))
                    options.list |= static_cast<unsigned>(kind);
        if (!ReadRule(texts, options.rule, error))
            return UsageError(error);
        if ((options.list & static_cast<unsigned>(engine::Listed::Matching)) && options.rule.shifts.empty())
            return UsageError("--list matching needs --shift SHIFT: the rule that fix would use");
        if (!texts.tolerance.empty() && options.rule.shifts.empty())
            return UsageError("--tolerance goes with --shift");
        return cli::StopStatus(cli::FinishOutput(cli::RunScan(options)));
    }
    if (journals->parsed())
        return cli::FinishOutput(cli::RunJournals(options));
    if (undo->parsed()) {
        if (options.journal.empty() && !options.last)
            return UsageError("undo needs a JOURNAL or --last");
        if (options.dryRun && !options.undoJournal.empty())
            return UsageError("--journal has no use with --dry-run: a dry run changes nothing and keeps no journal");
        return cli::StopStatus(cli::FinishOutput(cli::RunUndo(options)));
    }

    if (!ReadRule(texts, options.rule, error))
        return UsageError(error);
    if (options.folders && !options.against.empty())
        return UsageError("--folders needs the folder of the originals: the times of folders in a manifest are "
                          "not read");
    if (options.dryRun && !options.journal.empty())
        return UsageError("--journal has no use with --dry-run: a dry run changes nothing and keeps no journal");
    return cli::StopStatus(cli::FinishOutput(cli::RunFix(options)));
}
