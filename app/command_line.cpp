#include "app/command_line.h"

#include <windows.h>

#include <cstdlib>

#include "toolkit/main_window.h"
#include "toolkit/msg_box.h"

namespace {

CommandLineSettings g_settings;

// The program's arguments as the runtime split them (quotes grouped and
// removed), the program name excluded.
std::vector<Text> ProgramArguments()
{
    std::vector<Text> arguments;
    for (int i = 1; i < __argc; ++i)
        arguments.emplace_back(__argv[i] ? __argv[i] : "");
    return arguments;
}

}  // namespace

void ReadCommandLine()
{
    g_settings = ParseCommandLine(JoinArguments(ProgramArguments()));
    switch (g_settings.action) {
    case COMMAND_LINE_RUN:
        return;
    case COMMAND_LINE_BAD_FORMAT:
        MsgErreur(CommandLineFormatError());
        return;
    case COMMAND_LINE_HELP:
        MsgInfo(CommandLineHelpText());
        CloseAfterPause();
        return;
    case COMMAND_LINE_UNKNOWN:
        MsgErreur(UnknownKeywordText(g_settings.unknownKeyword));
        CloseAfterPause();
        return;
    }
}

const CommandLineSettings& CommandLine()
{
    return g_settings;
}

void CloseAfterPause()
{
    Sleep(500);
    SendMessageA(MainWindow(), WM_CLOSE, 0, 0);
}
