#include "fsys/fs_kind_linux.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace fsys {

const char* RemoteKindOfMagic(uint64_t magic)
{
    // The magic numbers of <linux/magic.h> and of the drivers that keep
    // their own (CIFS, SMB2, Ceph, Lustre, GPFS).
    switch (magic) {
    case 0x6969: return "nfs";
    case 0x517B: return "smb";              // smbfs, before CIFS
    case 0xFF534D42: return "smb";          // cifs
    case 0xFE534D42: return "smb";          // smb2, smb3
    case 0x65735546: return "fuse";         // sshfs, rclone, s3fs, virtiofs, ntfs-3g...
    case 0x01021997: return "9p";
    case 0x5346414F: return "afs";
    case 0x6B414653: return "afs";          // kAFS
    case 0x73757245: return "coda";
    case 0x564C: return "ncp";
    case 0x00C36400: return "ceph";
    case 0x0BD00BD0: return "lustre";
    case 0x47504653: return "gpfs";
    case 0x19830326: return "fhgfs";        // BeeGFS
    default: return "";
    }
}

std::string MountTypeOf(const std::string& mountinfo, unsigned major, unsigned minor)
{
    const std::string device = std::to_string(major) + ":" + std::to_string(minor);
    std::istringstream lines(mountinfo);
    std::string line;
    while (std::getline(lines, line)) {
        // ID PARENT MAJOR:MINOR ROOT POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER
        std::istringstream fields(line);
        std::string id, parent, number;
        if (!(fields >> id >> parent >> number) || number != device)
            continue;
        const size_t dash = line.find(" - ");
        if (dash == std::string::npos)
            continue;
        std::istringstream rest(line.substr(dash + 3));
        std::string type;
        if (rest >> type)
            return type;
    }
    return {};
}

std::string RemoteKindOf(int fd)
{
    struct statfs fs;
    if (fstatfs(fd, &fs) != 0)
        return {};
    const std::string kind = RemoteKindOfMagic(static_cast<uint64_t>(static_cast<unsigned long>(fs.f_type)));
    if (kind != "fuse")
        return kind;
    struct stat st;
    std::ifstream file("/proc/self/mountinfo");
    if (fstat(fd, &st) != 0 || !file)
        return kind;
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::string type = MountTypeOf(text, major(st.st_dev), minor(st.st_dev));
    return type.rfind("fuse", 0) == 0 ? type : kind;
}

}  // namespace fsys
