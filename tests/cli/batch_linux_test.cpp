// The file-system layer's calls asked together (io_uring) and one by one
// (where io_uring is refused, or KELVORA_IO_URING=0): both give what the
// single calls give, and a change is made only on the object checked just
// before it, read back after it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "fsys/batch_linux.h"
#include "fsys/fsys.h"
#include "harness.h"

namespace {

using harness::kS;
constexpr int64_t kHour = 3600 * kS;
const int64_t kT = 1262304000 * kS + 123456789;

fsys::Instant InstantOf(int64_t nanos)
{
    return {nanos / kS, static_cast<int32_t>(nanos % kS)};
}

// Runs `body` on a new thread, whose queue of calls is made under the given
// setting (each thread decides once, on its first call).
void OnThread(bool ring, const std::function<void()>& body)
{
    setenv("KELVORA_IO_URING", ring ? "1" : "0", 1);
    std::thread thread(body);
    thread.join();
    unsetenv("KELVORA_IO_URING");
}

class BatchedCalls : public ::testing::TestWithParam<bool> {};

TEST_P(BatchedCalls, FactsOfNamesAnswerAsEachNameFactsCall)
{
    harness::Scratch scratch;
    harness::WriteFile(scratch / "file", 10, kT);
    harness::WriteFile(scratch / "linked", 20, kT + kS);
    ASSERT_EQ(link((scratch / "linked").c_str(), (scratch / "twin").c_str()), 0);
    harness::MakeFolders(scratch / "folder");
    ASSERT_EQ(symlink("file", (scratch / "link").c_str()), 0);
    ASSERT_EQ(mkfifo((scratch / "fifo").c_str(), 0600), 0);
    // More names than one round of the queue holds.
    std::vector<std::string> names = {"file", "linked", "twin", "folder", "link", "fifo", "missing"};
    for (int k = 0; k < 300; ++k) {
        names.push_back("many" + std::to_string(k));
        harness::WriteFile(scratch / names.back(), static_cast<size_t>(k), kT + k);
    }
    OnThread(GetParam(), [&] {
        fsys::Failure failure;
        fsys::FolderHandle folder = fsys::OpenRoot(scratch.path(), failure);
        ASSERT_TRUE(folder) << failure.reason;
        std::vector<fsys::NameQuery> queries(names.size());
        for (size_t k = 0; k < names.size(); ++k) {
            queries[k].folder = folder.get();
            queries[k].name = &names[k];
        }
        fsys::FactsOfNames(queries);
        for (size_t k = 0; k < names.size(); ++k) {
            SCOPED_TRACE(names[k]);
            fsys::Facts alone;
            fsys::Failure aloneFailure;
            const bool ok = fsys::NameFacts(*folder, names[k], alone, aloneFailure);
            ASSERT_EQ(queries[k].ok, ok);
            if (!ok) {
                EXPECT_EQ(queries[k].failure.code, aloneFailure.code);
                continue;
            }
            const fsys::Facts& facts = queries[k].facts;
            EXPECT_EQ(facts.kind, alone.kind);
            EXPECT_EQ(facts.size, alone.size);
            EXPECT_EQ(facts.modified, alone.modified);
            EXPECT_EQ(facts.device, alone.device);
            EXPECT_EQ(facts.object, alone.object);
            EXPECT_EQ(facts.links, alone.links);
        }
        EXPECT_EQ(queries[0].facts.kind, fsys::Kind::Regular);
        EXPECT_EQ(queries[1].facts.links, 2u);
        EXPECT_EQ(queries[3].facts.kind, fsys::Kind::Folder);
        EXPECT_EQ(queries[4].facts.kind, fsys::Kind::Link);
        EXPECT_EQ(queries[5].facts.kind, fsys::Kind::Other);
        EXPECT_FALSE(queries[6].ok);
        EXPECT_EQ(queries[6].failure.code, ENOENT);
        EXPECT_EQ(queries[7 + 299].facts.modified, InstantOf(kT + 299));
        // The folder's identity as FolderFacts gives it matches its entry's.
        fsys::Facts top, folderEntry;
        ASSERT_TRUE(fsys::FolderFacts(*folder, top, failure));
        struct stat st;
        ASSERT_EQ(stat(scratch.path().c_str(), &st), 0);
        EXPECT_EQ(top.device, st.st_dev);
        EXPECT_EQ(top.object, st.st_ino);
    });
}

TEST_P(BatchedCalls, EachChangeIsMadeOnlyOnTheObjectCheckedJustBefore)
{
    harness::Scratch scratch;
    const std::string dir = scratch / "copies";
    // The copies as listed: each an hour late, to be set to kT.
    std::vector<std::string> names = {"intact", "grown", "replaced", "gone", "now a link", "now a folder", "twin a",
                                      "twin b"};
    for (int k = 0; k < 300; ++k)
        names.push_back("many" + std::to_string(k));
    for (const std::string& name : names)
        harness::WriteFile(dir + "/" + name, 100, kT + kHour, kT - kHour);
    ASSERT_EQ(unlink((dir + "/twin b").c_str()), 0);
    ASSERT_EQ(link((dir + "/twin a").c_str(), (dir + "/twin b").c_str()), 0);
    harness::WriteFile(scratch / "target", 100, kT + kHour);
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    const auto openBefore = openFiles();

    OnThread(GetParam(), [&] {
        fsys::Failure failure;
        fsys::FolderHandle folder = fsys::OpenRoot(dir, failure);
        ASSERT_TRUE(folder) << failure.reason;
        std::vector<fsys::ModifyRequest> requests(names.size());
        for (size_t k = 0; k < names.size(); ++k) {
            requests[k].folder = folder.get();
            requests[k].name = &names[k];
            ASSERT_TRUE(fsys::NameFacts(*folder, names[k], requests[k].expected, failure)) << names[k];
            requests[k].when = InstantOf(kT);
        }
        // What happens between the listing and the change.
        harness::WriteFile(dir + "/grown", 101, kT + kHour);
        // Another file, of the same size and time, put in its place.
        harness::WriteFile(scratch / "other", 100, kT + kHour);
        ASSERT_EQ(rename((scratch / "other").c_str(), (dir + "/replaced").c_str()), 0);
        ASSERT_EQ(unlink((dir + "/gone").c_str()), 0);
        ASSERT_EQ(unlink((dir + "/now a link").c_str()), 0);
        ASSERT_EQ(symlink((scratch / "target").c_str(), (dir + "/now a link").c_str()), 0);
        ASSERT_EQ(unlink((dir + "/now a folder").c_str()), 0);
        harness::MakeFolders(dir + "/now a folder");

        fsys::SetModifiedAll(requests);

        const auto result = [&](const std::string& name) {
            for (size_t k = 0; k < names.size(); ++k)
                if (names[k] == name)
                    return requests[k];
            ADD_FAILURE() << name;
            return fsys::ModifyRequest();
        };
        EXPECT_EQ(result("intact").result, fsys::SetResult::Set);
        EXPECT_EQ(result("intact").after.modified, InstantOf(kT));
        EXPECT_EQ(harness::ModifiedNanos(dir + "/intact"), kT);
        for (const char* name : {"grown", "replaced", "gone", "now a link", "now a folder"})
            EXPECT_EQ(result(name).result, fsys::SetResult::Changed) << name;
        EXPECT_EQ(harness::ModifiedNanos(dir + "/grown"), kT + kHour);
        EXPECT_EQ(harness::ModifiedNanos(dir + "/replaced"), kT + kHour);
        EXPECT_EQ(harness::ModifiedNanos(scratch / "target"), kT + kHour);
        // Both names of one file: set through the first, found set through the second.
        EXPECT_EQ(result("twin a").result, fsys::SetResult::Set);
        EXPECT_EQ(result("twin b").result, fsys::SetResult::Set);
        EXPECT_EQ(harness::ModifiedNanos(dir + "/twin b"), kT);
        for (int k = 0; k < 300; ++k) {
            const std::string name = "many" + std::to_string(k);
            EXPECT_EQ(result(name).result, fsys::SetResult::Set) << name;
            EXPECT_EQ(harness::ModifiedNanos(dir + "/" + name), kT) << name;
        }
        // Access times are left as they were.
        struct stat st;
        ASSERT_EQ(stat((dir + "/intact").c_str(), &st), 0);
        EXPECT_EQ(st.st_atim.tv_sec * kS + st.st_atim.tv_nsec, kT - kHour);
    });
    // Every copy opened was closed.
    EXPECT_EQ(openFiles(), openBefore);
}

INSTANTIATE_TEST_SUITE_P(Both, BatchedCalls, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "TogetherWhereAllowed" : "OneByOne";
                         });

TEST(BatchedCallsSwitch, KelvoraIoUringZeroMakesEveryCallAlone)
{
    OnThread(false, [] { EXPECT_FALSE(fsys::batch::InUse()); });
}

// The io_uring instances open in this process (each is a descriptor).
int RingsOpen()
{
    int rings = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), error);
        rings += !error && target == "anon_inode:[io_uring]";
    }
    return rings;
}

// By default the looks are asked together only in a folder on a network or
// FUSE file system; on a local disk each is made alone, and the thread makes
// no ring at all.
TEST(BatchedCallsSwitch, ByDefaultOnlyAFuseOrNetworkVolumeIsAskedTogether)
{
    if (access("/dev/fuse", R_OK | W_OK) != 0)
        GTEST_SKIP() << "/dev/fuse is absent or closed to this user";
    bool ringAllowed = false;
    OnThread(true, [&] { ringAllowed = fsys::batch::InUse(); });
    harness::Scratch scratch;
    const std::string image = scratch / "fat.img", mount = scratch / "mnt";
    harness::MakeFolders(scratch / "local");
    harness::MakeFolders(mount);
    harness::WriteFile(scratch / "local/file", 10, kT);
    ASSERT_EQ(std::system(("mkfs.vfat -C '" + image + "' 1024 >/dev/null").c_str()), 0) << "mkfs.vfat is needed";
    ASSERT_EQ(std::system(("fusefat -o rw+ '" + image + "' '" + mount + "' >/dev/null").c_str()), 0)
        << "fusefat is needed";
    harness::WriteFile(mount + "/file", 20, kT);
    unsetenv("KELVORA_IO_URING");
    int before = 0, afterLocal = 0, afterFuse = 0;
    fsys::NameQuery local, fuse;
    std::thread thread([&] {
        const std::string name = "file";
        fsys::Failure failure;
        fsys::FolderHandle localFolder = fsys::OpenRoot(scratch / "local", failure);
        fsys::FolderHandle fuseFolder = fsys::OpenRoot(mount, failure);
        if (!localFolder || !fuseFolder)
            return;
        before = RingsOpen();
        std::vector<fsys::NameQuery> queries(1);
        queries[0].folder = localFolder.get();
        queries[0].name = &name;
        fsys::FactsOfNames(queries);
        local = queries[0];
        afterLocal = RingsOpen();
        queries[0] = fsys::NameQuery();
        queries[0].folder = fuseFolder.get();
        queries[0].name = &name;
        fsys::FactsOfNames(queries);
        fuse = queries[0];
        afterFuse = RingsOpen();
    });
    thread.join();
    std::system(("fusermount -u '" + mount + "'").c_str());
    ASSERT_TRUE(local.ok) << local.failure.reason;
    ASSERT_TRUE(fuse.ok) << fuse.failure.reason;
    EXPECT_EQ(local.facts.size, 10u);
    EXPECT_EQ(fuse.facts.size, 20u);
    EXPECT_EQ(afterLocal, before);
    EXPECT_EQ(afterFuse, before + (ringAllowed ? 1 : 0));
}

}  // namespace
