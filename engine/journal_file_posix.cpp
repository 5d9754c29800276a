#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "engine/journal_file.h"

namespace engine {

namespace {

std::string Reason(int code) { return strerror(code); }

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool DefaultJournalFolder(std::string& folder, std::string& error)
{
    const char* state = getenv("XDG_STATE_HOME");
    if (state && *state == '/') {
        folder = std::string(state) + "/kelvora/journal";
        return true;
    }
    const char* home = getenv("HOME");
    std::string base = home && *home ? home : "";
    if (base.empty()) {
        if (const struct passwd* user = getpwuid(getuid()))
            base = user->pw_dir ? user->pw_dir : "";
    }
    if (base.empty()) {
        error = "no place for the journal: neither XDG_STATE_HOME nor HOME is set (name one with --journal FILE)";
        return false;
    }
    if (base[0] != '/') {
        // A relative HOME would put the journals below whatever folder the
        // program runs in, where no later undo --last finds them.
        error = "no place for the journal: HOME \"" + base + "\" is not an absolute path (name one with --journal FILE)";
        return false;
    }
    folder = base + "/.local/state/kelvora/journal";
    return true;
}

bool MakeFolders(const std::string& folder, std::string& error)
{
    struct stat st;
    if (stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        error = "\"" + folder + "\" is not a folder";
        return false;
    }
    const std::string parent = FolderOf(folder);
    if (parent != folder && !MakeFolders(parent, error))
        return false;
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make the folder \"" + folder + "\": " + Reason(errno);
        return false;
    }
    return true;
}

bool AbsolutePath(const std::string& path, std::string& absolute, std::string& error)
{
    std::unique_ptr<char, decltype(&free)> resolved(realpath(path.c_str(), nullptr), &free);
    if (!resolved) {
        error = "\"" + path + "\": " + Reason(errno);
        return false;
    }
    absolute = resolved.get();
    return true;
}

bool JournalNames(const std::string& folder, std::vector<std::string>& names, std::string& error)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        error = "cannot read the folder of the journals \"" + folder + "\": " + Reason(errno);
        return false;
    }
    names.clear();
    while (const struct dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 6 && name.compare(name.size() - 6, 6, ".jsonl") == 0)
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

bool RemoveJournalFile(const std::string& path, std::string& error)
{
    if (unlink(path.c_str()) != 0) {
        error = "cannot remove the journal \"" + path + "\": " + Reason(errno);
        return false;
    }
    return true;
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    return folder + '/' + name;
}

ReadFile::~ReadFile()
{
    if (fd_ >= 0)
        close(fd_);
}

bool ReadFile::Open(const std::string& path, std::string& error)
{
    path_ = path;
    // O_NONBLOCK: opening a FIFO does not wait for a writer; it is refused below.
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0) {
        error = "cannot open the journal \"" + path + "\": " + Reason(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "the journal \"" + path + "\" is not a regular file";
        return false;
    }
    const int flags = fcntl(fd_, F_GETFL);
    if (flags >= 0)
        fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    length_ = static_cast<uint64_t>(st.st_size);
    return true;
}

bool ReadFile::Read(char* buffer, size_t size, size_t& got, std::string& error)
{
    for (;;) {
        const ssize_t n = read(fd_, buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = "cannot read the journal \"" + path_ + "\": " + Reason(errno);
            return false;
        }
        got = static_cast<size_t>(n);
        return true;
    }
}

bool ReadFile::Seek(uint64_t offset, std::string& error)
{
    if (lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
        error = "cannot read the journal \"" + path_ + "\": " + Reason(errno);
        return false;
    }
    return true;
}

AppendFile::~AppendFile()
{
    if (fd_ >= 0)
        close(fd_);
    if (folderFd_ >= 0)
        close(folderFd_);
}

bool AppendFile::Create(const std::string& path, std::string& error)
{
    path_ = path;
    length_ = 0;
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        error = "cannot create the journal \"" + path + "\": " + Reason(errno);
        return false;
    }
    folderFd_ = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return true;
}

bool AppendFile::Write(const std::string& bytes, std::string& error)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int code = n < 0 ? errno : ENOSPC;
            error = "cannot write the journal \"" + path_ + "\": " + Reason(code);
            // No part of a line is left behind for a later line to follow.
            if (done && ftruncate(fd_, static_cast<off_t>(length_)) != 0)
                error += "; nor cut it back to its last whole line: " + Reason(errno);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    length_ += done;
    return true;
}

bool AppendFile::Sync(std::string& error)
{
    if (fdatasync(fd_) != 0) {
        error = "cannot flush the journal \"" + path_ + "\" to the disk: " + Reason(errno);
        return false;
    }
    // Once, by whichever thread comes first; a thread that comes meanwhile
    // returns only once the name is on the disk too.
    std::lock_guard<std::mutex> lock(folderLock_);
    if (folderFd_ >= 0) {
        fsync(folderFd_);  // some file systems cannot sync a folder; the file's data is what counts
        close(folderFd_);
        folderFd_ = -1;
    }
    return true;
}

bool AppendFile::Close(std::string& error)
{
    if (fd_ < 0)
        return true;
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    if (!closed)
        error = "cannot write the journal \"" + path_ + "\": " + Reason(errno);
    if (folderFd_ >= 0) {
        close(folderFd_);
        folderFd_ = -1;
    }
    return closed;
}

bool AppendFile::Remove(std::string& error)
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    if (unlink(path_.c_str()) != 0 && errno != ENOENT) {
        error = "cannot remove the journal \"" + path_ + "\": " + Reason(errno);
        return false;
    }
    if (folderFd_ >= 0) {
        fsync(folderFd_);
        close(folderFd_);
        folderFd_ = -1;
    }
    return true;
}

}  // namespace engine
