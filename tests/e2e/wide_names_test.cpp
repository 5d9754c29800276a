// "Touch heure..." repairs every copy whatever its name and however long its
// path; the lines show names the code page lacks with its "?".
#include <algorithm>
#include <set>

#include "touch_fixture.h"

using touchfixture::kHour;
using touchtree::Utc;
using widetree::WrittenSeconds;

namespace {

const int64_t kJuly = Utc(2010, 7, 14, 7, 5, 3);
const int64_t kJanuary = Utc(2011, 1, 20, 10, 0, 0);

class WideNamesTest : public touchfixture::TouchWindowTest {};

std::set<std::string> AsSet(const std::vector<std::string>& lines)
{
    return std::set<std::string>(lines.begin(), lines.end());
}

TEST_F(WideNamesTest, FiveCopiesOfAnyNameOrPathLengthAreAllRepaired)
{
    // A relative path that makes the original's full path 290 characters long.
    const std::wstring folder = widetree::Wide(originals) + L"\\";
    std::wstring longRelative = L"dossier-" + std::wstring(120, L'a') + L"\\";
    longRelative += L"sous-dossier-" + std::wstring(290 - folder.size() - longRelative.size() - 30, L'b');
    longRelative += L"\\fichier-long.txt";
    ASSERT_EQ(folder.size() + longRelative.size(), 290u);
    const std::wstring relatives[] = {L"\x0395\x03BB\x03BB\x03B7\x03BD\x03B9\x03BA\x03AC.txt",
                                      L"\x65E5\x672C\\\x5199\x771F.jpg", L"emoji \xD83D\xDE00.png", longRelative,
                                      L"plain.txt"};
    for (const std::wstring& relative : relatives)
        Pair(relative, kJuly, kJuly + kHour);

    const auto lines = Touch("1");

    for (const std::wstring& relative : relatives)
        EXPECT_EQ(WrittenSeconds(Copy(relative)), kJuly) << relative.size();
    ASSERT_EQ(lines.size(), 5u);
    const std::string shownLong(longRelative.begin(), longRelative.end());  // plain ASCII
    EXPECT_TRUE(AsSet(lines).count(TouchedLine("plain.txt")));
    EXPECT_TRUE(AsSet(lines).count(TouchedLine("????????.txt")));
    EXPECT_TRUE(AsSet(lines).count(TouchedLine("??\\??.jpg")));
    EXPECT_TRUE(AsSet(lines).count(TouchedLine(shownLong)));
    // The emoji is one character of two UTF-16 units: shown as question marks.
    const auto emoji = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.compare(0, copies.size() + 7, copies + "\\emoji ") == 0;
    });
    ASSERT_NE(emoji, lines.end());
    const std::string shown = emoji->substr(copies.size() + 7);
    EXPECT_TRUE(shown == "?.png  =->  0h" || shown == "??.png  =->  0h") << shown;
}

TEST_F(WideNamesTest, AFolderNamedOutsideTheCodePageIsWalkedToAnyDepth)
{
    // "Ωμέγα" (its μ is the Greek letter, not the code page's micro sign),
    // then two folders of Japanese names.
    const std::wstring omega = L"\x03A9\x03BC\x03AD\x03B3\x03B1";
    Pair(omega + L"\\b.jpg", kJuly, kJuly + kHour);
    Pair(omega + L"\\\x6DF1\x3044\\c.jpg", kJanuary, kJanuary - kHour);
    Pair(omega + L"\\\x6DF1\x3044\\\x5C64\\d.jpg", kJuly, kJuly + kHour);
    Pair(omega + L"\\\x6DF1\x3044\\\x5C64\\no-match.jpg", kJuly, kJuly + 3 * kHour);

    const auto lines = Touch("1");

    EXPECT_EQ(lines, (std::vector<std::string>{TouchedLine("?????\\b.jpg"), TouchedLine("?????\\??\\c.jpg"),
                                               TouchedLine("?????\\??\\?\\d.jpg")}));
    EXPECT_EQ(WrittenSeconds(Copy(omega + L"\\b.jpg")), kJuly);
    EXPECT_EQ(WrittenSeconds(Copy(omega + L"\\\x6DF1\x3044\\c.jpg")), kJanuary);
    EXPECT_EQ(WrittenSeconds(Copy(omega + L"\\\x6DF1\x3044\\\x5C64\\d.jpg")), kJuly);
    EXPECT_EQ(WrittenSeconds(Copy(omega + L"\\\x6DF1\x3044\\\x5C64\\no-match.jpg")), kJuly + 3 * kHour);
}

// The depth of a shown relative path: its backslashes.
size_t Depth(const std::string& shown)
{
    return static_cast<size_t>(std::count(shown.begin(), shown.end(), '\\'));
}

TEST_F(WideNamesTest, BothKindsOfNamesSideBySideAreHandledFolderByFolderBreadthFirst)
{
    // Folders at three levels, each named in the code page or outside it,
    // each holding one file of each kind. Shown, each folder name keeps a
    // letter of its own: "Delta-?" and the like.
    const std::wstring folders[] = {L"",
                                    L"alpha",
                                    L"Delta-\x0394",
                                    L"alpha\\beta",
                                    L"alpha\\Hi-\x65E5",
                                    L"Delta-\x0394\\Zeta-\x0396",
                                    L"alpha\\beta\\gamma",
                                    L"Delta-\x0394\\Zeta-\x0396\\Eta-\x0397"};
    for (const std::wstring& folder : folders) {
        const std::wstring prefix = folder.empty() ? L"" : folder + L"\\";
        Pair(prefix + L"caf\x00E9.txt", kJuly, kJuly + kHour);
        Pair(prefix + L"psi-\x03C8.txt", kJanuary, kJanuary + kHour);
    }

    const auto lines = Touch("1");

    ASSERT_EQ(lines.size(), 16u);
    const std::string tail = "  =->  0h";
    std::vector<std::string> shownFolders;  // "" for the start folder, else "a\\b\\"
    size_t lastDepth = 0;
    for (const std::string& line : lines) {
        ASSERT_EQ(line.compare(0, copies.size() + 1, copies + "\\"), 0) << line;
        ASSERT_EQ(line.substr(line.size() - tail.size()), tail) << line;
        const std::string shown = line.substr(copies.size() + 1, line.size() - copies.size() - 1 - tail.size());
        const size_t cut = shown.rfind('\\') == std::string::npos ? 0 : shown.rfind('\\') + 1;
        const std::string name = shown.substr(cut);
        EXPECT_TRUE(name == "caf\xE9.txt" || name == "psi-?.txt") << line;
        // Level after level: a line is never shallower than the one before.
        EXPECT_GE(Depth(shown), lastDepth) << line;
        lastDepth = Depth(shown);
        const std::string folder = shown.substr(0, cut);
        if (shownFolders.empty() || shownFolders.back() != folder)
            shownFolders.push_back(folder);
    }
    // Folder by folder: the two files of a folder come one after the other,
    // and the folders of one level follow the order of their parents.
    ASSERT_EQ(shownFolders.size(), 8u);
    EXPECT_EQ(std::set<std::string>(shownFolders.begin(), shownFolders.end()).size(), 8u);
    size_t lastParent = 0;
    for (size_t i = 1; i < shownFolders.size(); ++i) {
        const std::string& folder = shownFolders[i];
        const size_t cut = folder.rfind('\\', folder.size() - 2);
        const std::string parent = cut == std::string::npos ? "" : folder.substr(0, cut + 1);
        const size_t parentAt = static_cast<size_t>(
            std::find(shownFolders.begin(), shownFolders.end(), parent) - shownFolders.begin());
        ASSERT_LT(parentAt, i) << folder;
        EXPECT_GE(parentAt, lastParent) << folder;
        lastParent = parentAt;
    }
    EXPECT_EQ(shownFolders[0], "");
    EXPECT_EQ(std::set<std::string>(shownFolders.begin() + 1, shownFolders.begin() + 3),
              (std::set<std::string>{"alpha\\", "Delta-?\\"}));
    for (const std::wstring& folder : folders) {
        const std::wstring prefix = folder.empty() ? L"" : folder + L"\\";
        EXPECT_EQ(WrittenSeconds(Copy(prefix + L"caf\x00E9.txt")), kJuly);
        EXPECT_EQ(WrittenSeconds(Copy(prefix + L"psi-\x03C8.txt")), kJanuary);
    }
}

}  // namespace
