// What the system tells of one file: through an open handle, or by path.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Which file a handle reaches, whatever the path that led to it (hard links,
// links and junctions, one tree inside another).
struct FileIdentity {
    uint32_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity& other) const { return volume == other.volume && index == other.index; }
};

struct FileFacts {
    int64_t size = 0;           // bytes
    uint64_t writeTicks = 0;    // last write, 100 ns since 1601-01-01 UTC
    uint64_t creationTicks = 0;
    uint32_t attributes = 0;
    FileIdentity identity;
};

// The facts of an open file (a handle with read-attributes access is
// enough). The volume is not asked of the system for every file (under Wine
// that costs half a millisecond each) but given by the caller: the serial of
// the volume it knows the file lies on (VolumeOfPath of its tree).
bool FactsOfHandle(HANDLE file, uint32_t volume, FileFacts& facts);

// The last-write time alone of an open file.
bool WriteTicksOfHandle(HANDLE file, uint64_t& writeTicks);

// The serial of the volume of the file or folder at `path`; 0 when it cannot
// be opened.
uint32_t VolumeOfPath(const std::wstring& path);

// Size and times of the file at `path` from its directory entry, without
// opening it (identity left 0).
bool FactsOfPath(const std::wstring& path, FileFacts& facts);

// The identity of the file at `path` on the given volume, opened for its
// attributes only, which no other program's sharing can refuse; false when
// it cannot be opened.
bool IdentityOfPath(const std::wstring& path, uint32_t volume, FileIdentity& identity);

// True when the file can be opened for reading the way a runtime's plain
// read-only open does it (others may read and write alongside).
bool IsReadable(const std::wstring& path);
