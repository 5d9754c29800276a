// The files of the journals: where they go by default, the folder made,
// a file appended to and flushed to the disk, a file read whole. One
// implementation per system (engine/journal_file_posix.cpp on Linux).
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace engine {

// The folder of the journals when none is named: on POSIX systems
// $XDG_STATE_HOME/kelvora/journal, or ~/.local/state/kelvora/journal when
// the variable is unset or empty. False when no home is known.
bool DefaultJournalFolder(std::string& folder, std::string& error);

// Makes the folder and the folders above it, as `mkdir -p` does.
bool MakeFolders(const std::string& folder, std::string& error);

// The absolute form of an existing path, links resolved.
bool AbsolutePath(const std::string& path, std::string& absolute, std::string& error);

// The names in a folder that end in ".jsonl", sorted.
bool JournalNames(const std::string& folder, std::vector<std::string>& names, std::string& error);

// Removes a journal's file.
bool RemoveJournalFile(const std::string& path, std::string& error);

// The path of `name` inside `folder`, with the system's separator.
std::string InFolder(const std::string& folder, const std::string& name);

// A whole journal in memory (engine/journal_lines.cpp).
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

// A journal opened to be read: a regular file only (a FIFO, a device or a
// folder named like a journal is refused at once, without waiting on it),
// read in order from any offset.
class ReadFile {
public:
    ReadFile() = default;
    ReadFile(const ReadFile&) = delete;
    ReadFile& operator=(const ReadFile&) = delete;
    ~ReadFile();
    bool Open(const std::string& path, std::string& error);
    // Up to `size` bytes from the current offset; `got` is 0 at the end.
    bool Read(char* buffer, size_t size, size_t& got, std::string& error);
    bool Seek(uint64_t offset, std::string& error);
    // The file's length when it was opened.
    uint64_t length() const { return length_; }
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    uint64_t length_ = 0;
    std::string path_;
};

// A new file (never one that exists) written in order and flushed to the
// disk on request.
class AppendFile {
public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile();
    bool Create(const std::string& path, std::string& error);
    // Appends all the bytes or, failing that, cuts the file back to its
    // length before the call.
    bool Write(const std::string& bytes, std::string& error);
    // Data and size on the disk, the new file's name in its folder included.
    // Several threads may call it at once, with each other and with Write.
    bool Sync(std::string& error);
    // Closes the file without flushing it: what must survive a crash was
    // flushed by Sync (the system writes the rest within seconds).
    bool Close(std::string& error);
    // Closes the file and removes it.
    bool Remove(std::string& error);
    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    int folderFd_ = -1;  // synced once, so that the new name survives a crash
    std::mutex folderLock_;  // the first Sync syncs the folder; the others wait for it
    std::string path_;
    uint64_t length_ = 0;  // bytes written whole
};

}  // namespace engine
