// The front end's Windows calls in-process: the journal's default folder,
// files and folders named in UTF-8 at any length.
#include "cli/platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "files.h"
#include "harness.h"

TEST(WindowsPlatform, JournalFolderUnderLocalAppData)
{
    wchar_t saved[32768];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", saved, 32768);
    std::string error;
    SetEnvironmentVariableW(L"LOCALAPPDATA", L"D:\\\x0394" L"ata");  // "D:\Δata"
    EXPECT_EQ(cli::DefaultJournalFolder(error), "D:\\\xCE\x94" "ata\\Kelvora\\journal");
    // Without the variable the system's known folder is asked.
    SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    const std::string known = cli::DefaultJournalFolder(error);
    EXPECT_NE(known.find("\\Kelvora\\journal"), std::string::npos) << known << error;
    if (length)
        SetEnvironmentVariableW(L"LOCALAPPDATA", saved);
}

TEST(WindowsPlatform, FilesAndFoldersNamedInUtf8AtAnyLength)
{
    harness::Scratch scratch;
    std::string deep = scratch / "";
    for (int i = 0; i < 12; ++i)
        deep += "\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB-" + std::string(90, 'j') + "/";  // журнал-...
    std::string reason;
    ASSERT_TRUE(cli::MakeFolders(deep, reason)) << reason;
    ASSERT_TRUE(cli::MakeFolders(deep, reason)) << "made twice: " << reason;
    const std::string name = deep + "\xF0\x9F\x98\x80.jsonl";
    std::FILE* file = cli::OpenFile(name, "w");
    ASSERT_NE(file, nullptr);
    std::fputs("{\"a\":1}\n", file);
    EXPECT_TRUE(cli::SyncFile(file));
    std::fclose(file);
    EXPECT_EQ(winfiles::ReadBytes(name), "{\"a\":1}\n");  // no carriage return added
    EXPECT_FALSE(cli::MakeFolders(name + "/below", reason));  // a file stands in the way
    EXPECT_FALSE(reason.empty());
}
