// The help pages: CLI11's layout without its parser's words (no "TEXT
// REQUIRED", no value ranges, no "Excludes:"), and a usage line that names
// the program and the command the same way however the page was asked for.
#pragma once

#include <map>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

namespace cli {

class HelpFormatter : public CLI::Formatter {
public:
    // The usage lines of a command, by its name ("" for the program), each
    // without "Usage: kelvora-cli".
    void Usage(const std::string& command, std::string lines) { usages_[command] = std::move(lines); }

    // The usage first, then what the command does, its arguments, options
    // and exit status.
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_option_opts(const CLI::Option* option) const override;

private:
    std::map<std::string, std::string> usages_;
};

}  // namespace cli
