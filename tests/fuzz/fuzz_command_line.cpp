// The reading of the window's "/MotClef=Valeur" arguments. The input, cut at
// its zero bytes, is the argument vector. The joined line and the settings
// read from it are checked against a reference that cuts the line once at
// every "/" and reads each argument as the keyword rules say.
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_fields.h"
#include "fuzz_check.h"

namespace {

std::string Trimmed(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && text[first] == ' ')
        ++first;
    while (last > first && text[last - 1] == ' ')
        --last;
    return text.substr(first, last - first);
}

std::string Upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    }
    return text;
}

CommandLineSettings ReferenceRead(const std::string& commandLine)
{
    CommandLineSettings settings;
    const std::string line = Trimmed(commandLine);
    if (line.empty())
        return settings;
    std::vector<std::string> pieces(1);
    for (const char c : line) {
        if (c == '/')
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    if (pieces.size() == 1) {
        settings.action = COMMAND_LINE_BAD_FORMAT;
        return settings;
    }
    for (size_t i = 1; i < pieces.size(); ++i) {
        const std::string argument = Trimmed(pieces[i]);
        const size_t equals = argument.find('=');
        const std::string keyword = Upper(Trimmed(argument.substr(0, equals)));
        std::string value;
        if (equals != std::string::npos) {
            const size_t next = argument.find('=', equals + 1);
            value = Trimmed(argument.substr(equals + 1, next == std::string::npos
                                                            ? std::string::npos
                                                            : next - equals - 1));
        }
        if (keyword.empty())
            continue;
        if (keyword == "INI") {
            settings.iniText = value;
        } else if (keyword == "RUN") {
            settings.runFlag = true;
        } else if (keyword == "MUET") {
            settings.muteFlag = true;
        } else if (keyword == "?" || keyword == "AIDE" || keyword == "HELP") {
            settings.action = COMMAND_LINE_HELP;
            return settings;
        } else {
            settings.action = COMMAND_LINE_UNKNOWN;
            settings.unknownKeyword = keyword;
            return settings;
        }
    }
    return settings;
}

std::string Describe(const CommandLineSettings& s)
{
    return "action " + std::to_string(s.action) + " unknown \"" + fuzz::Escaped(s.unknownKeyword) +
           "\" ini \"" + fuzz::Escaped(s.iniText) + "\" run " + std::to_string(s.runFlag) +
           " mute " + std::to_string(s.muteFlag);
}

void CheckRead(const std::string& line)
{
    const CommandLineSettings read = ParseCommandLine(line);
    const CommandLineSettings expected = ReferenceRead(line);
    const std::string detail = Describe(read) + ", reference " + Describe(expected);
    FUZZ_CHECK(read.action == expected.action && read.unknownKeyword == expected.unknownKeyword &&
                   read.iniText == expected.iniText && read.runFlag == expected.runFlag &&
                   read.muteFlag == expected.muteFlag,
               line, detail);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> arguments = fuzz::SplitAtZero(data, size);
    const std::string line = JoinArguments(arguments);

    std::string joined;
    for (size_t i = 0; i < arguments.size(); ++i)
        joined += (i > 0 ? " " : "") + arguments[i];
    FUZZ_CHECK(line == Trimmed(joined), joined, "joined \"" + fuzz::Escaped(line) + "\"");

    CheckRead(line);
    // The line as given, blanks at its ends included, as a caller might pass it.
    CheckRead(joined);
    return 0;
}
