// The file-system layer on Windows: the wide-character calls throughout, every
// path in its long form ("\\?\", "\\?\UNC\") so that no length limit applies,
// names UTF-8 here and UTF-16 at the calls. Every file or folder below a top
// is opened as itself (a link or a junction is never followed), and each open
// folder is held without delete sharing, so that it cannot be renamed or
// removed while its files are looked at by path.
#include "fsys/fsys.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>

#include "fsys/long_path.h"
#include "fsys/utf16.h"
#include "fsys/windows_path.h"

namespace fsys {

class Folder {
public:
    Folder(HANDLE handle, std::string path) : handle(handle), path(std::move(path)) {}
    ~Folder() { CloseHandle(handle); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    const HANDLE handle;
    const std::string path;  // long form, UTF-8
};

void FolderDeleter::operator()(Folder* folder) const
{
    delete folder;
}

namespace {

// 100-nanosecond ticks from 1601-01-01 to 1970-01-01.
constexpr int64_t kTicksTo1970 = 116444736000000000LL;
constexpr int64_t kTicksPerSecond = 10000000;

// The system's own text for a Windows error code, with the code.
std::string ReasonOf(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason;
    if (length && text)
        reason = FromUtf16(reinterpret_cast<const char16_t*>(text), length);
    if (text)
        LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.'))
        reason.pop_back();
    if (reason.empty())
        reason = "system error";
    return reason + " (error " + std::to_string(error) + ")";
}

// The POSIX code that the callers of the layer tell reasons apart by.
int CodeOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_FILENAME_EXCED_RANGE:
        return EINVAL;
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
        return ENODEV;
    default:
        return EIO;
    }
}

bool Fail(Failure& failure, DWORD error)
{
    failure.code = CodeOf(error);
    failure.reason = ReasonOf(error);
    return false;
}

bool FailWith(Failure& failure, int code, const std::string& reason)
{
    failure.code = code;
    failure.reason = reason;
    return false;
}

bool Wide(const std::string& path, std::wstring& wide, Failure& failure)
{
    std::u16string units;
    if (!ToUtf16(path, units))
        return FailWith(failure, EINVAL, "the name is not valid UTF-8");
    wide.assign(units.begin(), units.end());
    return true;
}

std::string Narrow(const wchar_t* wide, size_t length)
{
    return FromUtf16(reinterpret_cast<const char16_t*>(wide), length);
}

Instant InstantOf(const FILETIME& time)
{
    const int64_t ticks = static_cast<int64_t>(
        (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) - kTicksTo1970;
    int64_t seconds = ticks / kTicksPerSecond;
    int64_t rest = ticks % kTicksPerSecond;
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    return {seconds, static_cast<int32_t>(rest * 100)};
}

// False when the instant lies before 1601 or beyond the FILETIME range, or
// holds a fraction finer than 100 ns (which no Windows file system keeps).
bool FileTimeOf(const Instant& when, FILETIME& time)
{
    constexpr int64_t kLastSecond = (INT64_MAX - kTicksTo1970) / kTicksPerSecond - 1;
    if (when.nanos % 100 != 0 || when.seconds < -kTicksTo1970 / kTicksPerSecond ||
        when.seconds > kLastSecond)
        return false;
    const uint64_t ticks = static_cast<uint64_t>(when.seconds * kTicksPerSecond + when.nanos / 100 +
                                                 kTicksTo1970);
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return true;
}

// A link or a junction: a reparse point whose tag stands for another name,
// or whose tag is not given (Wine shows a Linux symbolic link to a folder
// so). Other reparse points (deduplicated files, cloud placeholders) are the
// file or folder itself.
bool IsNameSurrogate(DWORD attributes, DWORD tag)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (tag == 0 || IsReparseTagNameSurrogate(tag));
}

Kind KindOf(DWORD attributes, DWORD tag)
{
    if (IsNameSurrogate(attributes, tag))
        return Kind::Link;
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return Kind::Other;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return Kind::Folder;
    return Kind::Regular;
}

// The reparse tag of an open object, 0 when it is not a reparse point.
DWORD TagOf(HANDLE handle, DWORD attributes)
{
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return 0;
    FILE_ATTRIBUTE_TAG_INFO info = {};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info))
        return IO_REPARSE_TAG_SYMLINK;  // unknown: taken as a link, never followed
    return info.ReparseTag;
}

bool FactsOfHandle(HANDLE handle, Facts& facts, Failure& failure)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return Fail(failure, GetLastError());
    facts.kind = KindOf(info.dwFileAttributes, TagOf(handle, info.dwFileAttributes));
    facts.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    facts.modified = InstantOf(info.ftLastWriteTime);
    facts.accessed = InstantOf(info.ftLastAccessTime);
    facts.device = info.dwVolumeSerialNumber;
    facts.object = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    facts.links = info.nNumberOfLinks;
    return true;
}

// Opens the object at `path` itself, with `access` (attributes only: no
// content is read, and no sharing mode of another process stands in the way).
HANDLE OpenObject(const std::wstring& path, DWORD access, DWORD share, bool followLink)
{
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
    if (!followLink)
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    return CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens a folder to list it and to hold it, without delete sharing where
// another holder allows.
HANDLE OpenFolderObject(const std::wstring& path, bool followLink)
{
    const DWORD access = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    HANDLE handle = OpenObject(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, followLink);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
        handle = OpenObject(path, access, kShareAll, followLink);
    return handle;
}

// Wraps an open object that must be a folder (and, below a top, not a link).
FolderHandle FolderOf(HANDLE handle, std::string path, Failure& failure)
{
    if (handle == INVALID_HANDLE_VALUE) {
        Fail(failure, GetLastError());
        return nullptr;
    }
    FolderHandle folder(new Folder(handle, std::move(path)));
    Facts facts;
    if (!FactsOfHandle(handle, facts, failure))
        return nullptr;
    if (facts.kind == Kind::Link) {
        FailWith(failure, ELOOP, "it is a link or a junction, which is not followed");
        return nullptr;
    }
    if (facts.kind != Kind::Folder) {
        Fail(failure, ERROR_DIRECTORY);
        return nullptr;
    }
    return folder;
}

// The path of an open object as the system resolves it (through the links
// and junctions that led there), in the long form; empty when not known.
std::string FinalPath(HANDLE handle)
{
    std::wstring buffer(512, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFinalPathNameByHandleW(handle, &buffer[0],
                                                       static_cast<DWORD>(buffer.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return "";
        if (length < buffer.size()) {
            std::string longPath, error;
            if (!LongForm(Narrow(buffer.data(), length), longPath, error))
                return "";
            return longPath;
        }
        buffer.resize(length + 1);
    }
    return "";
}

// The drive of a path, when it names one that this system does not have.
bool DriveMissing(const std::string& path, char& letter)
{
    letter = DriveOf(path);
    return letter && !(GetLogicalDrives() & (1u << (letter - 'A')));
}

bool LongPathOfArgument(const std::string& path, std::string& longPath, Failure& failure)
{
    char letter;
    if (DriveMissing(path, letter))
        return FailWith(failure, ENODEV, std::string("there is no drive ") + letter + ": on this system");
    std::wstring wide;
    if (!Wide(path, wide, failure))
        return false;
    if (wide.empty())
        return FailWith(failure, EINVAL, "the name is empty");
    if (wide.find(L'\0') != std::wstring::npos)
        return FailWith(failure, EINVAL, "the name holds a null character");
    std::string full;
    if (path.compare(0, 4, "\\\\?\\") == 0) {
        full = path;  // taken exactly as given
    } else {
        const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
        if (needed == 0)
            return Fail(failure, GetLastError());
        std::wstring buffer(needed, L'\0');
        const DWORD length = GetFullPathNameW(wide.c_str(), needed, &buffer[0], nullptr);
        if (length == 0 || length >= needed)
            return Fail(failure, length ? ERROR_FILENAME_EXCED_RANGE : GetLastError());
        full = Narrow(buffer.data(), length);
    }
    std::string error;
    if (!LongForm(full, longPath, error))
        return FailWith(failure, EINVAL, "the system does not take this form of folder name: " + error);
    if (DriveMissing(longPath, letter))
        return FailWith(failure, ENODEV, std::string("there is no drive ") + letter + ": on this system");
    return true;
}

}  // namespace

bool LongWidePath(const std::string& path, std::wstring& wide, Failure& failure)
{
    std::string longPath;
    return LongPathOfArgument(path, longPath, failure) && Wide(longPath, wide, failure);
}

FolderHandle OpenRoot(const std::string& path, Failure& failure)
{
    std::string longPath;
    std::wstring wide;
    if (!LongPathOfArgument(path, longPath, failure) || !Wide(longPath, wide, failure))
        return nullptr;
    HANDLE handle = OpenFolderObject(wide, true);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A name the system refuses outright (a character it forbids, a
        // device name) is told apart from a folder that is not there.
        Fail(failure, error);
        if (failure.code == EINVAL)
            failure.reason = "the system does not take this form of folder name: " + failure.reason;
        return nullptr;
    }
    // Below the top, names are joined to the folder where the link led.
    std::string resolved = FinalPath(handle);
    return FolderOf(handle, resolved.empty() ? longPath : resolved, failure);
}

FolderHandle OpenChild(const Folder& parent, const std::string& name, Failure& failure)
{
    const std::string path = Join(parent.path, name);
    std::wstring wide;
    if (!Wide(path, wide, failure))
        return nullptr;
    return FolderOf(OpenFolderObject(wide, false), path, failure);
}

FolderHandle Duplicate(const Folder& folder, Failure& failure)
{
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (!DuplicateHandle(GetCurrentProcess(), folder.handle, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        Fail(failure, GetLastError());
        return nullptr;
    }
    return FolderHandle(new Folder(copy, folder.path));
}

FolderHandle OpenParent(const Folder& folder, Failure& failure)
{
    const std::string path = ParentOf(folder.path);
    if (path.empty())
        return nullptr;
    std::wstring wide;
    if (!Wide(path, wide, failure))
        return nullptr;
    HANDLE handle = OpenObject(wide, FILE_READ_ATTRIBUTES, kShareAll, false);
    if (handle == INVALID_HANDLE_VALUE) {
        Fail(failure, GetLastError());
        return nullptr;
    }
    return FolderHandle(new Folder(handle, path));
}

bool IdentifyFolder(const Folder& folder, FolderIdentity& identity, Failure& failure)
{
    Facts facts;
    if (!FactsOfHandle(folder.handle, facts, failure))
        return false;
    identity = FolderIdentity();
    identity.device = facts.device;  // the volume's serial number
    identity.object = facts.object;  // the folder's file index
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08x", static_cast<unsigned>(facts.device));
    identity.volume = serial;
    // The path the system resolved for the handle when the folder was
    // opened, in its ordinary form where it has one ("C:\...",
    // "\\server\share\..."); the long form is taken back when the folder
    // is opened again.
    std::string path = folder.path;
    if (path.rfind("\\\\?\\UNC\\", 0) == 0)
        path = "\\\\" + path.substr(8);
    else if (path.rfind("\\\\?\\", 0) == 0)
        path = path.substr(4);
    identity.path = path;
    return true;
}

bool MountedInside(const Folder&, const Folder&, std::string&)
{
    // A folder mounted elsewhere (a mounted volume, a junction) is a reparse
    // point below a top, never followed: no mount can join the two trees.
    return false;
}

bool List(const Folder& folder, std::vector<Entry>& entries, Failure& failure)
{
    entries.clear();
    std::wstring pattern;
    if (!Wide(Join(folder.path, "*"), pattern, failure))
        return false;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || Fail(failure, error);  // an empty folder
    }
    do {
        const wchar_t* name = data.cFileName;
        if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0)))
            continue;
        // dwReserved0 holds the reparse tag when the entry is a reparse point.
        entries.push_back({Narrow(name, wcslen(name)), KindOf(data.dwFileAttributes, data.dwReserved0)});
    } while (FindNextFileW(search, &data));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES)
        return Fail(failure, error);
    return true;
}

bool FolderFacts(const Folder& folder, Facts& facts, Failure& failure)
{
    return FactsOfHandle(folder.handle, facts, failure);
}

bool NameFacts(const Folder& folder, const std::string& name, Facts& facts, Failure& failure)
{
    std::wstring wide;
    if (!Wide(Join(folder.path, name), wide, failure))
        return false;
    HANDLE handle = OpenObject(wide, FILE_READ_ATTRIBUTES, kShareAll, false);
    if (handle == INVALID_HANDLE_VALUE)
        return Fail(failure, GetLastError());
    const bool ok = FactsOfHandle(handle, facts, failure);
    CloseHandle(handle);
    return ok;
}

int64_t TimeGranularity(const Folder& folder)
{
    constexpr int64_t kSecond = 1000000000;
    wchar_t system[MAX_PATH + 1] = {};
    if (!GetVolumeInformationByHandleW(folder.handle, nullptr, 0, nullptr, nullptr, nullptr,
                                       system, MAX_PATH + 1))
        return 2 * kSecond;
    // FAT keeps two seconds, exFAT ten milliseconds; others (NTFS, ReFS, and
    // network shares whose far side may keep less) are taken to keep at
    // least whole seconds.
    if (wcsncmp(system, L"FAT", 3) == 0)
        return 2 * kSecond;
    if (wcscmp(system, L"exFAT") == 0)
        return kSecond / 100;
    return kSecond;
}

namespace {

// Opens the object at `path` for its attributes only, as itself (never
// through a link put in its place): its content is never opened, a read-only
// file can be changed, and no other process's sharing mode stands in the
// way. When `stillSame` accepts what a look at it shows, sets its last-write
// time to `when` and reads it back into `after`; otherwise `after` holds
// what was seen, and the result is what `stillSame` gave (Changed unless it
// says otherwise).
template <typename StillSame>
SetResult SetWriteTime(const std::string& path, const Instant& when, Facts& after, Failure& failure,
                       StillSame stillSame)
{
    std::wstring wide;
    if (!Wide(path, wide, failure))
        return SetResult::Failed;
    FILETIME time;
    if (!FileTimeOf(when, time)) {
        FailWith(failure, EINVAL, "the time lies outside what a Windows file time holds");
        return SetResult::Failed;
    }
    HANDLE handle = OpenObject(wide, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll, false);
    if (handle == INVALID_HANDLE_VALUE) {
        Fail(failure, GetLastError());
        return failure.code == ENOENT ? SetResult::Changed : SetResult::Failed;
    }
    Facts now;
    if (!FactsOfHandle(handle, now, failure)) {
        CloseHandle(handle);
        return SetResult::Failed;
    }
    SetResult otherwise = SetResult::Changed;
    if (!stillSame(now, otherwise)) {
        after = now;
        CloseHandle(handle);
        return otherwise;
    }
    // Creation and access times are passed as null: the system leaves them.
    if (!SetFileTime(handle, nullptr, nullptr, &time)) {
        Fail(failure, GetLastError());
        CloseHandle(handle);
        return SetResult::Failed;
    }
    const bool readBack = FactsOfHandle(handle, after, failure);
    CloseHandle(handle);
    return readBack ? SetResult::Set : SetResult::Failed;
}

}  // namespace

SetResult SetModified(const Folder& folder, const std::string& name, const Facts& expected,
                      const Instant& when, Facts& after, Failure& failure)
{
    return SetWriteTime(Join(folder.path, name), when, after, failure, [&](const Facts& now, SetResult& otherwise) {
        const bool same = now.kind == Kind::Regular && now.device == expected.device &&
                          now.object == expected.object && now.size == expected.size;
        if (same && now.modified == expected.modified)
            return true;
        // The same file with other names, already set through one of them.
        if (same && now.links > 1 && now.modified == when)
            otherwise = SetResult::Set;
        return false;
    });
}

void FactsOfNames(std::vector<NameQuery>& queries)
{
    for (NameQuery& query : queries)
        query.ok = NameFacts(*query.folder, *query.name, query.facts, query.failure);
}

void SetModifiedAll(std::vector<ModifyRequest>& requests)
{
    for (ModifyRequest& request : requests)
        request.result = SetModified(*request.folder, *request.name, request.expected, request.when, request.after,
                                     request.failure);
}

std::string RemoteKind(const Folder& folder)
{
    // A share named by its server (\\?\UNC\server\share), or a drive
    // letter mapped to one.
    const std::string& path = folder.path;
    if (path.rfind("\\\\?\\UNC\\", 0) == 0)
        return "smb";
    if (path.size() >= 6 && path.rfind("\\\\?\\", 0) == 0 && path[5] == ':') {
        const wchar_t root[] = {static_cast<wchar_t>(path[4]), L':', L'\\', 0};
        if (GetDriveTypeW(root) == DRIVE_REMOTE)
            return "smb";
    }
    return {};
}

bool ReadContent(const Folder& folder, const std::string& name,
                 const std::function<void(const char* data, size_t size)>& sink, Failure& failure)
{
    std::wstring wide;
    if (!Wide(Join(folder.path, name), wide, failure))
        return false;
    HANDLE handle = OpenObject(wide, GENERIC_READ, kShareAll, false);
    if (handle == INVALID_HANDLE_VALUE)
        return Fail(failure, GetLastError());
    Facts facts;
    bool ok = FactsOfHandle(handle, facts, failure);
    if (ok && facts.kind != Kind::Regular)
        ok = FailWith(failure, EINVAL, "not a regular file");
    static thread_local char buffer[1 << 16];
    while (ok) {
        DWORD got = 0;
        if (!ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) {
            ok = Fail(failure, GetLastError());
            break;
        }
        if (got == 0)
            break;
        sink(buffer, got);
    }
    CloseHandle(handle);
    return ok;
}

class File {
public:
    explicit File(HANDLE handle) : handle(handle) {}
    ~File() { CloseHandle(handle); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    const HANDLE handle;
};

void FileDeleter::operator()(File* file) const
{
    delete file;
}

FileHandle OpenContent(const Folder& folder, const std::string& name, uint64_t, Failure& failure)
{
    std::wstring wide;
    if (!Wide(Join(folder.path, name), wide, failure))
        return nullptr;
    // A reparse point is opened as itself (the caller finds it is not the
    // file it listed); the cache reads ahead for a file read in order.
    const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN;
    // The right to write attributes lets the handle's reads leave the access
    // time alone; where it is refused (the file's rights, a read-only
    // volume), the file is read without it.
    bool keepsAccess = true;
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                                OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_WRITE_PROTECT) {
            Fail(failure, error);
            return nullptr;
        }
        keepsAccess = false;
        handle = CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            Fail(failure, GetLastError());
            return nullptr;
        }
    }
    if (keepsAccess) {
        // All ones: the system does not update the last-access time for the
        // operations on this handle.
        FILETIME keep = {0xFFFFFFFF, 0xFFFFFFFF};
        SetFileTime(handle, nullptr, &keep, nullptr);
    }
    return FileHandle(new File(handle));
}

bool ContentFacts(const File& file, Facts& facts, Instant& statusChanged, Failure& failure)
{
    if (!FactsOfHandle(file.handle, facts, failure))
        return false;
    FILE_BASIC_INFO basic = {};
    statusChanged = Instant();
    if (GetFileInformationByHandleEx(file.handle, FileBasicInfo, &basic, sizeof basic)) {
        FILETIME changed;
        changed.dwLowDateTime = static_cast<DWORD>(basic.ChangeTime.QuadPart);
        changed.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(basic.ChangeTime.QuadPart) >> 32);
        statusChanged = InstantOf(changed);
    }
    return true;
}

bool ReadSome(File& file, char* data, size_t size, size_t& got, Failure& failure)
{
    DWORD read = 0;
    const DWORD most = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(file.handle, data, most, &read, nullptr))
        return Fail(failure, GetLastError());
    got = read;
    return true;
}

SetResult SetFolderModified(const Folder& folder, const Facts& expected, const Instant& when, Facts& after,
                            Failure& failure)
{
    // The held handle lists the folder; its attributes are written through a
    // second one.
    return SetWriteTime(folder.path, when, after, failure, [&](const Facts& now, SetResult&) {
        return now.kind == Kind::Folder && now.device == expected.device && now.object == expected.object &&
               now.modified == expected.modified;
    });
}

}  // namespace fsys
