#include "cli/against.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "cli/manifest_file.h"

namespace cli {

bool LoadManifest(const std::string& path, std::unique_ptr<engine::ManifestIndex>& index, std::string& error)
{
    const bool standardInput = path == "-";
    const std::string shown = standardInput ? std::string("the manifest on standard input")
                                            : "manifest \"" + path + "\"";
    std::string why;
    std::FILE* file = standardInput ? ManifestStdin() : OpenManifestFile(path, why);
    if (!file) {
        error = shown + ": " + why;
        return false;
    }
    index = std::make_unique<engine::ManifestIndex>();
    engine::ManifestIndex& into = *index;
    engine::MtreeReader reader(
        [&into](engine::MtreeEntry&& entry, std::string& message) { return into.Add(std::move(entry), message); });
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        if (got && !reader.Feed(buffer.data(), got, why)) {
            ok = false;
            break;
        }
        if (got < buffer.size()) {
            if (std::ferror(file)) {
                why = std::string("cannot be read: ") + std::strerror(errno);
                ok = false;
            } else {
                ok = reader.Finish(why);
            }
            break;
        }
    }
    if (!standardInput)
        std::fclose(file);
    if (ok)
        ok = into.Finish(why);
    if (!ok) {
        error = shown + ": " + why + "; nothing was changed";
        index.reset();
    }
    return ok;
}

}  // namespace cli
