// Bad input proper to Windows: a drive that does not exist and folder names
// in forms the system refuses, and one folder under two spellings (letter
// case, separators); each a clear message, exit 2, nothing touched.
#include <windows.h>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kS;
const int64_t kT = 1262304000 * kS;

// A drive letter this system does not have.
std::string MissingDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter)
        if (!(drives & (1u << (letter - 'A'))))
            return std::string(1, letter) + ":";
    return "";
}

std::string Upper(std::string path)
{
    for (char& c : path)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return path;
}

std::string Backslashed(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

}  // namespace

TEST(WindowsBadInput, MissingDrivesRefusedFormsAndOneFolderTwiceTouchNothing)
{
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"f", 3, kT, 3600 * kS}, {"sub/g", 3, kT, 3600 * kS}});
    const std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    const std::string o = scratch / "o", c = scratch / "c";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"fix", drive + "\\photos", c, "--shift", "1h"}, "there is no drive " + drive},
        {{"fix", o, drive + "photos", "--shift", "1h"}, "there is no drive " + drive},
        {{"scan", o, "\\\\?\\" + drive + "\\photos"}, "there is no drive " + drive},
        {{"fix", o, scratch / "c<|>", "--shift", "1h"}, "does not take this form"},
        {{"fix", o, scratch / "c/NUL", "--shift", "1h"}, "device"},
        {{"fix", "\\\\server-without-share", c, "--shift", "1h"}, "server and a share"},
        // The same folders by identity, whatever the letter case and separators.
        {{"fix", o, Upper(o), "--shift", "1h"}, "are the same folder"},
        {{"scan", Backslashed(o), Upper(o) + "\\SUB\\.."}, "are the same folder"},
        {{"scan", o, Upper(o) + "/sub"}, "lies inside ORIGINALS"},
    };
    const auto before = harness::Take(scratch.path());
    for (const Case& test : cases) {
        const auto run = harness::Run(test.args);
        EXPECT_EQ(run.status, 2) << test.args[1] << " " << test.args[2] << ": " << run.err;
        EXPECT_NE(run.err.find(test.message), std::string::npos) << test.args[2] << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_EQ(harness::Differences(before, harness::Take(scratch.path())), std::vector<std::string>{});
}
