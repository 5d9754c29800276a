#include "app/command_fields.h"

int FieldCount(const Text&, const Text&) { return 1; }
Text FieldAt(const Text&, const Text&, int) { return Text(); }
Text JoinArguments(const std::vector<Text>&) { return Text(); }
CommandLineSettings ParseCommandLine(const Text&) { return {}; }
Text CommandLineHelpText() { return Text(); }
Text CommandLineFormatError() { return Text(); }
Text UnknownKeywordText(const Text&) { return Text(); }
