#include "cli/help_format.h"

namespace cli {

std::string HelpFormatter::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const
{
    if (mode == CLI::AppFormatMode::Sub)
        return CLI::Formatter::make_help(app, name, mode);
    return make_usage(app, name) + "\n" + make_description(app) + make_positionals(app) + make_groups(app, mode) +
           make_subcommands(app, mode) + "\n" + make_footer(app);
}

std::string HelpFormatter::make_usage(const CLI::App* app, std::string) const
{
    // A command's page starts with its name in the program's, whether asked
    // for as "help fix" or "fix --help".
    const std::string command = app->get_parent() ? app->get_name() : "";
    const std::string program = "kelvora-cli" + (command.empty() ? "" : " " + command);
    const auto usage = usages_.find(command);
    if (usage == usages_.end())
        return "Usage: " + program + " [OPTIONS]\n";
    if (usage->second.empty())
        return "Usage: " + program + "\n";
    std::string text;
    size_t from = 0;
    while (from < usage->second.size()) {
        size_t end = usage->second.find('\n', from);
        if (end == std::string::npos)
            end = usage->second.size();
        text += (from == 0 ? "Usage: " : "       ") + program + " " + usage->second.substr(from, end - from) + "\n";
        from = end + 1;
    }
    return text;
}

std::string HelpFormatter::make_option_opts(const CLI::Option* option) const
{
    // Positionals are named by themselves; an option by the kind of value it
    // takes, without what the checks on it add after a colon.
    if (option->get_positional() || option->get_type_size() == 0)
        return "";
    std::string type = option->get_type_name();
    type = type.substr(0, type.find(':'));
    return type.empty() ? "" : " " + type;
}

}  // namespace cli
