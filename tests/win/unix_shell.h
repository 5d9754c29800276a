// Helpers of the Windows-side tests for the Linux side under Wine: running a
// shell command, Windows paths of Linux paths, and one scratch folder per test.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

// One argument of a Windows command line, quoted so that the program
// receives it unchanged.
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

// Runs a command line through the Linux /bin/sh and waits for its end;
// returns its exit code, -1 when it cannot be started or does not end within
// a minute. Wine starts a Unix program detached (its process handle is
// signalled at once, with exit code 0), so the command leaves its exit code
// in a marker file when it is done, and the marker is awaited.
inline int RunUnix(const std::string& shellCommand)
{
    static int count = 0;
    const std::string marker =
        "/tmp/kelvora-unix-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    const std::string script = "( " + shellCommand + " ); echo $? > " + marker + ".part; mv " +
                               marker + ".part " + marker;
    std::string commandLine = "/bin/sh -c " + QuotedArgument(script);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return -1;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    const std::string markerPath = "Z:" + marker;
    for (int waited = 0; GetFileAttributesA(markerPath.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 5) {
        if (waited > 60000)
            return -1;
        Sleep(5);
    }
    int code = -1;
    if (FILE* file = fopen(markerPath.c_str(), "r")) {
        if (fscanf(file, "%d", &code) != 1)
            code = -1;
        fclose(file);
    }
    DeleteFileA(markerPath.c_str());
    return code;
}

// "Z:\..." for a Linux path "/...".
inline std::string WindowsPath(const std::string& unixPath)
{
    std::string result = "Z:" + unixPath;
    for (char& c : result) {
        if (c == '/')
            c = '\\';
    }
    return result;
}

// Single quotes for the shell around a path without single quotes.
inline std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

// A fixture with a fresh scratch folder named after the test, removed
// afterwards (immutable flags set by a test are cleared first).
class ScratchTest : public testing::Test {
protected:
    void SetUp() override
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        unixDir = std::string(TEST_SCRATCH_DIR) + "/" + info->test_suite_name() + "_" + info->name();
        ASSERT_EQ(RunUnix("rm -rf " + Quoted(unixDir) + " && mkdir -p " + Quoted(unixDir)), 0);
    }

    void TearDown() override
    {
        RunUnix("chattr -R -i " + Quoted(unixDir) + " 2>/dev/null; rm -rf " + Quoted(unixDir));
    }

    // Linux and Windows paths of a name in the scratch folder.
    std::string UnixPath(const std::string& name) const { return unixDir + "/" + name; }
    std::string WinPath(const std::string& name) const { return WindowsPath(UnixPath(name)); }

    // Makes a file with the given contents on the Windows side.
    void MakeFile(const std::string& name, const std::string& contents = "x")
    {
        HANDLE file = CreateFileA(WinPath(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << name << " " << WinPath(name) << " error " << GetLastError();
        DWORD written = 0;
        WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
        CloseHandle(file);
    }

    std::string unixDir;
};
