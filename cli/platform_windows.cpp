#include "cli/platform.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "cli/handle_stream_windows.h"
#include "cli/output.h"
#include "fsys/utf16.h"
#include "fsys/windows_path.h"

namespace cli {

namespace {

// Whether the console takes the terminal sequences of the progress line.
bool g_consoleSequences = false;

std::string Narrow(const wchar_t* wide)
{
    return fsys::FromUtf16(reinterpret_cast<const char16_t*>(wide), wcslen(wide));
}

std::wstring Wide(const std::string& text)
{
    std::u16string units;
    fsys::ToUtf16(text, units);
    return std::wstring(units.begin(), units.end());
}

HANDLE HandleOf(std::FILE* stream)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

bool IsConsole(HANDLE handle)
{
    DWORD mode;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

// Without terminal sequences the console only returns to the line's start.
std::string WithoutSequences(const std::string& text)
{
    std::string plain;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text.compare(at, 3, "\033[K") == 0) {
            at += 2;
            continue;
        }
        plain.push_back(text[at]);
    }
    return plain;
}

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(Narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

void PrepareProcess()
{
    // The same bytes as on other systems: no carriage return added before
    // each line end of the output.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const HANDLE error = HandleOf(stderr);
    DWORD mode;
    if (GetConsoleMode(error, &mode))
        g_consoleSequences = (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
                             SetConsoleMode(error, mode | ENABLE_PROCESSED_OUTPUT |
                                                       ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    // Local times come from the system's zone. A TZ the C runtime cannot
    // read (a zone name such as Europe/Paris, handed down by a POSIX parent)
    // would make it take UTC-like rules without daylight saving: dropped.
    const char* zone = std::getenv("TZ");
    if (zone && std::strchr(zone, '/')) {
        _putenv("TZ=");
        _tzset();
    }
}

long OpenFileLimit()
{
    // Folders and files are system handles, which have no small bound.
    return 65536;
}

bool IsTerminal(std::FILE* stream)
{
    return IsConsole(HandleOf(stream));
}

int TerminalWidth(std::FILE* stream)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(HandleOf(stream), &info))
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

void Write(std::FILE* stream, const std::string& text)
{
    const HANDLE handle = HandleOf(stream);
    if (!IsConsole(handle)) {
        if (std::fwrite(text.data(), 1, text.size(), stream) != text.size())
            NoteWriteFailure(stream, errno);
        return;
    }
    // A console shows characters, whatever its code page: the UTF-16 of the
    // text (a byte that is not UTF-8 becomes U+FFFD).
    std::fflush(stream);
    const std::string shown = g_consoleSequences ? text : WithoutSequences(text);
    if (shown.empty())
        return;
    const int length = MultiByteToWideChar(CP_UTF8, 0, shown.data(), static_cast<int>(shown.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, shown.data(), static_cast<int>(shown.size()), &wide[0], length);
    for (size_t at = 0; at < wide.size();) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - at, 8192));
        if (!WriteConsoleW(handle, wide.data() + at, chunk, &written, nullptr) || written == 0)
            return;
        at += written;
    }
}

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    fsys::Failure failure;
    std::wstring wide;
    if (!fsys::LongWidePath(path, wide, failure)) {
        errno = failure.code;
        return nullptr;
    }
    // Binary: the same bytes as on other systems.
    std::wstring wideMode = Wide(mode);
    if (wideMode.find(L'b') == std::wstring::npos)
        wideMode += L'b';
    return _wfopen(wide.c_str(), wideMode.c_str());
}

std::FILE* CreateOutputFile(const std::string& path, bool replace, bool& made, std::string& error)
{
    made = false;
    fsys::Failure failure;
    std::wstring wide;
    if (!fsys::LongWidePath(path, wide, failure)) {
        error = failure.reason;
        return nullptr;
    }
    // A link at the name is opened as itself, and refused below.
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, flags, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        made = true;
    } else if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) {
        // A file that exists: a pipe or a device is written as it is; a file
        // on a disk only when it may be replaced.
        handle = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr);
        BY_HANDLE_FILE_INFORMATION info;
        if (handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK) {
            const bool known = GetFileInformationByHandle(handle, &info);
            const char* refused = !replace ? "it exists (--force replaces it)"
                                : !known   ? "it cannot be asked"
                                : (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                                    ? "it is a link, which is not followed"
                                : info.nNumberOfLinks > 1 ? "it has other names (hard links), whose content would be lost too"
                                                          : nullptr;
            if (refused || !SetEndOfFile(handle)) {
                error = refused ? refused : "it cannot be emptied";
                CloseHandle(handle);
                return nullptr;
            }
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        error = "cannot be made (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    return StreamOfHandle(handle, "wb", error);
}

std::FILE* StreamOfHandle(HANDLE handle, const char* mode, std::string& error)
{
    const bool reading = mode[0] == 'r';
    const char* failed = reading ? "cannot be opened" : "cannot be made";
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), (reading ? _O_RDONLY : 0) | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        error = failed;
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, mode);
    if (!file) {
        _close(fd);
        error = failed;
    }
    return file;
}

void RemoveFile(const std::string& path)
{
    fsys::Failure failure;
    std::wstring wide;
    if (fsys::LongWidePath(path, wide, failure))
        DeleteFileW(wide.c_str());
}

char PathSeparator()
{
    return '\\';
}

}  // namespace cli
