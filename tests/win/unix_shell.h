// Helpers of the Windows-side tests for the Linux side under Wine: running a
// shell command, Windows paths of Linux paths, and one scratch folder per test.
#pragma once

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "linux_shell.h"
#include "scratch_folder.h"

// Single quotes for the shell around a path without single quotes.
inline std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

// A fixture with a fresh scratch folder named after the test, removed
// afterwards.
class ScratchTest : public testing::Test {
protected:
    void SetUp() override
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        scratchFolder.reset(new scratch::ScratchFolder(std::string(info->test_suite_name()) + "_" + info->name()));
        ASSERT_TRUE(scratchFolder->created) << scratchFolder->unix;
        unixDir = scratchFolder->unix;
    }

    void TearDown() override { scratchFolder.reset(); }

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

    std::unique_ptr<scratch::ScratchFolder> scratchFolder;
    std::string unixDir;
};
