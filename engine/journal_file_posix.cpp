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

std::string InFolder(const std::string& folder, const std::string& name)
{
    return folder + '/' + name;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open the journal \"" + path + "\": " + Reason(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "the journal \"" + path + "\" is not a regular file";
        close(fd);
        return false;
    }
    bytes.clear();
    char buffer[1 << 16];
    while (true) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = "cannot read the journal \"" + path + "\": " + Reason(errno);
            close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
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
            error = "cannot write the journal \"" + path_ + "\": " + Reason(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool AppendFile::Sync(std::string& error)
{
    if (fdatasync(fd_) != 0) {
        error = "cannot flush the journal \"" + path_ + "\" to the disk: " + Reason(errno);
        return false;
    }
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
    const bool synced = Sync(error);
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    if (synced && !closed)
        error = "cannot write the journal \"" + path_ + "\": " + Reason(errno);
    return synced && closed;
}

}  // namespace engine
