// What Windows itself brings to the change: read-only copies, copies held
// open by another process, links and junctions that must not be followed.
#include "files.h"

#include <winioctl.h>

#include <gtest/gtest.h>

#include "harness.h"
#include "linux_shell.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

bool IsReparsePoint(const std::string& path)
{
    const DWORD attributes = winfiles::Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Makes `link` a link to the folder `target`: a junction where the system
// makes one, else a symbolic link; under Wine, which makes neither, a Linux
// symbolic link, which Wine shows as a reparse point. False when none works.
bool MakeFolderLink(const std::string& link, const std::string& target, std::string& how)
{
    const std::wstring wideLink = winfiles::Long(link);
    if (CreateDirectoryW(wideLink.c_str(), nullptr)) {
        HANDLE h = CreateFileW(wideLink.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        const std::wstring substitute = L"\\??\\" + winfiles::Long(target).substr(4);
        std::vector<char> buffer(16 + (substitute.size() + 2) * 2);
        auto* words = reinterpret_cast<WORD*>(buffer.data());
        *reinterpret_cast<DWORD*>(buffer.data()) = IO_REPARSE_TAG_MOUNT_POINT;
        words[2] = WORD(8 + (substitute.size() + 2) * 2);  // data length
        words[4] = 0;                                       // substitute name: offset, length
        words[5] = WORD(substitute.size() * 2);
        words[6] = WORD(substitute.size() * 2 + 2);         // print name: empty
        words[7] = 0;
        memcpy(buffer.data() + 16, substitute.c_str(), substitute.size() * 2);
        DWORD got;
        const bool made = h != INVALID_HANDLE_VALUE &&
                          DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), DWORD(buffer.size()),
                                          nullptr, 0, &got, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        if (made) {
            how = "junction";
            return true;
        }
        RemoveDirectoryW(wideLink.c_str());
    }
    if (CreateSymbolicLinkW(wideLink.c_str(), winfiles::Long(target).c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        IsReparsePoint(link)) {
        how = "symbolic link";
        return true;
    }
    RemoveDirectoryW(wideLink.c_str());
    using UnixName = char*(CDECL*)(const WCHAR*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return false;
    char* unixLink = unixName(winfiles::Long(link).substr(4).c_str());
    char* unixTarget = unixName(winfiles::Long(target).substr(4).c_str());
    const bool made = unixLink && unixTarget &&
                      RunUnix("ln -s '" + std::string(unixTarget) + "' '" + unixLink + "'") == 0 &&
                      IsReparsePoint(link);
    HeapFree(GetProcessHeap(), 0, unixLink);
    HeapFree(GetProcessHeap(), 0, unixTarget);
    how = "Linux symbolic link seen through Wine";
    return made;
}

}  // namespace

TEST(WindowsFiles, ReadOnlyCopyIsRepairedAndStaysReadOnly)
{
    // Windows lets a read-only file's times be set through a handle opened
    // for attributes only: the read-only attribute bars changes of content,
    // not of times. The copy is repaired and keeps the attribute.
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"ro", 5, kT, kHour}});
    ASSERT_TRUE(SetFileAttributesW(winfiles::Long(scratch / "c/ro").c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string content = winfiles::ReadBytes(scratch / "c/ro");
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json"});
    EXPECT_EQ(fix.status, 0) << fix.err;
    EXPECT_NE(fix.out.find("\"touched\":1,"), std::string::npos) << fix.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/ro"), kT);
    EXPECT_TRUE(winfiles::Attributes(scratch / "c/ro") & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(winfiles::ReadBytes(scratch / "c/ro"), content);
}

TEST(WindowsFiles, CopyHeldOpenByAnotherProcessWithoutSharingIsRepaired)
{
    // Sharing modes guard a file's content (read, write, delete), not its
    // attributes: a copy that another process holds open and shares with no
    // one is still repaired, its content untouched.
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"held", 5, kT, -kHour}, {"free", 5, kT, kHour}});
    HANDLE held = CreateFileW(winfiles::Long(scratch / "c/held").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json"});
    CloseHandle(held);
    EXPECT_EQ(fix.status, 0) << fix.err << fix.out;
    EXPECT_NE(fix.out.find("\"touched\":2,"), std::string::npos) << fix.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/held"), kT);
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/free"), kT);
}

TEST(WindowsFiles, FolderLinksAndJunctionsAreNotFollowed)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"real/f", 2, kT, kHour}});
    harness::WritePairs(scratch / "elsewhere-o", scratch / "elsewhere-c", {{"g", 2, kT, kHour}});
    std::string how;
    if (!MakeFolderLink(scratch / "o/linked", scratch / "elsewhere-o", how) ||
        !MakeFolderLink(scratch / "c/linked", scratch / "elsewhere-c", how))
        GTEST_SKIP() << "this system makes no folder link that shows as one";
    // A link where the copy of a regular file should be: never written through.
    harness::WriteFile(scratch / "o/file-or-link", 2, kT);
    ASSERT_TRUE(MakeFolderLink(scratch / "c/file-or-link", scratch / "elsewhere-c", how));
    const auto elsewhere = harness::Take(scratch / "elsewhere-c");
    const auto fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json", "--jobs", "1"});
    EXPECT_EQ(fix.status, 0) << how << ": " << fix.err;
    EXPECT_NE(fix.out.find("\"touched\":1,"), std::string::npos) << how << ": " << fix.out;
    EXPECT_NE(fix.out.find("\"skipped\":1,"), std::string::npos) << how << ": " << fix.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/real/f"), kT);
    EXPECT_TRUE(harness::Differences(elsewhere, harness::Take(scratch / "elsewhere-c")).empty()) << how;

    // Named on the command line, a link is followed, as find -H does.
    const auto named = harness::Run({"fix", scratch / "o/linked", scratch / "c/linked", "--shift", "1h", "--json"});
    EXPECT_EQ(named.status, 0) << how << ": " << named.err;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "elsewhere-c/g"), kT) << how;
}

TEST(WindowsFiles, CopyWithOtherNamesIsLeftAloneUnlessAskedAndAReportIsMadeNew)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a", 5, kT, kHour}, {"b", 6, kT, kHour}});
    ASSERT_TRUE(CreateHardLinkW(winfiles::Long(scratch / "backup-a").c_str(), winfiles::Long(scratch / "c/a").c_str(),
                                nullptr));
    const harness::Result fix = harness::Run({"fix", scratch / "o", scratch / "c", "--shift", "1h", "--json"});
    EXPECT_EQ(fix.status, 0) << fix.err;
    EXPECT_NE(fix.out.find("\"hard_linked\":1"), std::string::npos) << fix.out;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "backup-a"), kT + kHour);
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/b"), kT);
    const std::vector<std::string> asked = {"fix", scratch / "o", scratch / "c", "--shift", "1h", "--hard-links",
                                            "--json", "--report", scratch / "r.jsonl"};
    const harness::Result linked = harness::Run(asked);
    EXPECT_EQ(linked.status, 0) << linked.err;
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a"), kT);
    // The report exists now: made again only with --force.
    const harness::Result again = harness::Run(asked);
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("it exists (--force replaces it)"), std::string::npos) << again.err;
    std::vector<std::string> forced = asked;
    forced.push_back("--force");
    EXPECT_EQ(harness::Run(forced).status, 0);
}
