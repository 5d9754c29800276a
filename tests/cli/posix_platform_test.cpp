// The POSIX calls of the journals and the front end: the journals' default
// folder, folders made on the way to it, a file named in UTF-8.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "cli/platform.h"
#include "engine/journal_file.h"
#include "harness.h"

namespace {

// Sets an environment variable for the scope, and puts it back after.
class Variable {
public:
    Variable(const char* name, const char* value) : name_(name)
    {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~Variable()
    {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

}  // namespace

TEST(PosixPlatform, JournalFolderFromXdgStateHomeOrHome)
{
    std::string folder, error;
    {
        Variable state("XDG_STATE_HOME", "/var/state-of-me");
        ASSERT_TRUE(engine::DefaultJournalFolder(folder, error)) << error;
        EXPECT_EQ(folder, "/var/state-of-me/kelvora/journal");
    }
    {
        // A relative value is to be ignored, as the base-directory rules say.
        Variable state("XDG_STATE_HOME", "relative/state");
        Variable home("HOME", "/home/someone");
        ASSERT_TRUE(engine::DefaultJournalFolder(folder, error)) << error;
        EXPECT_EQ(folder, "/home/someone/.local/state/kelvora/journal");
    }
    {
        // A relative HOME is no place: the journals would follow the
        // current folder.
        Variable state("XDG_STATE_HOME", nullptr);
        Variable home("HOME", "relative/home");
        EXPECT_FALSE(engine::DefaultJournalFolder(folder, error)) << folder;
        EXPECT_NE(error.find("HOME \"relative/home\" is not an absolute path"), std::string::npos) << error;
    }
    {
        // Without either, the home the user database names.
        Variable state("XDG_STATE_HOME", nullptr);
        Variable home("HOME", nullptr);
        const struct passwd* user = getpwuid(getuid());
        if (user && user->pw_dir && *user->pw_dir) {
            ASSERT_TRUE(engine::DefaultJournalFolder(folder, error)) << error;
            EXPECT_EQ(folder, std::string(user->pw_dir) + "/.local/state/kelvora/journal");
        } else {
            EXPECT_FALSE(engine::DefaultJournalFolder(folder, error)) << folder;
            EXPECT_NE(error.find("--journal"), std::string::npos) << error;
        }
    }
}

TEST(PosixPlatform, FoldersMadeOnTheWayAndTheirFailures)
{
    harness::Scratch scratch;
    std::string error;
    const std::string deep = scratch / "a/b/c";
    ASSERT_TRUE(engine::MakeFolders(deep, error)) << error;
    ASSERT_TRUE(engine::MakeFolders(deep, error)) << "made twice: " << error;
    struct stat st;
    ASSERT_EQ(stat(deep.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    std::FILE* file = cli::OpenFile(deep + "/j.jsonl", "w");
    ASSERT_NE(file, nullptr);
    std::fputs("{}\n", file);
    std::fclose(file);
    EXPECT_FALSE(engine::MakeFolders(deep + "/j.jsonl/below", error));
    EXPECT_NE(error.find("j.jsonl"), std::string::npos) << error;
}

TEST(PosixPlatform, WalkLeavesTheFoldersAccessTimesAlone)
{
    // Access times older than the folders' change times: a plain read of the
    // folders (relatime) would move them.
    constexpr int64_t kOld = 1262304000 * harness::kS;
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"a/b/f", 3, kOld, 3600 * harness::kS}});
    const std::vector<std::string> folders = {"o", "o/a", "o/a/b", "c", "c/a", "c/a/b"};
    for (const std::string& folder : folders)
        harness::SetTimes(scratch / folder, kOld + harness::kS, kOld);
    for (const char* command : {"scan", "fix"}) {
        std::vector<std::string> args = {command, scratch / "o", scratch / "c"};
        if (std::string(command) == "fix")
            args.insert(args.end(), {"--shift", "1h"});
        EXPECT_EQ(harness::Run(args).status, 0) << command;
        for (const std::string& folder : folders) {
            struct stat st;
            ASSERT_EQ(stat((scratch / folder).c_str(), &st), 0);
            EXPECT_EQ(st.st_atim.tv_sec, kOld / harness::kS) << command << " " << folder;
        }
    }
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/a/b/f"), kOld);
}
