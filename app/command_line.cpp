#include "app/command_line.h"

namespace { CommandLineSettings g_settings; }
void ReadCommandLine() {}
const CommandLineSettings& CommandLine() { return g_settings; }
void CloseAfterPause() {}
