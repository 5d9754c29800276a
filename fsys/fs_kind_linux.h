// What kind of file system a folder lives on, from what statfs and
// /proc/self/mountinfo say of it: local, or one whose every call is a round
// trip to another machine or to a program in user space.
#pragma once

#include <cstdint>
#include <string>

namespace fsys {

// The short name of a network or user-space file system ("nfs", "smb",
// "fuse", "9p"...) from statfs's f_type; empty for the others.
const char* RemoteKindOfMagic(uint64_t magic);

// The file-system type that `mountinfo` (the text of /proc/self/mountinfo)
// gives for the mount of the device major:minor ("fuse.sshfs", say); empty
// when no line names that device.
std::string MountTypeOf(const std::string& mountinfo, unsigned major, unsigned minor);

// The short name for the open folder `fd` (FUSE file systems by their
// mount's type where mountinfo tells it: "fuse.sshfs"); empty when local.
std::string RemoteKindOf(int fd);

}  // namespace fsys
