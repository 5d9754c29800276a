// The front end's POSIX calls: the journal's default folder and folders made
// on the way to it.
#include "cli/platform.h"

#include <sys/stat.h>

#include <cstdlib>

#include <gtest/gtest.h>

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
    std::string error;
    {
        Variable state("XDG_STATE_HOME", "/var/state-of-me");
        EXPECT_EQ(cli::DefaultJournalFolder(error), "/var/state-of-me/kelvora/journal");
    }
    {
        // A relative value is to be ignored, as the base-directory rules say.
        Variable state("XDG_STATE_HOME", "relative/state");
        Variable home("HOME", "/home/someone");
        EXPECT_EQ(cli::DefaultJournalFolder(error), "/home/someone/.local/state/kelvora/journal");
    }
    {
        Variable state("XDG_STATE_HOME", nullptr);
        Variable home("HOME", nullptr);
        EXPECT_EQ(cli::DefaultJournalFolder(error), "");
        EXPECT_NE(error.find("--journal"), std::string::npos) << error;
    }
}

TEST(PosixPlatform, FoldersMadeOnTheWayAndTheirFailures)
{
    harness::Scratch scratch;
    std::string reason;
    const std::string deep = scratch / "a/b/c";
    ASSERT_TRUE(cli::MakeFolders(deep, reason)) << reason;
    ASSERT_TRUE(cli::MakeFolders(deep, reason)) << "made twice: " << reason;
    struct stat st;
    ASSERT_EQ(stat(deep.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    std::FILE* file = cli::OpenFile(deep + "/j.jsonl", "w");
    ASSERT_NE(file, nullptr);
    std::fputs("{}\n", file);
    EXPECT_TRUE(cli::SyncFile(file));
    std::fclose(file);
    EXPECT_FALSE(cli::MakeFolders(deep + "/j.jsonl/below", reason));
    EXPECT_NE(reason.find("j.jsonl"), std::string::npos) << reason;
}
