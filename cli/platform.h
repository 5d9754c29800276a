// What the front end asks of the system it runs on, one file per system
// (cli/platform_posix.cpp, cli/platform_windows.cpp): the arguments, the
// console and files named in UTF-8. Text is UTF-8 throughout. The journals'
// folder and files are the engine's (engine/journal_file.h).
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <fmt/core.h>

namespace cli {

// The program's arguments, the program's name first (on Windows read from
// the wide command line, so that every name arrives whole).
std::vector<std::string> Arguments(int argc, char** argv);

// Readies the process for a long walk: more open files where the system
// counts them, a console that shows every character.
void PrepareProcess();

// How many files the process may hold open at once, as far as the system
// counts them.
long OpenFileLimit();

// True when the stream (stdout or stderr) is a terminal or a console.
bool IsTerminal(std::FILE* stream);

// The width in columns of the terminal or console of the stream, or 0 when
// it cannot be known.
int TerminalWidth(std::FILE* stream);

// Writes text to stdout or stderr: as characters on a console, as the UTF-8
// bytes themselves to a file or a pipe.
void Write(std::FILE* stream, const std::string& text);

template <typename... Args>
void Print(fmt::format_string<Args...> format, Args&&... args)
{
    Write(stdout, fmt::format(format, std::forward<Args>(args)...));
}

// fopen for a name in UTF-8.
std::FILE* OpenFile(const std::string& path, const char* mode);

// Makes the file `path` (UTF-8) to write it: a new file, never a regular
// file that exists unless `replace` (then emptied, when it has no other name
// and is not behind a link); an existing pipe or device is written as it is.
// `made` tells whether the file is new. Null and `error` (the system's reason, or
// why the file is refused) on failure.
std::FILE* CreateOutputFile(const std::string& path, bool replace, bool& made, std::string& error);

// Removes a file this run made.
void RemoveFile(const std::string& path);

// The separator of names in the paths this system's users type.
char PathSeparator();

}  // namespace cli
