// The test harness on Windows: the same trees and runs as on Linux, through
// the wide calls and long paths, so that any name and any length can be
// made, looked at and removed.
#include "harness.h"

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <thread>

namespace harness {

namespace {

constexpr int64_t kTicksTo1970 = 116444736000000000LL;

void Check(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error(what + ": Windows error " + std::to_string(GetLastError()));
}

std::wstring Utf16(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), &wide[0], length);
    return wide;
}

std::string Utf8(const std::wstring& wide)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), &text[0], length, nullptr, nullptr);
    return text;
}

// The long form of an absolute path written with "/" or "\".
std::wstring Long(const std::string& path)
{
    std::wstring wide = Utf16(path);
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide.compare(0, 4, L"\\\\?\\") == 0 ? wide : L"\\\\?\\" + wide;
}

FILETIME FileTime(int64_t nanos)
{
    // Floored to the 100 ns that Windows keeps.
    int64_t ticks = nanos / 100;
    if (nanos % 100 < 0)
        --ticks;
    const uint64_t value = uint64_t(ticks + kTicksTo1970);
    return {DWORD(value), DWORD(value >> 32)};
}

int64_t Nanos(const FILETIME& time)
{
    const int64_t ticks = int64_t((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return (ticks - kTicksTo1970) * 100;
}

std::vector<WIN32_FIND_DATAW> Listing(const std::wstring& folder)
{
    std::vector<WIN32_FIND_DATAW> entries;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            entries.push_back(data);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return entries;
}

// Removes everything inside `folder`, read-only entries included; links and
// junctions are removed themselves, never what they lead to.
void EmptyFolder(const std::wstring& folder)
{
    for (const WIN32_FIND_DATAW& entry : Listing(folder)) {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                EmptyFolder(path);
            RemoveDirectoryW(path.c_str());
        } else {
            DeleteFileW(path.c_str());
        }
    }
}

void TakeFolder(const std::wstring& folder, const std::string& prefix, Snapshot& snapshot)
{
    for (const WIN32_FIND_DATAW& entry : Listing(folder)) {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        const std::string name = prefix.empty() ? Utf8(entry.cFileName) : prefix + "/" + Utf8(entry.cFileName);
        EntryState state{};
        // The attributes stand for the mode: read-only, hidden, archive...
        state.mode = entry.dwFileAttributes;
        state.size = int64_t((uint64_t(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
        state.modified = Nanos(entry.ftLastWriteTime);
        state.accessed = Nanos(entry.ftLastAccessTime);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            state.kind = 'l';
            state.accessed = 0;
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            state.kind = 'd';
            state.accessed = 0;  // listing a folder may read its access time forward
            TakeFolder(path, name, snapshot);
        } else {
            state.kind = 'f';
            // The times above were read before the content is; the access
            // time that reading may move forward is put back after.
            HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      0, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                char buffer[65536];
                DWORD n;
                while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0)
                    state.content.append(buffer, n);
                SetFileTime(file, nullptr, &entry.ftLastAccessTime, nullptr);
                CloseHandle(file);
            }
        }
        snapshot[name] = state;
    }
}

// One argument quoted as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

void Drain(HANDLE pipe, std::string& into)
{
    char buffer[65536];
    DWORD n;
    while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0)
        into.append(buffer, n);
}

// The program under test, named as Windows names it.
std::string Program()
{
    std::string path = KELVORA_CLI;
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;  // the build's Linux path, seen through Wine's drive
        for (char& c : path)
            if (c == '/')
                c = '\\';
    }
    return path;
}

}  // namespace

Scratch::Scratch()
{
    wchar_t temp[MAX_PATH + 1];
    Check(GetTempPathW(MAX_PATH + 1, temp) > 0, "GetTempPath");
    static int count = 0;
    for (;;) {
        const std::string name = Utf8(temp) + "kelvora-cli-" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(++count);
        if (CreateDirectoryW(Long(name).c_str(), nullptr)) {
            path_ = name;
            break;
        }
        Check(GetLastError() == ERROR_ALREADY_EXISTS, "CreateDirectory " + name);
    }
    for (char& c : path_)
        if (c == '\\')
            c = '/';
    // "/" throughout, as the tests join names: the system and the program
    // take both separators.
}

Scratch::~Scratch()
{
    EmptyFolder(Long(path_));
    RemoveDirectoryW(Long(path_).c_str());
}

void MakeFolders(const std::string& path)
{
    const std::wstring wide = Long(path);
    // From the first name after the drive ("\\?\C:\") down.
    for (size_t at = wide.find(L'\\', 7); ; at = wide.find(L'\\', at + 1)) {
        const std::wstring part = wide.substr(0, at);
        if (!CreateDirectoryW(part.c_str(), nullptr))
            Check(GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_ACCESS_DENIED,
                  "CreateDirectory " + path);
        if (at == std::wstring::npos)
            break;
    }
}

void SetTimes(const std::string& path, int64_t modifiedNanos, int64_t accessedNanos)
{
    HANDLE file = CreateFileW(Long(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    Check(file != INVALID_HANDLE_VALUE, "open " + path);
    const FILETIME modified = FileTime(modifiedNanos);
    const FILETIME accessed = FileTime(accessedNanos < 0 ? modifiedNanos : accessedNanos);
    const bool ok = SetFileTime(file, nullptr, &accessed, &modified);
    CloseHandle(file);
    Check(ok, "SetFileTime " + path);
}

void WriteFile(const std::string& path, size_t size, int64_t modifiedNanos, int64_t accessedNanos)
{
    MakeFolders(path.substr(0, path.rfind('/')));
    HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(file != INVALID_HANDLE_VALUE, "create " + path);
    const std::string content = Content(path, size);
    DWORD written = 0;
    const bool ok = ::WriteFile(file, content.data(), DWORD(size), &written, nullptr) && written == size;
    CloseHandle(file);
    Check(ok, "write " + path);
    SetTimes(path, modifiedNanos, accessedNanos);
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    MakeFolders(path.substr(0, path.rfind('/')));
    HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(file != INVALID_HANDLE_VALUE, "open " + path);
    DWORD written = 0;
    const bool ok = ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    Check(ok, "write " + path);
}

int64_t ModifiedNanos(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    Check(GetFileAttributesExW(Long(path).c_str(), GetFileExInfoStandard, &data), "attributes of " + path);
    return Nanos(data.ftLastWriteTime);
}

Snapshot Take(const std::string& root)
{
    Snapshot snapshot;
    TakeFolder(Long(root), "", snapshot);
    return snapshot;
}

Result Run(const std::vector<std::string>& args, const RunOptions& options)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    Check(CreatePipe(&outRead, &outWrite, &inherit, 0) && CreatePipe(&errRead, &errWrite, &inherit, 0), "pipe");
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    std::wstring line = Quoted(Utf16(Program()));
    for (const std::string& arg : args)
        line += L" " + Quoted(Utf16(arg));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process = {};
    // A group of its own, so that a console event can be sent to it alone.
    const bool started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    Check(started, "start " + Program());
    Result result;
    // Both pipes read together, so that neither can fill and block the program.
    std::thread errors([&] { Drain(errRead, result.err); });
    std::thread outputs([&] { Drain(outRead, result.out); });
    if (options.whileRunning)
        options.whileRunning(static_cast<pid_t>(process.dwProcessId));
    outputs.join();
    errors.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    result.status = static_cast<int>(status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

}  // namespace harness
