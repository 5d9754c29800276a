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
