// Linux commands run from the Windows-side tests and the driver. Wine starts
// a Unix program through CreateProcess, but detached: its process handle is
// signalled at once with exit code 0. So the command leaves its exit code in
// a marker file when it is done, and the marker is awaited.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// One argument of a Windows command line, quoted so that the program
// receives it unchanged (the rules Wine applies to a Unix program too).
inline std::string QuotedArgument(const std::string& argument)
{
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(2 * backslashes, '\\');
    quoted.push_back('"');
    return quoted;
}

// "Z:\..." for a Linux path "/..."; other paths are returned unchanged.
inline std::string WindowsPath(const std::string& unixPath)
{
    if (unixPath.empty() || unixPath[0] != '/')
        return unixPath;
    std::string result = "Z:" + unixPath;
    for (char& c : result) {
        if (c == '/')
            c = '\\';
    }
    return result;
}

// Runs a command line through /bin/sh and waits for its end; returns its
// exit code, -1 when it cannot be started or does not end within ten minutes.
inline int RunUnix(const std::string& shellCommand)
{
    static int count = 0;
    const std::string marker =
        "/tmp/kelvora-unix-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    const std::string script =
        "( " + shellCommand + " ); echo $? > " + marker + ".part; mv " + marker + ".part " + marker;
    std::string commandLine = "/bin/sh -c " + QuotedArgument(script);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return -1;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    const std::string markerPath = WindowsPath(marker);
    for (int waited = 0; GetFileAttributesA(markerPath.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 5) {
        if (waited > 600000)
            return -1;
        Sleep(5);
    }
    int code = -1;
    if (FILE* file = std::fopen(markerPath.c_str(), "r")) {
        if (std::fscanf(file, "%d", &code) != 1)
            code = -1;
        std::fclose(file);
    }
    DeleteFileA(markerPath.c_str());
    return code;
}
