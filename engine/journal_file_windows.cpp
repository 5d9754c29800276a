// The journals' files on Windows: names in UTF-8 turned to UTF-16 for the C
// runtime's wide calls; _commit puts a file's data on the disk.
#define NOMINMAX
#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>

#include "engine/journal_file.h"
#include "fsys/utf16.h"

namespace engine {

namespace {

std::string Reason(int code) { return strerror(code); }

bool Wide(const std::string& path, std::wstring& wide, std::string& error)
{
    std::u16string units;
    if (!fsys::ToUtf16(path, units)) {
        error = "\"" + path + "\" is not valid UTF-8";
        return false;
    }
    wide.assign(units.begin(), units.end());
    return true;
}

std::string Narrow(const wchar_t* wide)
{
    std::u16string units;
    for (; *wide; ++wide)
        units += static_cast<char16_t>(*wide);
    return fsys::FromUtf16(units);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

bool DefaultJournalFolder(std::string& folder, std::string& error)
{
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (!local || !*local) {
        error = "no place for the journal: LOCALAPPDATA is not set (name one with --journal FILE)";
        return false;
    }
    folder = Narrow(local) + "\\Kelvora\\journal";
    return true;
}

bool MakeFolders(const std::string& folder, std::string& error)
{
    std::wstring wide;
    if (!Wide(folder, wide, error))
        return false;
    struct _stat64 st;
    if (_wstat64(wide.c_str(), &st) == 0) {
        if (st.st_mode & _S_IFDIR)
            return true;
        error = "\"" + folder + "\" is not a folder";
        return false;
    }
    const std::string parent = FolderOf(folder);
    if (parent != folder && parent.size() > 2 && !MakeFolders(parent, error))
        return false;
    if (_wmkdir(wide.c_str()) != 0 && errno != EEXIST) {
        error = "cannot make the folder \"" + folder + "\": " + Reason(errno);
        return false;
    }
    return true;
}

bool AbsolutePath(const std::string& path, std::string& absolute, std::string& error)
{
    std::wstring wide;
    if (!Wide(path, wide, error))
        return false;
    // GetFullPathNameW, unlike the runtime's _wfullpath, takes paths of any
    // length.
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
        if (length == 0) {
            error = "\"" + path + "\": the system cannot make it a full path (code " +
                    std::to_string(GetLastError()) + ")";
            return false;
        }
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.assign(length, L'\0');
    }
    absolute = Narrow(full.c_str());
    return true;
}

bool JournalNames(const std::string& folder, std::vector<std::string>& names, std::string& error)
{
    std::wstring wide;
    if (!Wide(folder + "\\*.jsonl", wide, error))
        return false;
    names.clear();
    struct _wfinddata64_t found;
    const intptr_t search = _wfindfirst64(wide.c_str(), &found);
    if (search == -1) {
        if (errno == ENOENT) {
            struct _stat64 st;
            std::wstring top;
            if (Wide(folder, top, error) && _wstat64(top.c_str(), &st) == 0)
                return true;  // a folder without journals
        }
        error = "cannot read the folder of the journals \"" + folder + "\": " + Reason(errno);
        return false;
    }
    do {
        if (!(found.attrib & _A_SUBDIR))
            names.push_back(Narrow(found.name));
    } while (_wfindnext64(search, &found) == 0);
    _findclose(search);
    std::sort(names.begin(), names.end());
    return true;
}

bool RemoveJournalFile(const std::string& path, std::string& error)
{
    std::wstring wide;
    if (!Wide(path, wide, error))
        return false;
    if (_wunlink(wide.c_str()) != 0) {
        error = "cannot remove the journal \"" + path + "\": " + Reason(errno);
        return false;
    }
    return true;
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    return folder + '\\' + name;
}

ReadFile::~ReadFile()
{
    if (fd_ >= 0)
        _close(fd_);
}

bool ReadFile::Open(const std::string& path, std::string& error)
{
    path_ = path;
    std::wstring wide;
    if (!Wide(path, wide, error))
        return false;
    fd_ = _wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
    if (fd_ < 0) {
        error = "cannot open the journal \"" + path + "\": " + Reason(errno);
        return false;
    }
    // A pipe or a device is refused: only a file on a disk is read.
    struct _stat64 st;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
    if (_fstat64(fd_, &st) != 0 || !(st.st_mode & _S_IFREG) || GetFileType(handle) != FILE_TYPE_DISK) {
        error = "the journal \"" + path + "\" is not a regular file";
        return false;
    }
    length_ = static_cast<uint64_t>(st.st_size);
    return true;
}

bool ReadFile::Read(char* buffer, size_t size, size_t& got, std::string& error)
{
    const int n = _read(fd_, buffer, static_cast<unsigned>(std::min<size_t>(size, 1 << 30)));
    if (n < 0) {
        error = "cannot read the journal \"" + path_ + "\": " + Reason(errno);
        return false;
    }
    got = static_cast<size_t>(n);
    return true;
}

bool ReadFile::Seek(uint64_t offset, std::string& error)
{
    if (_lseeki64(fd_, static_cast<long long>(offset), SEEK_SET) < 0) {
        error = "cannot read the journal \"" + path_ + "\": " + Reason(errno);
        return false;
    }
    return true;
}

AppendFile::~AppendFile()
{
    if (fd_ >= 0)
        _close(fd_);
}

bool AppendFile::Create(const std::string& path, std::string& error)
{
    path_ = path;
    length_ = 0;
    std::wstring wide;
    if (!Wide(path, wide, error))
        return false;
    fd_ = _wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_APPEND | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd_ < 0) {
        error = "cannot create the journal \"" + path + "\": " + Reason(errno);
        return false;
    }
    return true;
}

bool AppendFile::Write(const std::string& bytes, std::string& error)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t chunk = std::min<size_t>(bytes.size() - done, 1 << 30);
        const int n = _write(fd_, bytes.data() + done, static_cast<unsigned>(chunk));
        if (n <= 0) {
            error = "cannot write the journal \"" + path_ + "\": " + Reason(n < 0 ? errno : ENOSPC);
            // No part of a line is left behind for a later line to follow.
            if (done && _chsize_s(fd_, static_cast<long long>(length_)) != 0)
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
    if (_commit(fd_) != 0) {
        error = "cannot flush the journal \"" + path_ + "\" to the disk: " + Reason(errno);
        return false;
    }
    return true;
}

bool AppendFile::Close(std::string& error)
{
    if (fd_ < 0)
        return true;
    const bool closed = _close(fd_) == 0;
    fd_ = -1;
    if (!closed)
        error = "cannot write the journal \"" + path_ + "\": " + Reason(errno);
    return closed;
}

bool AppendFile::Remove(std::string& error)
{
    if (fd_ >= 0)
        _close(fd_);
    fd_ = -1;
    std::wstring wide;
    if (!Wide(path_, wide, error))
        return false;
    if (_wunlink(wide.c_str()) != 0 && errno != ENOENT) {
        error = "cannot remove the journal \"" + path_ + "\": " + Reason(errno);
        return false;
    }
    return true;
}

}  // namespace engine
