// The folder walk with its files: every folder level by level and, for each
// folder, its files with their sizes and times.
#include "toolkit/folder_tree.h"

#include <windows.h>

#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "scratch_folder.h"

namespace {

using scratch::ScratchFolder;

TEST(FolderTreeFiles, EveryFolderLevelByLevelWithItsFilesSizesAndTimes)
{
    ScratchFolder root("tree_files");
    ASSERT_EQ(root.Shell("mkdir -p a/b/c d e && printf 12345 > top.txt && printf 1 > a/one && "
                         "touch a/b/two a/b/c/three d/.hidden-name && "
                         "TZ=UTC touch -d '2010-07-14 09:05:03' a/one"),
              0);
    ASSERT_TRUE(SetFileAttributesA((root.win + "\\a\\b\\two").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA((root.win + "\\a\\b\\c\\three").c_str(),
                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));

    StringArray folders;
    std::vector<TreeFile> files;
    ASSERT_EQ(ListFolderTree(folders, root.win + "\\*.*", &files), 6);

    // The start folder, then the three folders of level 1 in the listing's
    // order, then a\b, then a\b\c.
    const std::string r = root.win;
    EXPECT_EQ(Element(folders, 1), r);
    EXPECT_EQ((std::set<std::string>{Element(folders, 2), Element(folders, 3), Element(folders, 4)}),
              (std::set<std::string>{r + "\\a", r + "\\d", r + "\\e"}));
    EXPECT_EQ(Element(folders, 5), r + "\\a\\b");
    EXPECT_EQ(Element(folders, 6), r + "\\a\\b\\c");

    // Each file once, under its own folder, hidden, system and read-only ones
    // included; folders come one after the other.
    const std::map<std::string, std::set<std::string>> expected = {
        {r, {"top.txt"}},
        {r + "\\a", {"one"}},
        {r + "\\a\\b", {"two"}},
        {r + "\\a\\b\\c", {"three"}},
        {r + "\\d", {".hidden-name"}},
    };
    std::map<std::string, std::set<std::string>> walked;
    int previousFolder = 0;
    for (const TreeFile& file : files) {
        ASSERT_GE(file.folder, 1);
        ASSERT_LE(file.folder, 6);
        EXPECT_GE(file.folder, previousFolder) << "files come folder by folder";
        previousFolder = file.folder;
        walked[Element(folders, file.folder)].insert(file.name);
        if (file.name == "top.txt")
            EXPECT_EQ(file.info.size, 5);
        if (file.name == "one") {
            EXPECT_EQ(file.info.size, 1);
            EXPECT_EQ(file.info.writeTime, 1279098303);   // 2010-07-14 09:05:03 UTC
        }
        if (file.name == "three")
            EXPECT_EQ(file.info.size, 0);
    }
    EXPECT_EQ(walked, expected);
    EXPECT_EQ(files.size(), 5u);
}

TEST(FolderTreeFiles, WithoutAFileListOnlyFoldersAreListed)
{
    ScratchFolder root("tree_no_files");
    ASSERT_EQ(root.Shell("mkdir -p x/y && touch f x/g"), 0);
    StringArray folders;
    EXPECT_EQ(ListFolderTree(folders, root.win + "\\\\*.*"), 3);
    EXPECT_EQ(Element(folders, 1), root.win);
}

}  // namespace
