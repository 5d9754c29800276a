// Mounts that join two trees on Linux: a bind mount shows a folder of a file
// system at a second place, where no ".." climb can see where it came from.
// Each open folder is placed in its file system (the device and the path
// inside it, from /proc/self/mountinfo); so is every mount below it. Two
// places of the same device where one path lies inside the other are the
// same folders reached two ways.
#include "fsys/mounts_linux.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace fsys {

namespace {

struct Mount {
    long id = 0;
    std::string device;  // "major:minor"
    std::string root;    // the folder of its file system that it shows
    std::string point;   // where it is shown
};

// The place of a folder: its file system and the path inside it, with the
// mount it was seen through.
struct Place {
    std::string device;
    std::string path;
    std::string point;
};

// mountinfo writes space, tab, newline and backslash as \ooo.
std::string Unescape(const std::string& field)
{
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            int value = 0;
            bool octal = true;
            for (size_t k = 1; k <= 3 && octal; ++k) {
                const char c = field[i + k];
                octal = c >= '0' && c <= '7';
                value = value * 8 + (c - '0');
            }
            if (octal) {
                text.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        text.push_back(field[i]);
    }
    return text;
}

bool ReadMounts(std::vector<Mount>& mounts)
{
    std::ifstream file("/proc/self/mountinfo");
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        Mount mount;
        long parent;
        std::string root, point;
        if (!(fields >> mount.id >> parent >> mount.device >> root >> point))
            continue;
        mount.root = Unescape(root);
        mount.point = Unescape(point);
        mounts.push_back(std::move(mount));
    }
    return !mounts.empty();
}

long MountIdOf(int fd)
{
    std::ifstream file("/proc/self/fdinfo/" + std::to_string(fd));
    std::string key;
    while (file >> key) {
        if (key == "mnt_id:") {
            long id = -1;
            file >> id;
            return id;
        }
    }
    return -1;
}

std::string PathOf(int fd)
{
    char link[40];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    std::string path(4096, '\0');
    for (;;) {
        const ssize_t length = readlink(link, &path[0], path.size());
        if (length < 0)
            return "";
        if (static_cast<size_t>(length) < path.size()) {
            path.resize(static_cast<size_t>(length));
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// True when `path` is `top` or lies below it.
bool Under(const std::string& path, const std::string& top)
{
    if (top == "/")
        return !path.empty() && path[0] == '/';
    return path.compare(0, top.size(), top) == 0 && (path.size() == top.size() || path[top.size()] == '/');
}

std::string Joined(const std::string& root, const std::string& rest)
{
    if (rest.empty())
        return root;
    return root == "/" ? rest : root + rest;
}

// The places reachable inside the folder: its own, and that of every mount
// shown below it.
bool PlacesOf(int fd, const std::vector<Mount>& mounts, std::vector<Place>& places)
{
    const long id = MountIdOf(fd);
    const std::string path = PathOf(fd);
    if (id < 0 || path.empty() || path[0] != '/')
        return false;  // outside this process's root, or the system does not say
    for (const Mount& mount : mounts) {
        if (mount.id == id && Under(path, mount.point)) {
            const std::string rest = mount.point == "/" ? path : path.substr(mount.point.size());
            places.push_back({mount.device, Joined(mount.root, rest == "/" ? "" : rest), mount.point});
            break;
        }
    }
    if (places.empty())
        return false;
    for (const Mount& mount : mounts) {
        if (mount.point != path && Under(mount.point, path))
            places.push_back({mount.device, mount.root, mount.point});
    }
    return true;
}

}  // namespace

bool MountedInside(int a, int b, std::string& how)
{
    std::vector<Mount> mounts;
    std::vector<Place> placesA, placesB;
    if (!ReadMounts(mounts) || !PlacesOf(a, mounts, placesA) || !PlacesOf(b, mounts, placesB))
        return false;
    for (const Place& one : placesA) {
        for (const Place& other : placesB) {
            if (one.device != other.device || !(Under(one.path, other.path) || Under(other.path, one.path)))
                continue;
            how = "\"" + one.point + "\" shows \"" + one.path + "\" and \"" + other.point + "\" shows \"" +
                  other.path + "\" of the same file system (device " + one.device + ")";
            return true;
        }
    }
    return false;
}

}  // namespace fsys
