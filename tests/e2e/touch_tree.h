// Trees of originals and copies for the end-to-end tests of a touch run,
// made and read from the Windows side with exact UTC times.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "driver/driver.h"
#include "file_time_units.h"

namespace touchtree {

// Seconds since 1970-01-01 UTC of a UTC date and time.
inline int64_t Utc(int year, int month, int day, int hour, int minute, int second)
{
    SYSTEMTIME fields = {};
    fields.wYear = static_cast<WORD>(year);
    fields.wMonth = static_cast<WORD>(month);
    fields.wDay = static_cast<WORD>(day);
    fields.wHour = static_cast<WORD>(hour);
    fields.wMinute = static_cast<WORD>(minute);
    fields.wSecond = static_cast<WORD>(second);
    FILETIME time;
    SystemTimeToFileTime(&fields, &time);
    const ULONGLONG value = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return UnixSecondsOfTicks(value);
}

inline FILETIME FileTimeOf(int64_t seconds)
{
    const ULONGLONG value = TicksOfUnixSeconds(seconds);
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

// Everything a test may check of a file.
struct FileState {
    ULONGLONG written = 0;   // 100 ns since 1601, UTC
    ULONGLONG created = 0;
    std::string content;
    DWORD attributes = 0;
    bool operator==(const FileState& other) const
    {
        return written == other.written && created == other.created && content == other.content &&
               attributes == other.attributes;
    }
};

inline ULONGLONG Value(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Seconds since 1970 of a file's last-write time, -1 when it cannot be read.
inline int64_t WrittenSeconds(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return UnixSecondsOfTicks(Value(data.ftLastWriteTime));
}

inline void MakeFolders(const std::string& path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

inline void WriteFile(const std::string& path, const std::string& content, int64_t written)
{
    MakeFolders(path.substr(0, path.rfind('\\')));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD done = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &done, nullptr);
    const FILETIME time = FileTimeOf(written);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

// Makes `count` empty originals under unixRoot/originals, in `folders`
// sub-folders (file i is d<i % folders>/f<i>), all written at
// `originalTime`, and their copies at the same paths under unixRoot/copies,
// written at `copyTime`. The shell makes them far faster than Windows calls
// under Wine. Returns the shell's exit code.
inline int MakeShiftedPairs(const std::string& unixRoot, int count, int folders, int64_t originalTime,
                            int64_t copyTime)
{
    const std::string side = "mkdir -p %1 && cd %1 && awk -F/ '{print $1}' ../pairs.list | sort -u | xargs mkdir -p"
                             " && xargs touch -d @%2 < ../pairs.list && cd ..";
    auto make = [&](const std::string& folder, int64_t time) {
        std::string command = side;
        for (size_t at; (at = command.find("%1")) != std::string::npos;)
            command.replace(at, 2, folder);
        command.replace(command.find("%2"), 2, std::to_string(time));
        return command;
    };
    return driver::RunUnix("cd '" + unixRoot + "' && seq 0 " + std::to_string(count - 1) + " | awk -v n=" +
                           std::to_string(folders) + " '{printf \"d%d/f%d\\n\", $1 % n, $1}' > pairs.list && " +
                           make("originals", originalTime) + " && " + make("copies", copyTime) +
                           " && rm pairs.list");
}

// How many files under root (sub-folders included) were last written at
// `seconds` since 1970 UTC.
inline int CountWrittenAt(const std::string& root, int64_t seconds)
{
    int count = 0;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((root + "\\*.*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            count += CountWrittenAt(root + "\\" + name, seconds);
        else if (UnixSecondsOfTicks(Value(data.ftLastWriteTime)) == seconds)
            ++count;
    } while (FindNextFileA(search, &data));
    FindClose(search);
    return count;
}

// Every file and folder under root, by path relative to it.
inline void Snapshot(const std::string& root, const std::string& relative, std::map<std::string, FileState>& out)
{
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((root + "\\" + relative + "*.*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        FileState state;
        state.written = Value(data.ftLastWriteTime);
        state.created = Value(data.ftCreationTime);
        state.attributes = data.dwFileAttributes;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            state.written = state.created = 0;  // a folder's own times are not the program's concern
            out[relative + name + "\\"] = state;
            Snapshot(root, relative + name + "\\", out);
            continue;
        }
        HANDLE file = CreateFileA((root + "\\" + relative + name).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char buffer[4096];
            DWORD got = 0;
            while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
                state.content.append(buffer, got);
            CloseHandle(file);
        }
        out[relative + name] = state;
    } while (FindNextFileA(search, &data));
    FindClose(search);
}

inline std::map<std::string, FileState> Snapshot(const std::string& root)
{
    std::map<std::string, FileState> out;
    Snapshot(root, "", out);
    return out;
}

}  // namespace touchtree
