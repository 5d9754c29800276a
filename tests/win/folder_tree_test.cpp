// The folder walk with its files: the same folders as code 19 and, for each
// folder, the same files as code 17 with their sizes and times.
#include "toolkit/folder_tree.h"

#include <windows.h>

#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "scratch_folder.h"
#include "toolkit/tableau.h"

namespace {

using scratch::ScratchFolder;

TEST(FolderTreeFiles, EachFolderHasTheFilesCode17ListsWithTheirSizeAndTime)
{
    ScratchFolder root("tree_files");
    ASSERT_EQ(root.Shell("mkdir -p a/b/c d e && printf 12345 > top.txt && printf 1 > a/one && "
                         "touch a/b/two a/b/c/three d/.hidden-name && "
                         "TZ=UTC touch -d '2010-07-14 09:05:03' a/one"),
              0);
    SetFileAttributesA((root.win + "\\a\\b\\two").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((root.win + "\\a\\b\\c\\three").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);

    StringArray folders;
    std::vector<TreeFile> files;
    const int count = ListFolderTree(folders, root.win + "\\*.*", &files);

    StringArray expectedFolders;
    ASSERT_EQ(Tableau(19, expectedFolders, 0, root.win + "\\*.*"), count);
    EXPECT_EQ(folders.elements, expectedFolders.elements);

    std::map<int, std::set<std::string>> walked;
    int previousFolder = 0;
    for (const TreeFile& file : files) {
        EXPECT_GE(file.folder, previousFolder) << "files come folder by folder";
        previousFolder = file.folder;
        walked[file.folder].insert(file.name);
        if (file.name == "top.txt")
            EXPECT_EQ(file.info.size, 5);
        if (file.name == "one")
            EXPECT_EQ(file.info.writeTime, 1279098303);
    }
    for (int i = 1; i <= count; ++i) {
        StringArray listed;
        Tableau(17, listed, 0, Element(folders, i) + "\\*.*");
        const std::set<std::string> expected(listed.elements.begin() + (listed.elements.empty() ? 0 : 1),
                                             listed.elements.end());
        EXPECT_EQ(walked[i], expected) << Element(folders, i);
    }
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
