// The look at the copy just before the change: a copy altered between its
// listing and its change is left alone and reported as changed during the run.
// The engine runs in-process; its observer alters the copy at the last moment.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

#include "engine/repair.h"
#include "engine/roots.h"
#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS;

class AlteringObserver : public engine::Observer {
public:
    explicit AlteringObserver(std::function<void(const std::string&)> alter) : alter_(std::move(alter)) {}
    bool BeforeChanges(std::vector<engine::FileEvent>& planned, std::string&) override
    {
        for (const engine::FileEvent& event : planned)
            alter_(event.path);
        return true;
    }
    void OnEvent(const engine::FileEvent& event) override { events.push_back(event); }
    std::vector<engine::FileEvent> events;

private:
    std::function<void(const std::string&)> alter_;
};

engine::Totals RunWith(const std::string& originals, const std::string& copies, engine::Observer& observer)
{
    engine::Roots roots;
    std::string error;
    EXPECT_TRUE(engine::OpenRoots(originals, copies, roots, error)) << error;
    engine::Job job;
    job.change = true;
    job.rule.shifts.push_back({kHour, engine::ShiftSign::Either});
    return engine::Repair(*roots.originals, *roots.copies, job, observer);
}

}  // namespace

TEST(Recheck, CopyAlteredBetweenListingAndChangeIsLeftAlone)
{
    struct {
        const char* what;
        std::function<void(const std::string& path)> alter;
        bool stillThere;
    } cases[] = {
        {"grown", [](const std::string& p) { harness::WriteFile(p, 9, kT + kHour); }, true},
        {"retimed", [](const std::string& p) { harness::SetTimes(p, kT + kHour + 1); }, true},
        {"replaced by another file of the same size and time",
         [](const std::string& p) {
             harness::WriteFile(p + ".new", 8, kT + kHour);
             ASSERT_EQ(rename((p + ".new").c_str(), p.c_str()), 0);
         },
         true},
        {"replaced by a link",
         [](const std::string& p) {
             ASSERT_EQ(unlink(p.c_str()), 0);
             ASSERT_EQ(symlink("/etc/hostname", p.c_str()), 0);
         },
         false},
        {"removed", [](const std::string& p) { ASSERT_EQ(unlink(p.c_str()), 0); }, false},
    };
    for (const auto& c : cases) {
        harness::Scratch scratch;
        const std::string originals = scratch / "o", copies = scratch / "c";
        harness::WritePairs(originals, copies, {{"file", 8, kT, kHour}, {"other", 8, kT, kHour}});
        AlteringObserver observer([&](const std::string& relative) {
            if (relative == "file")
                c.alter(copies + "/file");
        });
        const engine::Totals totals = RunWith(originals, copies, observer);
        EXPECT_EQ(totals.changed, 1u) << c.what;
        EXPECT_EQ(totals.touched, 1u) << c.what;
        EXPECT_EQ(totals.failed, 0u) << c.what;
        ASSERT_EQ(observer.events.size(), 2u) << c.what;
        EXPECT_EQ(observer.events[0].kind, engine::EventKind::Changed) << c.what;
        EXPECT_EQ(observer.events[0].path, "file") << c.what;
        if (c.stillThere) {
            EXPECT_NE(harness::ModifiedNanos(copies + "/file"), kT) << c.what;
        }
        EXPECT_EQ(harness::ModifiedNanos(copies + "/other"), kT) << c.what;
    }
}

TEST(Recheck, RefusedRecordLeavesTheCopyAlone)
{
    // An observer that cannot record the change (a full journal, say) stops it.
    struct Refusing : engine::Observer {
        bool BeforeChanges(std::vector<engine::FileEvent>&, std::string& reason) override
        {
            reason = "no room";
            return false;
        }
        void OnEvent(const engine::FileEvent& event) override { kinds.push_back(event.kind); }
        std::vector<engine::EventKind> kinds;
    } observer;
    harness::Scratch scratch;
    harness::WritePairs(scratch / "o", scratch / "c", {{"file", 8, kT, kHour}});
    const engine::Totals totals = RunWith(scratch / "o", scratch / "c", observer);
    EXPECT_EQ(totals.failed, 1u);
    EXPECT_EQ(observer.kinds, std::vector<engine::EventKind>{engine::EventKind::Failed});
    EXPECT_EQ(harness::ModifiedNanos(scratch / "c/file"), kT + kHour);
}

TEST(Recheck, FolderMovedSinceItWasListedIsLeftAlone)
{
    // Between the listing and the changes, the folder of the copies (or one
    // above it) leaves the copies: its files are not reached, and are
    // reported as changed; the copies elsewhere are repaired.
    struct {
        const char* what;
        const char* from;  // moved away, below the copies
        const char* to;    // below the scratch folder
        bool makeAgain;    // an empty folder made in its place
    } cases[] = {
        {"moved out of the copies", "c/p/sub", "outside", false},
        {"its parent moved out", "c/p", "outside", false},
        {"renamed within the copies", "c/p/sub", "c/renamed", false},
        {"replaced by another folder", "c/p/sub", "outside", true},
    };
    for (const auto& c : cases) {
        harness::Scratch scratch;
        const std::string originals = scratch / "o", copies = scratch / "c";
        harness::WritePairs(originals, copies,
                            {{"p/sub/one", 8, kT, kHour}, {"p/sub/two", 8, kT, kHour}, {"top", 8, kT, kHour}});
        bool moved = false;
        AlteringObserver observer([&](const std::string&) {
            if (moved)
                return;
            moved = true;
            ASSERT_EQ(rename((scratch / c.from).c_str(), (scratch / c.to).c_str()), 0);
            if (c.makeAgain)
                harness::MakeFolders(scratch / c.from);
        });
        const engine::Totals totals = RunWith(originals, copies, observer);
        EXPECT_EQ(totals.changed, 2u) << c.what;
        EXPECT_EQ(totals.touched, 1u) << c.what;
        EXPECT_EQ(harness::ModifiedNanos(copies + "/top"), kT) << c.what;
        const std::string away = std::string(c.from) == "c/p" ? scratch / c.to + "/sub" : scratch / c.to;
        EXPECT_EQ(harness::ModifiedNanos(away + "/one"), kT + kHour) << c.what;
        EXPECT_EQ(harness::ModifiedNanos(away + "/two"), kT + kHour) << c.what;
        for (const engine::FileEvent& event : observer.events) {
            if (event.kind == engine::EventKind::Changed) {
                EXPECT_NE(event.reason.find("folder was moved"), std::string::npos) << c.what;
            }
        }
    }
}
