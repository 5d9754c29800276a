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
        created = RunUnix("mkdir -p '" + unix + "'") == 0;
    }
    ~ScratchFolder() { Remove(); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Runs a shell command inside the folder.
    int Shell(const std::string& command) const { return RunUnix("cd '" + unix + "' && " + command); }

    // Immutable flags and missing permissions set by a test are cleared first.
    void Remove() const
    {
        RunUnix("chattr -R -i '" + unix + "' 2>/dev/null; chmod -R u+rwx '" + unix + "' 2>/dev/null; rm -rf '" +
                unix + "'");
    }

    std::string unix;  // Linux path
    std::string win;   // Windows path, no trailing backslash
    bool created = false;
};

}  // namespace scratch
