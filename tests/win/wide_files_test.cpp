// The wide-character file layer on real trees: conversions, "\\?\" paths,
// the breadth-first walk.
#include <windows.h>

#include <algorithm>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "scratch_folder.h"
#include "winfs/file_facts.h"
#include "winfs/long_path.h"
#include "winfs/tree_walk.h"
#include "winfs/wide_text.h"

namespace {

using scratch::ScratchFolder;

std::wstring Wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

TEST(WideText, EveryByteOfTheCodePageComesBackAndOtherCharactersBecomeQuestionMarks)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    const std::wstring wide = WideFromAnsi(all);
    EXPECT_EQ(wide[0xE9 - 1], L'\x00E9');  // é
    EXPECT_EQ(wide[0x80 - 1], L'\x20AC');  // €
    // cp1252 leaves five bytes unassigned; every assigned one comes back.
    const std::string back = AnsiFromWide(wide);
    ASSERT_EQ(back.size(), all.size());
    for (int byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_TRUE(back[byte - 1] == all[byte - 1] || back[byte - 1] == '?') << byte;
    int differing = 0;
    for (size_t i = 0; i < all.size(); ++i)
        differing += back[i] != all[i];
    EXPECT_LE(differing, 5);

    // No look-alikes: a fullwidth backslash and the Greek mu stay no "\" or "µ".
    EXPECT_EQ(AnsiFromWide(L"..\xFF3Cvictim \x03BC \x65E5\x672C"), "..?victim ? ??");
    EXPECT_EQ(AnsiFromWide(L""), "");
    EXPECT_EQ(Utf8FromWide(L"caf\x00E9 \xD83D\xDE00"), "caf\xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(WideFromUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80"), L"caf\x00E9 \xD83D\xDE00");
}

TEST(LongPath, TheExtendedFormOfWhatThePlainFormNames)
{
    EXPECT_EQ(ExtendedPath(L"C:\\Photos\\2010\\..\\2011\\.\\a.jpg"), L"\\\\?\\C:\\Photos\\2011\\a.jpg");
    EXPECT_EQ(ExtendedPath(L"C:/Photos/a.jpg"), L"\\\\?\\C:\\Photos\\a.jpg");
    EXPECT_EQ(ExtendedPath(L"C:\\Photos\\"), L"\\\\?\\C:\\Photos\\");
    EXPECT_EQ(ExtendedPath(L"D:\\"), L"\\\\?\\D:\\");
    // The plain form drops trailing dots and blanks: so does the extended one made of it.
    EXPECT_EQ(ExtendedPath(L"C:\\Photos\\data."), L"\\\\?\\C:\\Photos\\data");
    EXPECT_EQ(ExtendedPath(L"\\\\server\\share\\x"), L"\\\\?\\UNC\\server\\share\\x");
    EXPECT_EQ(ExtendedPath(L"\\\\?\\C:\\a\\..\\b."), L"\\\\?\\C:\\a\\..\\b.");
    EXPECT_EQ(ExtendedPath(L"\\\\.\\COM1"), L"\\\\.\\COM1");
    EXPECT_EQ(ExtendedPath(L""), L"");

    wchar_t current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
    EXPECT_EQ(ExtendedPath(L"relative.txt"), JoinPath(L"\\\\?\\" + std::wstring(current), L"relative.txt"));
    const std::wstring longName(300, L'x');
    EXPECT_EQ(ExtendedPath(L"C:\\" + longName + L"\\f"), L"\\\\?\\C:\\" + longName + L"\\f");

    EXPECT_EQ(JoinPath(L"\\\\?\\D:\\", L"a"), L"\\\\?\\D:\\a");
    EXPECT_EQ(JoinPath(L"\\\\?\\D:\\x", L"a"), L"\\\\?\\D:\\x\\a");
    EXPECT_EQ(JoinPath(L"", L"a"), L"a");
}

std::wstring FolderOf(const TreeWalk& walk, const WalkFile& file)
{
    return walk.folders[static_cast<size_t>(file.folder)];
}

TEST(TreeWalk, WideNamesLongPathsHiddenEntriesBreadthFirst)
{
    ScratchFolder root("wide_walk");
    const std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e');
    ASSERT_EQ(root.Shell("mkdir -p b/c/d '" + deep + "' && touch top b/c/d/bottom '" + deep +
                         "/far.txt' hidden 'data.'"),
              0);
    const std::wstring base = ExtendedPath(Wide(root.win));
    ASSERT_TRUE(SetFileAttributesW(JoinPath(base, L"hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    // Names outside the code page, made from this side.
    ASSERT_TRUE(CreateDirectoryW(JoinPath(base, L"\x03A9").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(JoinPath(base, L"\x03A9\\\x65E5").c_str(), nullptr));
    HANDLE emoji = CreateFileW(JoinPath(base, L"\x03A9\\\x65E5\\\xD83D\xDE00.png").c_str(), GENERIC_WRITE, 0,
                               nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(emoji, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(emoji, "12345", 5, &written, nullptr);
    const uint64_t emojiTicks = (1616895000ULL + 11644473600ULL) * 10000000ULL;
    const FILETIME emojiTime = {static_cast<DWORD>(emojiTicks), static_cast<DWORD>(emojiTicks >> 32)};
    SetFileTime(emoji, nullptr, nullptr, &emojiTime);
    CloseHandle(emoji);

    TreeWalk walk;
    walk.files.push_back(WalkFile());  // replaced, not added to
    WalkTree(base, walk);

    // Level after level.
    ASSERT_EQ(walk.folders.size(), 8u);
    EXPECT_EQ(walk.folders[0], L"");
    auto levelOf = [](const std::wstring& folder) {
        return folder.empty() ? 0 : 1 + std::count(folder.begin(), folder.end(), L'\\');
    };
    for (size_t i = 1; i < walk.folders.size(); ++i)
        EXPECT_LE(levelOf(walk.folders[i - 1]), levelOf(walk.folders[i])) << i;
    const std::set<std::wstring> folders(walk.folders.begin(), walk.folders.end());
    EXPECT_EQ(folders, (std::set<std::wstring>{L"", L"\x03A9", L"b", Wide(std::string(120, 'd')), L"\x03A9\\\x65E5",
                                               L"b\\c", Wide(std::string(120, 'd') + "\\" + std::string(120, 'e')),
                                               L"b\\c\\d"}));

    // Files folder by folder, hidden and system ones and any name included.
    std::set<std::wstring> files;
    for (size_t i = 0; i < walk.files.size(); ++i) {
        const WalkFile& file = walk.files[i];
        if (i > 0)
            EXPECT_LE(walk.files[i - 1].folder, file.folder);
        files.insert(JoinPath(FolderOf(walk, file), file.name));
        if (file.name == L"\xD83D\xDE00.png") {
            EXPECT_EQ(file.size, 5);
            EXPECT_EQ(file.writeTicks, emojiTicks);
        }
        if (file.name == L"hidden")
            EXPECT_EQ(file.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                      static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    }
    EXPECT_EQ(files, (std::set<std::wstring>{L"top", L"hidden", L"data.", L"\x03A9\\\x65E5\\\xD83D\xDE00.png",
                                             L"b\\c\\d\\bottom",
                                             Wide(std::string(120, 'd') + "\\" + std::string(120, 'e') + "\\far.txt")}));
    // The path of the deepest file is beyond what the plain form can hold.
    EXPECT_GT(JoinPath(base, Wide(std::string(120, 'd') + "\\" + std::string(120, 'e') + "\\far.txt")).size(), 260u);
    FileFacts facts;
    EXPECT_TRUE(FactsOfPath(JoinPath(base, Wide(std::string(120, 'd') + "\\" + std::string(120, 'e') + "\\far.txt")),
                            facts));
    EXPECT_TRUE(FactsOfPath(JoinPath(base, L"data."), facts));
}

TEST(TreeWalk, MissingOrEmptyRootGivesTheStartFolderOnly)
{
    TreeWalk walk;
    WalkTree(L"\\\\?\\Z:\\no\\such\\folder", walk);
    EXPECT_EQ(walk.folders, std::vector<std::wstring>{L""});
    EXPECT_TRUE(walk.files.empty());
    WalkTree(L"", walk);
    EXPECT_EQ(walk.folders, std::vector<std::wstring>{L""});
    EXPECT_TRUE(walk.files.empty());
}

// Root, 10500 folders d00001..d10500 each holding a folder s: the root and
// the first 9999 folders listed make the 10000 searched for sub-folders.
// A folder listed beyond them is still read for its files.
TEST(TreeWalk, SearchesTenThousandFoldersForSubFolders)
{
    ScratchFolder root("wide_walk_cap");
    ASSERT_EQ(root.Shell("seq -f d%05g 1 10500 | xargs mkdir && seq -f d%05g/s 1 10500 | xargs mkdir && "
                         "touch d10400/f d10400/s/g"),
              0);
    TreeWalk walk;
    WalkTree(ExtendedPath(Wide(root.win)), walk);
    ASSERT_EQ(walk.folders.size(), 1u + 10500 + 9999);
    for (size_t i = 10501; i < walk.folders.size(); ++i) {
        ASSERT_EQ(walk.folders[i], walk.folders[i - 10500] + L"\\s") << i;
    }
    // d10400 is one of the last 501 "d" folders, listed but not searched.
    const auto at = std::find(walk.folders.begin(), walk.folders.end(), L"d10400");
    ASSERT_NE(at, walk.folders.end());
    EXPECT_GE(at - walk.folders.begin(), 10000);
    ASSERT_EQ(walk.files.size(), 1u);
    EXPECT_EQ(walk.files[0].name, L"f");
    EXPECT_EQ(walk.folders[static_cast<size_t>(walk.files[0].folder)], L"d10400");
}

TEST(TreeWalk, EachFileCarriesTheIndexItsOpenHandleReports)
{
    ScratchFolder root("wide_walk_index");
    ASSERT_EQ(root.Shell("mkdir sub && printf abc > a && ln a sub/link && printf abcd > sub/b"), 0);
    const std::wstring base = ExtendedPath(Wide(root.win));
    const uint32_t volume = VolumeOfPath(base);

    TreeWalk walk;
    WalkTree(base, walk);

    ASSERT_EQ(walk.files.size(), 3u);
    std::set<uint64_t> indices;
    for (const WalkFile& file : walk.files) {
        const std::wstring path = JoinPath(JoinPath(base, FolderOf(walk, file)), file.name);
        FileIdentity identity;
        ASSERT_TRUE(IdentityOfPath(path, volume, identity));
        EXPECT_NE(file.index, 0u);
        EXPECT_EQ(file.index, identity.index);
        indices.insert(file.index);
        FileFacts facts;
        ASSERT_TRUE(FactsOfPath(path, facts));
        EXPECT_EQ(file.size, facts.size);
        EXPECT_EQ(file.writeTicks, facts.writeTicks);
    }
    // "a" and "sub\link" are one file.
    EXPECT_EQ(indices.size(), 2u);
}

TEST(FileFacts, IdentityIsTheFileWhateverThePath)
{
    ScratchFolder root("wide_identity");
    ASSERT_EQ(root.Shell("printf abc > a && ln a b && printf abc > c"), 0);
    const std::wstring base = ExtendedPath(Wide(root.win));
    const uint32_t volume = VolumeOfPath(base);
    EXPECT_NE(volume, 0u);
    FileIdentity a, b, c;
    ASSERT_TRUE(IdentityOfPath(JoinPath(base, L"a"), volume, a));
    ASSERT_TRUE(IdentityOfPath(JoinPath(base, L"b"), volume, b));
    ASSERT_TRUE(IdentityOfPath(JoinPath(base, L"c"), volume, c));
    EXPECT_EQ(a, b);
    EXPECT_FALSE(a == c);
    EXPECT_EQ(a.volume, volume);
    // The same file on another volume is another file.
    FileIdentity elsewhere;
    ASSERT_TRUE(IdentityOfPath(JoinPath(base, L"a"), volume + 1, elsewhere));
    EXPECT_FALSE(elsewhere == a);
    // What a handle tells matches the entry.
    HANDLE file = CreateFileW(JoinPath(base, L"a").c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FileFacts byHandle, byPath;
    EXPECT_TRUE(FactsOfHandle(file, volume, byHandle));
    uint64_t written = 0;
    EXPECT_TRUE(WriteTicksOfHandle(file, written));
    CloseHandle(file);
    ASSERT_TRUE(FactsOfPath(JoinPath(base, L"a"), byPath));
    EXPECT_EQ(byHandle.size, 3);
    EXPECT_EQ(byHandle.writeTicks, byPath.writeTicks);
    EXPECT_EQ(written, byPath.writeTicks);
    EXPECT_EQ(byHandle.creationTicks, byPath.creationTicks);
    EXPECT_EQ(byHandle.attributes, byPath.attributes);
    EXPECT_EQ(byHandle.identity, a);
    // Attribute access only: a handle that shares nothing does not stop it.
    HANDLE holder = CreateFileW(JoinPath(base, L"c").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    FileIdentity again;
    EXPECT_TRUE(IdentityOfPath(JoinPath(base, L"c"), volume, again));
    EXPECT_FALSE(IsReadable(JoinPath(base, L"c")));
    CloseHandle(holder);
    EXPECT_EQ(again, c);
    EXPECT_TRUE(IsReadable(JoinPath(base, L"c")));
    EXPECT_FALSE(IdentityOfPath(JoinPath(base, L"missing"), volume, again));
}

}  // namespace
