#include "app/command_fields.h"

int FieldCount(const Text& text, const Text& separator)
{
    if (separator.empty())
        return 1;
    int count = 1;
    for (auto found = text.find(separator); found != Text::npos;
         found = text.find(separator, found + 1))
        ++count;
    return count;
}

Text FieldAt(const Text& text, const Text& separator, int n)
{
    if (n < 1)
        return Text();
    if (separator.empty())
        return n == 1 ? text : Text();
    Text::size_type start = 0;
    for (int field = 1; field < n; ++field) {
        const auto found = text.find(separator, start);
        if (found == Text::npos)
            return Text();
        start = found + separator.size();
    }
    const auto end = text.find(separator, start);
    return text.substr(start, end == Text::npos ? Text::npos : end - start);
}

Text JoinArguments(const std::vector<Text>& arguments)
{
    Text joined;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            joined += ' ';
        joined += arguments[i];
    }
    return TrimBlanks(joined);
}

namespace {

bool IsHelpKeyword(const Text& keyword)
{
    return keyword == "?" || keyword == "AIDE" || keyword == "HELP";
}

}  // namespace

CommandLineSettings ParseCommandLine(const Text& commandLine)
{
    CommandLineSettings settings;
    const Text line = TrimBlanks(commandLine);
    if (line.empty())
        return settings;
    if (line.find('/') == Text::npos) {
        settings.action = COMMAND_LINE_BAD_FORMAT;
        return settings;
    }
    // Field 1, the text before the first "/", is never looked at. The
    // fields after it are cut in one pass, each from the end of the one
    // before: reading field i afresh from the start of the line would make
    // a line of thousands of slashes take seconds.
    for (Text::size_type slash = line.find('/'); slash != Text::npos;) {
        const Text::size_type next = line.find('/', slash + 1);
        const Text argument = TrimBlanks(
            line.substr(slash + 1, next == Text::npos ? Text::npos : next - slash - 1));
        slash = next;
        const Text value = TrimBlanks(FieldAt(argument, "=", 2));
        const Text keyword = UpperAscii(TrimBlanks(FieldAt(argument, "=", 1)));
        if (keyword.empty())
            continue;
        if (keyword == "INI") {
            settings.iniText = value;
        } else if (keyword == "RUN") {
            settings.runFlag = true;
        } else if (keyword == "MUET") {
            settings.muteFlag = true;
        } else if (IsHelpKeyword(keyword)) {
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

Text CommandLineHelpText()
{
    return "Aide\r"
           "\r"
           "/? /HELP /AIDE : l'aide que vous lisez actuellement.\r"
           "...";
}

Text CommandLineFormatError()
{
    return "Les param\xE8tres de la ligne de commande ne sont pas sous la forme /MotClef=Valeur";
}

Text UnknownKeywordText(const Text& keyword)
{
    return "Mot-clef '" + keyword + "' inconnu !";
}
