// Fields of a text cut at a separator, and the reading of "/MotClef=Valeur"
// arguments, without Windows.
#pragma once

#include <vector>

#include "toolkit/text.h"

// 1 plus the number of occurrences of separator in text.
int FieldCount(const Text& text, const Text& separator);

// Field n (from 1) of text cut at separator; "" when there are fewer fields.
Text FieldAt(const Text& text, const Text& separator, int n);

// The arguments (program name excluded) joined by one blank, blanks removed
// at both ends.
Text JoinArguments(const std::vector<Text>& arguments);

// What the command line asks for.
enum CommandLineAction {
    COMMAND_LINE_RUN,          // go on normally
    COMMAND_LINE_BAD_FORMAT,   // arguments without any "/": error box, then go on
    COMMAND_LINE_HELP,         // help box, then end
    COMMAND_LINE_UNKNOWN,      // unknown keyword box, then end
};

struct CommandLineSettings {
    CommandLineAction action = COMMAND_LINE_RUN;
    Text unknownKeyword;   // upper-cased, for COMMAND_LINE_UNKNOWN
    Text iniText;          // /INI=value
    bool runFlag = false;  // /RUN
    bool muteFlag = false; // /MUET
};

// Reads the joined command line into settings and the action to take.
CommandLineSettings ParseCommandLine(const Text& commandLine);

// The texts of the boxes.
Text CommandLineHelpText();
Text CommandLineFormatError();
Text UnknownKeywordText(const Text& keyword);
