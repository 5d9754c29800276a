// How the file time setter opens a file: attribute access for reading its
// creation time and writing its last-write time, and nothing that another
// program's sharing could refuse. Wine grants GetFileTime without read-
// attributes access, so the open itself is looked at.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import_hook.h"
#include "scratch_folder.h"
#include "touch/file_time.h"

namespace {

struct Open {
    std::wstring path;
    DWORD access = 0;
    DWORD share = 0;
    DWORD disposition = 0;
    DWORD flags = 0;
};

std::vector<Open> g_opens;
ImportHook* g_hook = nullptr;

HANDLE WINAPI RecordingCreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD disposition, DWORD flags, HANDLE model)
{
    g_opens.push_back(Open{path, access, share, disposition, flags});
    using CreateFileWType = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    return reinterpret_cast<CreateFileWType>(g_hook->Original())(path, access, share, security, disposition, flags,
                                                                 model);
}

TEST(TouchFileTimeOpen, AsksForReadAndWriteAttributesWithTheSpecifiedSharing)
{
    scratch::ScratchFolder root("touch_open");
    ASSERT_EQ(root.Shell("printf x > f"), 0);
    ImportHook hook("CreateFileW", reinterpret_cast<void*>(&RecordingCreateFileW));
    ASSERT_TRUE(hook.Installed());
    g_hook = &hook;
    g_opens.clear();

    EXPECT_GT(TouchFileTime(root.win + "\\f", 2011, 1, 20, 8, 5, 3), 0);
    g_hook = nullptr;

    ASSERT_EQ(g_opens.size(), 1u);
    const Open& open = g_opens[0];
    EXPECT_EQ(open.access, static_cast<DWORD>(FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES));
    EXPECT_EQ(open.share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_DELETE));
    EXPECT_EQ(open.disposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(open.flags, static_cast<DWORD>(FILE_FLAG_BACKUP_SEMANTICS));
    // The path as given, in the form that reaches any length.
    const std::string given = root.win + "\\f";
    EXPECT_EQ(open.path, L"\\\\?\\" + std::wstring(given.begin(), given.end()));
}

TEST(TouchFileTimeOpen, AttributeAccessIsNotStoppedByTheSharingOfOtherHandles)
{
    // Reading and writing attributes is no data access: a handle that reads
    // and shares nothing, and one that writes, leave the setter its open.
    scratch::ScratchFolder root("touch_open_sharing");
    ASSERT_EQ(root.Shell("printf x > f"), 0);
    const std::string path = root.win + "\\f";
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_GT(TouchFileTime(path, 2011, 1, 20, 8, 5, 3), 0);
    CloseHandle(reader);
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_GT(TouchFileTime(path, 2011, 1, 20, 9, 5, 3), 0);
    CloseHandle(writer);
}

}  // namespace
