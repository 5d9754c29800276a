// A scratch folder of its own for one Windows-side test, under
// TEST_SCRATCH_DIR, removed afterwards; and Linux shell commands run from the
// test (Wine starts Unix programs through CreateProcess).
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace scratch {

// The Windows form (Z:\...) of a Linux path.
inline std::string WindowsForm(const std::string& unixPath)
{
    std::string result = "Z:" + unixPath;
    for (char& c : result) {
        if (c == '/')
            c = '\\';
    }
    return result;
}

// Runs `command` through /bin/sh and waits for it; returns its exit code, -1
// when it cannot start. Wine hands back no usable process handle for a Unix
// program, so the shell writes its exit code into a marker file that this
// function waits for.
inline int RunShell(const std::string& command)
{
    static int runs = 0;
    const std::string marker = std::string(TEST_SCRATCH_DIR) + "/.shell-" +
                               std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs);
    const std::string script = "mkdir -p '" TEST_SCRATCH_DIR "'; (" + command + "); echo $? > '" +
                               marker + ".tmp'; mv '" + marker + ".tmp' '" + marker + "'";
    std::string commandLine = "/bin/sh -c \"";
    for (char c : script) {
        if (c == '"' || c == '\\')
            commandLine.push_back('\\');
        commandLine.push_back(c);
    }
    commandLine.push_back('"');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return -1;
    if (info.hThread)
        CloseHandle(info.hThread);
    if (info.hProcess)
        CloseHandle(info.hProcess);
    const std::string markerPath = WindowsForm(marker);
    for (int waited = 0; GetFileAttributesA(markerPath.c_str()) == INVALID_FILE_ATTRIBUTES;
         waited += 10) {
        if (waited > 300000)
            return -1;
        Sleep(10);
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

// A fresh empty folder TEST_SCRATCH_DIR/<name>, removed with its contents
// (read-only entries included) when the object goes.
struct ScratchFolder {
    explicit ScratchFolder(const std::string& name)
        : unix(std::string(TEST_SCRATCH_DIR) + "/" + name), win(WindowsForm(unix))
    {
        Remove();
        RunShell("mkdir -p '" + unix + "'");
    }
    ~ScratchFolder() { Remove(); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Runs a shell command inside the folder.
    int Shell(const std::string& command) const { return RunShell("cd '" + unix + "' && " + command); }

    void Remove() const { RunShell("chmod -R u+rwx '" + unix + "' 2>/dev/null; rm -rf '" + unix + "'"); }

    std::string unix;  // Linux path
    std::string win;   // Windows path, no trailing backslash
};

}  // namespace scratch
