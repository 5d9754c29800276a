// A scratch folder of its own for one Windows-side test, under
// TEST_SCRATCH_DIR, removed afterwards.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "linux_shell.h"

namespace scratch {

// A fresh empty folder TEST_SCRATCH_DIR/<name>, removed with its contents
// (read-only entries included) when the object goes.
struct ScratchFolder {
    explicit ScratchFolder(const std::string& name)
        : unix(std::string(TEST_SCRATCH_DIR) + "/" + name), win(WindowsPath(unix))
    {
        Remove();
        RunUnix("mkdir -p '" + unix + "'");
    }
    ~ScratchFolder() { Remove(); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Runs a shell command inside the folder.
    int Shell(const std::string& command) const { return RunUnix("cd '" + unix + "' && " + command); }

    void Remove() const { RunUnix("chmod -R u+rwx '" + unix + "' 2>/dev/null; rm -rf '" + unix + "'"); }

    std::string unix;  // Linux path
    std::string win;   // Windows path, no trailing backslash
};

}  // namespace scratch
