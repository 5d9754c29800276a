// Network and FUSE file systems told from local ones, and the default jobs
// that rise there so that round trips overlap (--jobs still rules).
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "cli/jobs.h"
#include "fsys/fs_kind_linux.h"
#include "fsys/fsys.h"
#include "harness.h"

namespace {

TEST(FileSystemKind, NetworkAndUserSpaceMagicNumbersAreRemote)
{
    const struct {
        uint64_t magic;
        const char* kind;
    } cases[] = {
        {0x6969, "nfs"},     {0xFF534D42, "smb"}, {0xFE534D42, "smb"}, {0x517B, "smb"},
        {0x65735546, "fuse"}, {0x01021997, "9p"},  {0x00C36400, "ceph"}, {0x6B414653, "afs"},
        // Local disks and memory: ext4, XFS, Btrfs, tmpfs, proc, FAT, exFAT, overlayfs.
        {0xEF53, ""},        {0x58465342, ""},    {0x9123683E, ""},    {0x01021994, ""},
        {0x9FA0, ""},        {0x4D44, ""},        {0x2011BAB0, ""},    {0x794C7630, ""},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(fsys::RemoteKindOfMagic(c.magic), c.kind) << std::hex << c.magic;
}

TEST(FileSystemKind, MountTypeIsReadFromTheMountOfTheDevice)
{
    const std::string mountinfo =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 0:44 / /mnt/share rw,nosuid,nodev,relatime shared:20 master:3 - fuse.sshfs me@host:/x rw,user_id=0\n"
        "41 22 0:45 / /mnt/with\\040space rw - fuseblk /dev/sdb1 rw\n"
        "malformed line\n";
    EXPECT_EQ(fsys::MountTypeOf(mountinfo, 0, 44), "fuse.sshfs");
    EXPECT_EQ(fsys::MountTypeOf(mountinfo, 0, 45), "fuseblk");
    EXPECT_EQ(fsys::MountTypeOf(mountinfo, 8, 1), "ext4");
    EXPECT_EQ(fsys::MountTypeOf(mountinfo, 0, 4), "");   // not 0:44's prefix
    EXPECT_EQ(fsys::MountTypeOf(mountinfo, 8, 2), "");
}

TEST(FileSystemKind, LocalFoldersAreNotRemoteAndKeepTheDefaultJobs)
{
    harness::Scratch scratch;
    cli::Options options;
    options.jobs = 2;
    for (const std::string& path : {scratch.path(), std::string("/proc"), std::string("/dev/shm")}) {
        if (access(path.c_str(), R_OK | X_OK) != 0)
            continue;
        fsys::Failure failure;
        fsys::FolderHandle folder = fsys::OpenRoot(path, failure);
        ASSERT_TRUE(folder) << path << ": " << failure.reason;
        EXPECT_EQ(fsys::RemoteKind(*folder), "") << path;
        EXPECT_EQ(cli::JobsFor(options, folder.get(), nullptr), 2) << path;
    }
}

// A FUSE volume (fusefat): each call goes to a program, as on sshfs.
TEST(FileSystemKind, AFuseVolumeRaisesTheDefaultJobsUnlessJobsIsGiven)
{
    if (access("/dev/fuse", R_OK | W_OK) != 0)
        GTEST_SKIP() << "/dev/fuse is absent or closed to this user";
    harness::Scratch scratch;
    const std::string image = scratch / "fat.img", mount = scratch / "mnt";
    harness::MakeFolders(mount);
    ASSERT_EQ(std::system(("mkfs.vfat -C '" + image + "' 1024 >/dev/null").c_str()), 0) << "mkfs.vfat is needed";
    ASSERT_EQ(std::system(("fusefat -o rw+ '" + image + "' '" + mount + "' >/dev/null").c_str()), 0)
        << "fusefat is needed";
    fsys::Failure failure;
    fsys::FolderHandle local = fsys::OpenRoot(scratch.path(), failure);
    fsys::FolderHandle fuse = fsys::OpenRoot(mount, failure);
    std::string kind = fuse ? fsys::RemoteKind(*fuse) : "";
    cli::Options options;
    options.jobs = 2;
    const int raised = fuse ? cli::JobsFor(options, local.get(), fuse.get()) : 0;
    options.jobsGiven = true;
    const int given = fuse ? cli::JobsFor(options, local.get(), fuse.get()) : 0;
    fuse.reset();
    std::system(("fusermount -u '" + mount + "'").c_str());
    ASSERT_TRUE(local);
    EXPECT_EQ(kind.rfind("fuse", 0), 0u) << kind;
    EXPECT_EQ(raised, cli::kRemoteJobs);
    EXPECT_EQ(given, 2);
}

}  // namespace
