// What the front end asks of the system it runs on, one file per system
// (cli/platform_posix.cpp, cli/platform_windows.cpp): the arguments, the
// console, files named in UTF-8 and the folder where the program keeps its
// state. Text is UTF-8 throughout.
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

// Makes the folder and those above it that are missing; false with the
// system's reason when one cannot be made.
bool MakeFolders(const std::string& path, std::string& reason);

// Writes the stream's buffer and asks the system to put the file on disk.
bool SyncFile(std::FILE* file);

// The folder of the program's journals when none is named:
// $XDG_STATE_HOME/kelvora/journal (~/.local/state/kelvora/journal) on POSIX
// systems, %LOCALAPPDATA%\Kelvora\journal on Windows. Empty with `error`
// when the system does not say where.
std::string DefaultJournalFolder(std::string& error);

// The separator of names in the paths this system's users type.
char PathSeparator();

}  // namespace cli
