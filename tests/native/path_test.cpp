#include "toolkit/path.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* path;
    const char* drive;
    const char* folder;
    const char* name;
    const char* extension;
};

const SplitCase kSplitCases[] = {
    {"C:\\a\\b.txt", "C:", "\\a\\", "b", ".txt"},
    {"C:\\a.b\\c", "C:", "\\a.b\\", "c", ""},
    {"\\\\srv\\share\\d\\f.tar.gz", "\\\\srv\\share", "\\d\\", "f.tar", ".gz"},
    {"\\\\srv\\share\\", "\\\\srv\\share", "\\", "", ""},
    {"\\\\srv\\share", "\\\\srv", "\\", "share", ""},  // no separator after the share
    {"\\\\srv", "\\\\srv", "", "", ""},
    {"\\\\srv/share/f", "\\\\srv/share", "/", "f", ""},
    {"f", "", "", "f", ""},
    {"C:", "C:", "", "", ""},
    {"C:f.x", "C:", "", "f", ".x"},
    {"/x/y", "", "/x/", "y", ""},
    {"a\\b/c.d", "", "a\\b/", "c", ".d"},
    {"D:\\", "D:", "\\", "", ""},
    {"C:\\dir\\*.*", "C:", "\\dir\\", "*", ".*"},
    {".profile", "", "", "", ".profile"},
    {"", "", "", "", ""},
    {"   ", "", "", "   ", ""},
};

TEST(SplitPath, GivesDriveFolderNameExtensionThatJoinBack)
{
    for (const SplitCase& c : kSplitCases) {
        const PathParts parts = SplitPath(c.path);
        EXPECT_EQ(parts.drive, c.drive) << c.path;
        EXPECT_EQ(parts.folder, c.folder) << c.path;
        EXPECT_EQ(parts.name, c.name) << c.path;
        EXPECT_EQ(parts.extension, c.extension) << c.path;
        EXPECT_EQ(parts.drive + parts.folder + parts.name + parts.extension, c.path) << c.path;
    }
}

struct PartCase {
    const char* path;
    const char* modes[8];  // results of modes 1 to 7, then of mode 8
};

const PartCase kPartCases[] = {
    {"C:\\a\\b.txt", {"C:", "\\a\\", "C:\\a\\", "b", ".txt", "b.txt", "C:\\a\\b", ""}},
    {"C:\\a.b\\c", {"C:", "\\a.b\\", "C:\\a.b\\", "c", "", "c", "C:\\a.b\\c", ""}},
    {"\\\\srv\\share\\d\\f.tar.gz",
     {"\\\\srv\\share", "\\d\\", "\\\\srv\\share\\d\\", "f.tar", ".gz", "f.tar.gz",
      "\\\\srv\\share\\d\\f.tar", ""}},
    {"f", {"", "", "", "f", "", "f", "f", ""}},
    {"C:", {"C:", "", "C:", "", "", "", "C:", ""}},
    {"/x/y", {"", "/x/", "/x/", "y", "", "y", "/x/y", ""}},
    {"C:\\Photos\\*.*", {"C:", "\\Photos\\", "C:\\Photos\\", "*", ".*", "*.*", "C:\\Photos\\*", ""}},
    {"", {"", "", "", "", "", "", "", ""}},
    {"   ", {"", "", "", "", "", "", "", ""}},
};

TEST(PathPart, ModesOneToSevenAndOthers)
{
    for (const PartCase& c : kPartCases) {
        for (int mode = 1; mode <= 8; ++mode)
            EXPECT_EQ(PathPart(mode, c.path), c.modes[mode - 1]) << c.path << " mode " << mode;
        EXPECT_EQ(PathPart(0, c.path), "") << c.path;
        EXPECT_EQ(PathPart(-1, c.path), "") << c.path;
    }
}

struct StripCase {
    const char* text;
    const char* expected;
};

const StripCase kStripCases[] = {
    {"C:\\Photos", "C:\\Photos"},
    {"Photos  ", "Photos  "},           // no backslash: unchanged, blanks kept
    {"   ", "   "},                     // blank: unchanged
    {"", ""},
    {"C:\\Photos\\\\ ", "C:\\Photos"},  // blanks first, then every backslash
    {"C:\\Photos\\ \\", "C:\\Photos\\ "},
    {"\\", ""},
    {"\\\\\\", ""},
    {"D:\\", "D:"},
    {"\\\\srv\\share\\", "\\\\srv\\share"},
};

TEST(StripTrailing, RemovesTrailingBlanksThenTrailingBackslashes)
{
    for (const StripCase& c : kStripCases)
        EXPECT_EQ(StripTrailing(c.text, "\\"), c.expected) << '"' << c.text << '"';
}

TEST(StripTrailing, WorksForOtherCharacters)
{
    EXPECT_EQ(StripTrailing("a//", "/"), "a");
    EXPECT_EQ(StripTrailing("a\\", "/"), "a\\");
    EXPECT_EQ(StripTrailing("x;;", ";"), "x");
}

}  // namespace
