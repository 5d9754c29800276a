#include "cli/manifest_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "cli/handle_stream_windows.h"
#include "fsys/windows_path.h"

namespace cli {

std::FILE* OpenManifestFile(const std::string& path, std::string& error)
{
    fsys::Failure failure;
    std::wstring wide;
    if (!fsys::LongWidePath(path, wide, failure)) {
        error = failure.reason;
        return nullptr;
    }
    const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        error = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? "No such file or directory"
              : code == ERROR_ACCESS_DENIED ? "Permission denied"
                                            : "cannot be opened (error " + std::to_string(code) + ")";
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = GetFileType(handle) == FILE_TYPE_PIPE ? "it is a pipe, not a regular file (use \"-\" to read a pipe)"
              : GetFileType(handle) == FILE_TYPE_CHAR ? "it is a device, not a regular file"
                                                      : "it is a folder, not a file";
        CloseHandle(handle);
        return nullptr;
    }
    return StreamOfHandle(handle, "rb", error);
}

std::FILE* ManifestStdin()
{
    _setmode(_fileno(stdin), _O_BINARY);
    return stdin;
}

}  // namespace cli
