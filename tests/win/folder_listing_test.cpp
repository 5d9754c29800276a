// Folder listings of Tableau (codes 16, 17, 19) and DirSearch on real trees.
#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scratch_folder.h"
#include "string_items.h"
#include "toolkit/dir_search.h"
#include "toolkit/folder_tree.h"
#include "toolkit/tableau.h"

namespace {

using scratch::ScratchFolder;

std::set<std::string> ItemSet(const StringArray& array, int first, int last)
{
    std::set<std::string> items;
    for (int i = first; i <= last; ++i)
        items.insert(Element(array, i));
    return items;
}

int Position(const StringArray& array, const std::string& item)
{
    for (int i = 1; i <= UpperBound(array); ++i) {
        if (Element(array, i) == item)
            return i;
    }
    return 0;
}

TEST(FolderTree, ListsLevelAfterLevel)
{
    ScratchFolder root("tree_levels");
    ASSERT_EQ(root.Shell("mkdir -p a/a1/a1x a/a2 b/b1/b1x b/b1/b1y c"), 0);
    const std::string r = root.win;

    StringArray folders;
    ASSERT_EQ(Tableau(19, folders, 0, r + "\\*.*"), 10);
    EXPECT_EQ(Element(folders, 1), r);
    EXPECT_EQ(ItemSet(folders, 2, 4), (std::set<std::string>{r + "\\a", r + "\\b", r + "\\c"}));
    EXPECT_EQ(ItemSet(folders, 5, 7),
              (std::set<std::string>{r + "\\a\\a1", r + "\\a\\a2", r + "\\b\\b1"}));
    EXPECT_EQ(ItemSet(folders, 8, 10), (std::set<std::string>{r + "\\a\\a1\\a1x", r + "\\b\\b1\\b1x",
                                                              r + "\\b\\b1\\b1y"}));
    // Within a level, the children of an earlier folder come first.
    EXPECT_EQ(Position(folders, r + "\\a") < Position(folders, r + "\\b"),
              Position(folders, r + "\\a\\a1") < Position(folders, r + "\\b\\b1"));
    EXPECT_EQ(Position(folders, r + "\\a\\a1") < Position(folders, r + "\\b\\b1"),
              Position(folders, r + "\\a\\a1\\a1x") < Position(folders, r + "\\b\\b1\\b1x"));
}

TEST(FolderTree, StartFolderLosesTrailingBackslashesAndFormerItems)
{
    ScratchFolder root("tree_start");
    ASSERT_EQ(root.Shell("mkdir -p sub && touch file.txt"), 0);

    StringArray folders;
    for (int i = 0; i < 5; ++i)
        AppendItem(folders, "old");
    ASSERT_EQ(Tableau(19, folders, 0, root.win + "\\\\\\*.*"), 2);
    EXPECT_EQ(ItemsOf(folders), (std::vector<std::string>{root.win, root.win + "\\sub"}));
}

TEST(FolderTree, FolderWithoutSubfoldersOrMissingGivesTheStartFolderOnly)
{
    ScratchFolder root("tree_alone");
    ASSERT_EQ(root.Shell("touch a.txt b"), 0);

    StringArray folders;
    EXPECT_EQ(Tableau(19, folders, 0, root.win + "\\*.*"), 1);
    EXPECT_EQ(Element(folders, 1), root.win);

    const std::string missing = root.win + "\\nowhere";
    EXPECT_EQ(Tableau(19, folders, 0, missing + "\\*.*"), 1);
    EXPECT_EQ(Element(folders, 1), missing);
}

TEST(FolderTree, NamePatternAppliesAtEveryLevel)
{
    ScratchFolder root("tree_pattern");
    ASSERT_EQ(root.Shell("mkdir -p x1/x2 x1/y2 y1/x3"), 0);

    StringArray folders;
    ASSERT_EQ(Tableau(19, folders, 0, root.win + "\\x*"), 3);
    EXPECT_EQ(ItemsOf(folders), (std::vector<std::string>{root.win, root.win + "\\x1",
                                                        root.win + "\\x1\\x2"}));
}

// The drive: a letter of the Wine prefix linked to the scratch folder.
TEST(FolderTree, DriveRootIsItsLetterAndColon)
{
    ScratchFolder root("tree_drive");
    ASSERT_EQ(root.Shell("mkdir -p one/deeper two"), 0);
    const std::string link = "\"$WINEPREFIX/dosdevices/k:\"";
    ASSERT_EQ(RunUnix("ln -sfn '" + root.unix + "' " + link), 0);

    StringArray folders;
    const int count = Tableau(19, folders, 0, "K:\\*.*");
    RunUnix("rm -f " + link);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(Element(folders, 1), "K:");
    EXPECT_EQ(ItemSet(folders, 2, 3), (std::set<std::string>{"K:\\one", "K:\\two"}));
    EXPECT_EQ(Element(folders, 4), "K:\\one\\deeper");
}

TEST(FolderListing, HiddenSystemAndReadOnlyEntriesAreListed)
{
    ScratchFolder root("listing_attributes");
    // Wine keeps no read-only flag that SetFileAttributes puts on a folder; it
    // reports one for a folder without write permission.
    ASSERT_EQ(root.Shell("mkdir hid sys ro plain && chmod a-w ro && "
                         "touch hid.txt sys.txt ro.txt plain.txt"),
              0);
    const struct {
        const char* name;
        DWORD attribute;
    } marked[] = {{"hid", FILE_ATTRIBUTE_HIDDEN}, {"sys", FILE_ATTRIBUTE_SYSTEM},
                  {"ro", FILE_ATTRIBUTE_READONLY}, {"hid.txt", FILE_ATTRIBUTE_HIDDEN},
                  {"sys.txt", FILE_ATTRIBUTE_SYSTEM}, {"ro.txt", FILE_ATTRIBUTE_READONLY}};
    for (const auto& entry : marked) {
        const std::string path = root.win + "\\" + entry.name;
        const DWORD before = GetFileAttributesA(path.c_str());
        SetFileAttributesA(path.c_str(), before | entry.attribute);
        ASSERT_NE(GetFileAttributesA(path.c_str()) & entry.attribute, 0u) << entry.name;
    }

    StringArray folders;
    ASSERT_EQ(Tableau(19, folders, 0, root.win + "\\*.*"), 5);
    EXPECT_EQ(ItemSet(folders, 2, 5),
              (std::set<std::string>{root.win + "\\hid", root.win + "\\sys", root.win + "\\ro",
                                     root.win + "\\plain"}));

    StringArray files;
    ASSERT_EQ(Tableau(17, files, 0, root.win + "\\*.*"), 4);
    EXPECT_EQ(ItemSet(files, 1, 4),
              (std::set<std::string>{"hid.txt", "sys.txt", "ro.txt", "plain.txt"}));

    StringArray subfolders;
    ASSERT_EQ(Tableau(16, subfolders, 0, root.win + "\\*.*"), 4);
    EXPECT_EQ(ItemSet(subfolders, 1, 4), (std::set<std::string>{"hid", "sys", "ro", "plain"}));
}

TEST(FolderListing, FilesAsBareNamesOrFullPathsAfterFormerItems)
{
    ScratchFolder root("listing_files");
    ASSERT_EQ(root.Shell("mkdir sub && touch one.txt two"), 0);

    StringArray bare;
    AppendItem(bare, "kept");
    ASSERT_EQ(Tableau(17, bare, 0, root.win + "\\*.*"), 3);
    EXPECT_EQ(Element(bare, 1), "kept");
    EXPECT_EQ(ItemSet(bare, 2, 3), (std::set<std::string>{"one.txt", "two"}));

    StringArray full;
    ASSERT_EQ(Tableau(17, full, 1, root.win + "\\*.*"), 2);
    EXPECT_EQ(ItemSet(full, 1, 2),
              (std::set<std::string>{root.win + "\\one.txt", root.win + "\\two"}));

    // Only the low byte of the flag counts: 0x101 is 1.
    StringArray lowByte;
    ASSERT_EQ(Tableau(17, lowByte, 0x101, root.win + "\\*.*"), 2);
    EXPECT_EQ(ItemSet(lowByte, 1, 2), ItemSet(full, 1, 2));
}

TEST(FolderListing, ListingTwiceListsTwice)
{
    ScratchFolder root("listing_twice");
    ASSERT_EQ(root.Shell("touch a b c"), 0);

    StringArray files;
    ASSERT_EQ(Tableau(17, files, 1, root.win + "\\*.*"), 3);
    ASSERT_EQ(Tableau(17, files, 1, root.win + "\\*.*"), 6);
    std::vector<std::string> items = ItemsOf(files);
    std::sort(items.begin(), items.end());
    const std::string a = root.win + "\\a", b = root.win + "\\b", c = root.win + "\\c";
    EXPECT_EQ(items, (std::vector<std::string>{a, a, b, b, c, c}));
}

TEST(FolderListing, MissingOrFolderOnlyPatternAddsNothing)
{
    ScratchFolder root("listing_nothing");
    ASSERT_EQ(root.Shell("mkdir d1 d2"), 0);

    StringArray empty;
    EXPECT_EQ(Tableau(17, empty, 1, root.win + "\\missing\\*.*"), 0);
    EXPECT_EQ(UpperBound(empty), 0);

    StringArray some;
    AppendItem(some, "x");
    EXPECT_EQ(Tableau(17, some, 1, root.win + "\\missing\\*.*"), 1);
    EXPECT_EQ(Tableau(17, some, 1, root.win + "\\*.*"), 1);  // folders only
    EXPECT_EQ(ItemsOf(some), std::vector<std::string>{"x"});
}

// The tree: root with 10500 folders d00001..d10500, each holding a folder s.
// The root and the first 9999 folders listed make 10000 scanned folders:
// exactly 9999 "s" folders are found, all 10500 "d" folders stay listed.
TEST(FolderTree, StopsScanningAfterTenThousandFolders)
{
    ScratchFolder root("tree_cap");
    ASSERT_EQ(root.Shell("seq -f d%05g 1 10500 | xargs mkdir && "
                         "seq -f d%05g/s 1 10500 | xargs mkdir && touch d10400/f d10400/s/g"),
              0);

    StringArray folders;
    const int count = Tableau(19, folders, 0, root.win + "\\*.*");
    ASSERT_EQ(count, 1 + 10500 + 9999);
    EXPECT_EQ(Element(folders, 1), root.win);

    std::set<std::string> found;
    for (int i = 2; i <= 10501; ++i) {
        const std::string& item = Element(folders, i);
        ASSERT_EQ(item.size(), root.win.size() + 7) << i;
        found.insert(item);
    }
    EXPECT_EQ(found.size(), 10500u);

    for (int i = 10502; i <= count; ++i) {
        const std::string& item = Element(folders, i);
        const std::string parent = item.substr(0, item.size() - 2);
        ASSERT_EQ(item.substr(item.size() - 2), "\\s") << item;
        // The parent of the k-th "s" is the k-th "d" folder: scanned in list order.
        ASSERT_EQ(parent, Element(folders, i - 10500)) << item;
    }

    // Asked for files too, the walk lists the same folders, and reads the
    // folders beyond the cap for their files only: d10400 (listed, not
    // scanned) gives its file, while its sub-folder was never listed.
    StringArray walked;
    std::vector<TreeFile> files;
    ASSERT_EQ(ListFolderTree(walked, root.win + "\\*.*", &files), count);
    EXPECT_EQ(walked.elements, folders.elements);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "f");
    EXPECT_EQ(Element(walked, files[0].folder), root.win + "\\d10400");
}

TEST(DirSearch, WithoutPatternOrOpenSearchGivesNothing)
{
    int attributes = 77;
    EXPECT_EQ(DirSearch("", 0x37, &attributes), "");
    EXPECT_EQ(attributes, 0);
}

TEST(DirSearch, ReportsAttributesSizeAndTimeAndEndsTheSearch)
{
    ScratchFolder root("search_entries");
    ASSERT_EQ(root.Shell("mkdir d && printf 12345 > f && touch -d '2021-03-28 01:30:00 UTC' f && "
                         "touch -d '1960-05-01 12:00:00 UTC' old && truncate -s 5G big"),
              0);

    std::set<std::string> seen;
    int attributes = 0;
    DirEntryInfo info;
    for (std::string name = DirSearch(root.win + "\\*", 0x37, &attributes, &info); !name.empty();
         name = DirSearch("", 0, &attributes, &info)) {
        seen.insert(name);
        if (name == "f") {
            EXPECT_EQ(attributes & 0x10, 0);
            EXPECT_EQ(info.size, 5);
            EXPECT_EQ(info.writeTime, 1616895000);
        }
        if (name == "old")  // before 1970: the exact time, not a wrapped one
            EXPECT_EQ(info.writeTime, -305121600);
        if (name == "big")
            EXPECT_EQ(info.size, 5LL << 30);
        if (name == "d")
            EXPECT_NE(attributes & 0x10, 0);
    }
    EXPECT_EQ(seen, (std::set<std::string>{".", "..", "d", "f", "old", "big"}));
    EXPECT_EQ(DirSearch("", 0, &attributes), "");  // the search has ended
}

TEST(DirSearch, MaskWithoutFolderBitSkipsFoldersAndHiddenEntries)
{
    ScratchFolder root("search_mask");
    ASSERT_EQ(root.Shell("mkdir d && touch plain hidden"), 0);
    const std::string hidden = root.win + "\\hidden";
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));

    std::set<std::string> seen;
    int attributes = 0;
    for (std::string name = DirSearch(root.win + "\\*", 0, &attributes); !name.empty();
         name = DirSearch("", 0, &attributes))
        seen.insert(name);
    EXPECT_EQ(seen, std::set<std::string>{"plain"});
}

TEST(DirSearch, NewPatternReplacesTheOpenSearch)
{
    ScratchFolder root("search_replace");
    ASSERT_EQ(root.Shell("mkdir one two && touch one/a.x one/b.x two/c.x"), 0);

    int attributes = 0;
    std::string name = DirSearch(root.win + "\\one\\*.x", 0x37, &attributes);
    EXPECT_TRUE(name == "a.x" || name == "b.x") << name;
    EXPECT_EQ(DirSearch(root.win + "\\two\\*.x", 0x37, &attributes), "c.x");
    EXPECT_EQ(DirSearch("", 0, &attributes), "");
}

DWORD WINAPI NextEntryOnThisThread(void*)
{
    int attributes = 0;
    return DirSearch("", 0, &attributes).empty() ? 0 : 1;
}

TEST(DirSearch, EachThreadHasItsOwnSearch)
{
    ScratchFolder root("search_threads");
    ASSERT_EQ(root.Shell("touch a.x b.x"), 0);

    int attributes = 0;
    const std::string first = DirSearch(root.win + "\\*.x", 0x37, &attributes);
    ASSERT_FALSE(first.empty());
    HANDLE thread = CreateThread(nullptr, 0, NextEntryOnThisThread, nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(code, 0u);  // the other thread has no open search
    const std::string second = DirSearch("", 0, &attributes);
    EXPECT_EQ(std::set<std::string>({first, second}), (std::set<std::string>{"a.x", "b.x"}));
}

}  // namespace
