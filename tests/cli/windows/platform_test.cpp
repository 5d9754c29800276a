// The Windows calls of the journals and the front end in-process: the
// journals' default folder, files and folders named in UTF-8 at any length.
#include "cli/platform.h"

#include <windows.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "engine/journal_file.h"
#include "files.h"
#include "harness.h"

TEST(WindowsPlatform, JournalFolderUnderLocalAppData)
{
    // Through the C runtime's own environment, which the journal's folder
    // is read from.
    const wchar_t* before = _wgetenv(L"LOCALAPPDATA");
    const std::wstring saved = std::wstring(L"LOCALAPPDATA=") + (before ? before : L"");
    std::string folder, error;
    _wputenv(L"LOCALAPPDATA=D:\\\x0394" L"ata");  // "D:\Δata"
    ASSERT_TRUE(engine::DefaultJournalFolder(folder, error)) << error;
    EXPECT_EQ(folder, "D:\\\xCE\x94" "ata\\Kelvora\\journal");
    // Without the variable the journal has to be named.
    _wputenv(L"LOCALAPPDATA=");
    EXPECT_FALSE(engine::DefaultJournalFolder(folder, error)) << folder;
    EXPECT_NE(error.find("--journal"), std::string::npos) << error;
    _wputenv(saved.c_str());
}

TEST(WindowsPlatform, FilesAndFoldersNamedInUtf8AtAnyLength)
{
    harness::Scratch scratch;
    std::string deep = scratch / "";
    for (int i = 0; i < 12; ++i)
        deep += "\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB-" + std::string(90, 'j') + "/";  // журнал-...
    std::string error;
    ASSERT_TRUE(engine::MakeFolders(deep, error)) << error;
    ASSERT_TRUE(engine::MakeFolders(deep, error)) << "made twice: " << error;
    const std::string name = deep + "\xF0\x9F\x98\x80.jsonl";
    std::FILE* file = cli::OpenFile(name, "w");
    ASSERT_NE(file, nullptr);
    std::fputs("{\"a\":1}\n", file);
    std::fclose(file);
    EXPECT_EQ(winfiles::ReadBytes(name), "{\"a\":1}\n");  // no carriage return added
    EXPECT_FALSE(engine::MakeFolders(name + "/below", error));  // a file stands in the way
    EXPECT_FALSE(error.empty());
}
