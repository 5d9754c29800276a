#include "cli/platform.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

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

char PathSeparator()
{
    return '/';
}

}  // namespace cli
