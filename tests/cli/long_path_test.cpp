// Windows paths in their long form, whatever the length: drives, shares,
// device names, tops and parents.
#include "fsys/long_path.h"

#include <gtest/gtest.h>

namespace {

std::string Long(const std::string& full)
{
    std::string longPath, error;
    EXPECT_TRUE(fsys::LongForm(full, longPath, error)) << full << ": " << error;
    return longPath;
}

std::string Refused(const std::string& full)
{
    std::string longPath, error;
    EXPECT_FALSE(fsys::LongForm(full, longPath, error)) << full << " gave " << longPath;
    return error;
}

}  // namespace

TEST(LongPath, FormsOfFullPaths)
{
    EXPECT_EQ(Long("C:\\photos\\2020"), "\\\\?\\C:\\photos\\2020");
    EXPECT_EQ(Long("C:\\photos\\"), "\\\\?\\C:\\photos");
    EXPECT_EQ(Long("C:\\"), "\\\\?\\C:\\");
    EXPECT_EQ(Long("d:"), "\\\\?\\d:\\");
    EXPECT_EQ(Long("\\\\nas\\share\\photos"), "\\\\?\\UNC\\nas\\share\\photos");
    EXPECT_EQ(Long("\\\\nas\\share"), "\\\\?\\UNC\\nas\\share\\");
    EXPECT_EQ(Long("\\\\.\\C:\\x"), "\\\\?\\C:\\x");
    EXPECT_EQ(Long("\\\\?\\C:\\trailing dot."), "\\\\?\\C:\\trailing dot.");  // kept as given
    const std::string deep = "C:\\" + std::string(2000, 'x');
    EXPECT_EQ(Long(deep), "\\\\?\\" + deep);

    EXPECT_NE(Refused("\\\\.\\NUL").find("device"), std::string::npos);
    EXPECT_NE(Refused("\\\\nas").find("share"), std::string::npos);
    EXPECT_NE(Refused("\\\\nas\\").find("share"), std::string::npos);
    Refused("photos\\2020");
    Refused("");
}

TEST(LongPath, TopsAndParents)
{
    EXPECT_EQ(fsys::ParentOf("\\\\?\\C:\\a\\b"), "\\\\?\\C:\\a");
    EXPECT_EQ(fsys::ParentOf("\\\\?\\C:\\a"), "\\\\?\\C:\\");
    EXPECT_EQ(fsys::ParentOf("\\\\?\\C:\\"), "");
    EXPECT_EQ(fsys::ParentOf("\\\\?\\UNC\\nas\\share\\a"), "\\\\?\\UNC\\nas\\share\\");
    EXPECT_EQ(fsys::ParentOf("\\\\?\\UNC\\nas\\share\\"), "");
    EXPECT_EQ(fsys::ParentOf("\\\\?\\Volume{0d2f}\\a"), "\\\\?\\Volume{0d2f}\\");
    EXPECT_EQ(fsys::Join("\\\\?\\C:\\", "a"), "\\\\?\\C:\\a");
    EXPECT_EQ(fsys::Join("\\\\?\\C:\\a", "b"), "\\\\?\\C:\\a\\b");
}

TEST(LongPath, DriveLetters)
{
    EXPECT_EQ(fsys::DriveOf("q:\\photos"), 'Q');
    EXPECT_EQ(fsys::DriveOf("Q:"), 'Q');
    EXPECT_EQ(fsys::DriveOf("Q:relative"), 'Q');
    EXPECT_EQ(fsys::DriveOf("\\\\?\\Q:\\x"), 'Q');
    EXPECT_EQ(fsys::DriveOf("\\\\.\\Q:\\x"), 'Q');
    EXPECT_EQ(fsys::DriveOf("\\\\nas\\share"), 0);
    EXPECT_EQ(fsys::DriveOf("photos"), 0);
    EXPECT_EQ(fsys::DriveOf("1:\\x"), 0);
}
