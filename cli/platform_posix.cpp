#include "cli/platform.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace cli {

std::vector<std::string> Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void PrepareProcess()
{
    // More open folders allow the walk to keep more of them open.
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 65536);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

long OpenFileLimit()
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 65536;
    return static_cast<long>(std::min<rlim_t>(limit.rlim_cur, 65536));
}

bool IsTerminal(std::FILE* stream)
{
    return isatty(fileno(stream));
}

void Write(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

bool MakeFolders(const std::string& path, std::string& reason)
{
    for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string part = path.substr(0, at);
        if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            reason = part + ": " + std::strerror(errno);
            return false;
        }
        if (at == std::string::npos)
            return true;
    }
}

bool SyncFile(std::FILE* file)
{
    return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
}

std::string DefaultJournalFolder(std::string& error)
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/')
        return std::string(state) + "/kelvora/journal";
    const char* home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/.local/state/kelvora/journal";
    error = "neither XDG_STATE_HOME nor HOME is set: name the journal with --journal FILE";
    return "";
}

char PathSeparator()
{
    return '/';
}

}  // namespace cli
