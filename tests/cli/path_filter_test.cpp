// The include and exclude rules: rsync's glob meaning on relative paths.
#include <gtest/gtest.h>

#include "engine/path_filter.h"

namespace {

engine::PathFilter Rules(std::initializer_list<std::pair<bool, const char*>> rules, bool backslash = false)
{
    engine::PathFilter filter(backslash);
    for (const auto& [include, pattern] : rules) {
        std::string error;
        EXPECT_TRUE(filter.Add(include, pattern, error)) << pattern << ": " << error;
    }
    return filter;
}

engine::PathFilter Exclude(const char* pattern)
{
    return Rules({{false, pattern}});
}

}  // namespace

TEST(Glob, StarsQuestionMarksAndClasses)
{
    using engine::GlobMatch;
    EXPECT_TRUE(GlobMatch("*.jpg", "a.jpg"));
    EXPECT_TRUE(GlobMatch("*.jpg", ".jpg"));
    EXPECT_FALSE(GlobMatch("*.jpg", "a.jpeg"));
    EXPECT_FALSE(GlobMatch("*.jpg", "d/a.jpg"));  // * stops at "/"
    EXPECT_TRUE(GlobMatch("**.jpg", "d/e/a.jpg"));
    EXPECT_TRUE(GlobMatch("d/**", "d/e/f"));
    EXPECT_FALSE(GlobMatch("d/**", "d"));
    EXPECT_TRUE(GlobMatch("a/**/b", "a/x/y/b"));
    EXPECT_FALSE(GlobMatch("a/*/b", "a/x/y/b"));
    EXPECT_TRUE(GlobMatch("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(GlobMatch("a*b*c", "aXbYbZ"));
    EXPECT_TRUE(GlobMatch("file?", "file1"));
    EXPECT_FALSE(GlobMatch("file?", "file"));
    EXPECT_FALSE(GlobMatch("a?b", "a/b"));
    // One byte, as in rsync: a character of two bytes takes two.
    EXPECT_FALSE(GlobMatch("caf?", "caf\xC3\xA9"));
    EXPECT_TRUE(GlobMatch("caf??", "caf\xC3\xA9"));
    // A star that stops inside a character of several bytes still lets a
    // later start match.
    EXPECT_TRUE(GlobMatch("?*?\x91\x91", "x\xF2\x91\x91\x91\xF2\x91\x91\x91"));
    EXPECT_TRUE(GlobMatch("img[0-9].png", "img7.png"));
    EXPECT_FALSE(GlobMatch("img[0-9].png", "imgx.png"));
    EXPECT_TRUE(GlobMatch("img[!0-9].png", "imgx.png"));
    EXPECT_TRUE(GlobMatch("img[^0-9].png", "imgx.png"));
    EXPECT_TRUE(GlobMatch("[]x]", "]"));
    EXPECT_FALSE(GlobMatch("a[/]b", "a/b"));
    EXPECT_TRUE(GlobMatch("\\*", "*"));
    EXPECT_FALSE(GlobMatch("\\*", "x"));
    EXPECT_TRUE(GlobMatch("", ""));
    EXPECT_FALSE(GlobMatch("", "x"));
    // Many stars over a long name that does not match: answered at once.
    EXPECT_FALSE(GlobMatch("*a*a*a*a*a*a*a*a*a*a*a*a*b", std::string(4000, 'a')));
    EXPECT_FALSE(GlobMatch("**a**a**a**a**a**a**a**b", std::string(2000, 'a') + "/" + std::string(2000, 'a')));
}

TEST(PathFilter, NamesWithoutSlashMatchTheLastNameAtAnyDepth)
{
    const auto filter = Exclude("*.tmp");
    EXPECT_TRUE(filter.Excluded("x.tmp", false));
    EXPECT_TRUE(filter.Excluded("a/b/x.tmp", false));
    EXPECT_TRUE(filter.Excluded("a/b/x.tmp", true));  // a folder so named too
    EXPECT_FALSE(filter.Excluded("x.tmp/y", false));
    EXPECT_FALSE(filter.Excluded("a/x.tmpl", false));
}

TEST(PathFilter, TrailingSlashMatchesFoldersOnly)
{
    const auto filter = Exclude("cache/");
    EXPECT_TRUE(filter.Excluded("cache", true));
    EXPECT_TRUE(filter.Excluded("a/cache", true));
    EXPECT_FALSE(filter.Excluded("cache", false));
    EXPECT_FALSE(filter.Excluded("a/cache", false));
}

TEST(PathFilter, LeadingSlashAnchorsAtTheTop)
{
    const auto filter = Exclude("/top.txt");
    EXPECT_TRUE(filter.Excluded("top.txt", false));
    EXPECT_FALSE(filter.Excluded("a/top.txt", false));
    const auto deep = Exclude("/a/*/c");
    EXPECT_TRUE(deep.Excluded("a/b/c", false));
    EXPECT_FALSE(deep.Excluded("x/a/b/c", false));
}

TEST(PathFilter, PathsWithSlashMatchTheLastNamesAtAnyDepth)
{
    const auto filter = Exclude("b/c");
    EXPECT_TRUE(filter.Excluded("b/c", false));
    EXPECT_TRUE(filter.Excluded("a/b/c", false));
    EXPECT_FALSE(filter.Excluded("ab/c", false));  // whole names only
    EXPECT_FALSE(filter.Excluded("a/b/c/d", false));
    const auto stars = Exclude("raw/**/*.cr2");
    EXPECT_TRUE(stars.Excluded("2020/raw/x/y.cr2", false));
    EXPECT_FALSE(stars.Excluded("2020/raw/y.cr2", false));  // ** between two "/" takes at least a name
    // A pattern with ** and no "/" is matched against the path too.
    const auto doubleStar = Exclude("a**z");
    EXPECT_TRUE(doubleStar.Excluded("x/ab/yz", false));
}

TEST(PathFilter, TheFirstMatchingRuleDecides)
{
    const auto keepJpegs = Rules({{true, "*.jpg"}, {false, "*"}});
    EXPECT_FALSE(keepJpegs.Excluded("a.jpg", false));
    EXPECT_TRUE(keepJpegs.Excluded("a.png", false));
    EXPECT_TRUE(keepJpegs.Excluded("folder", true));  // as in rsync: "*" leaves out folders too
    const auto foldersKept = Rules({{true, "*/"}, {true, "*.jpg"}, {false, "*"}});
    EXPECT_FALSE(foldersKept.Excluded("d", true));
    EXPECT_FALSE(foldersKept.Excluded("d/a.jpg", false));
    EXPECT_TRUE(foldersKept.Excluded("d/a.png", false));
    const auto excludeFirst = Rules({{false, "*.jpg"}, {true, "keep.jpg"}});
    EXPECT_TRUE(excludeFirst.Excluded("keep.jpg", false));
    EXPECT_FALSE(engine::PathFilter().Excluded("anything", false));
}

TEST(PathFilter, WithinTheFoldersAbove)
{
    const auto filter = Rules({{false, "/skip/"}, {true, "*.jpg"}});
    EXPECT_TRUE(filter.ExcludedWithin("skip/a.jpg", false));  // never reached: its folder is not walked
    EXPECT_FALSE(filter.Excluded("skip/a.jpg", false));
    EXPECT_FALSE(filter.ExcludedWithin("keep/a.jpg", false));
    EXPECT_TRUE(filter.ExcludedWithin("skip", true));
}

TEST(PathFilter, BackslashSeparatesWhereAsked)
{
    const auto windows = Rules({{false, "\\sub\\tmp\\"}}, true);
    EXPECT_TRUE(windows.Excluded("sub/tmp", true));
    EXPECT_FALSE(windows.Excluded("a/sub/tmp", true));
    const auto posix = Exclude("a\\*b");
    EXPECT_TRUE(posix.Excluded("a*b", false));
    EXPECT_FALSE(posix.Excluded("axb", false));
}

TEST(PathFilter, PatternsThatMatchNothingAreRefused)
{
    for (const char* pattern : {"", "/", "//", "x[a-"}) {
        engine::PathFilter filter;
        std::string error;
        EXPECT_FALSE(filter.Add(false, pattern, error)) << pattern;
        EXPECT_NE(error.find("--exclude \"" + std::string(pattern) + "\""), std::string::npos) << error;
        EXPECT_TRUE(filter.empty());
    }
}
