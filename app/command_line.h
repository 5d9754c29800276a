// Reads the program's "/MotClef=Valeur" arguments once, at start.
#pragma once

#include "app/command_fields.h"

void ReadCommandLine();

// The settings read by ReadCommandLine.
const CommandLineSettings& CommandLine();

// Waits half a second without handling messages, then closes the main window.
void CloseAfterPause();
