// The manifest command: the mtree record of a tree of originals, on stdout
// or in a file, a progress line on stderr when it is a terminal.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/options.h"
#include "cli/platform.h"
#include "cli/signals.h"
#include "cli/terminal.h"
#include "engine/manifest_make.h"

namespace cli {

namespace {

class Output : public engine::ManifestOutput {
public:
    Output(std::FILE* file, bool toStdout, ProgressLine& line, engine::Progress& progress)
        : file_(file), toStdout_(toStdout), line_(line), progress_(progress)
    {
    }

    bool Write(const std::string& text) override
    {
        buffer_ += text;
        return buffer_.size() < (1 << 16) || Flush();
    }
    bool Flush()
    {
        if (buffer_.empty())
            return true;
        bool ok;
        if (toStdout_) {
            cli::Write(stdout, buffer_);
            ok = !std::ferror(stdout);
        } else {
            ok = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
        }
        if (!ok && error_.empty())
            error_ = std::strerror(errno);
        buffer_.clear();
        return ok;
    }
    void Failed(const std::string& path, const std::string& reason) override
    {
        line_.Message("kelvora-cli: " + (path.empty() ? std::string(".") : path) + ": " + reason +
                      "; left out of the manifest");
    }
    void Progress(uint64_t files) override { progress_.walked.store(files, std::memory_order_relaxed); }

    const std::string& error() const { return error_; }

private:
    std::FILE* file_;
    const bool toStdout_;
    ProgressLine& line_;
    engine::Progress& progress_;
    std::string buffer_;
    std::string error_;
};

void Error(const std::string& message) { Write(stderr, "kelvora-cli: " + message + "\n"); }

}  // namespace

int RunManifest(const Options& options)
{
    fsys::Failure failure;
    fsys::FolderHandle originals = fsys::OpenRoot(options.originals, failure);
    if (!originals) {
        Error("\"" + options.originals + "\": " + failure.reason);
        return kExitUsage;
    }
    const bool toStdout = options.output.empty() || options.output == "-";
    std::FILE* file = toStdout ? stdout : OpenFile(options.output, "wb");
    if (!file) {
        Error("cannot write \"" + options.output + "\": " + std::strerror(errno));
        return kExitUsage;
    }
    engine::Progress progress;
    const bool shown = !options.quiet && options.progress != ProgressMode::Never &&
                       (options.progress == ProgressMode::Always || IsTerminal(stderr));
    ProgressLine line(progress, shown, ProgressLine::Counting::Files);
    Output output(file, toStdout, line, progress);
    engine::ManifestOptions manifest;
    manifest.digest = options.digest;
    manifest.stop = &g_stopRequested;
    manifest.filter = &options.filter;
    const long usable = std::max(0L, OpenFileLimit() - 16);
    manifest.maxKeptHandles = static_cast<int>(std::min(usable / 2, 512L));
    const engine::ManifestTotals totals = engine::MakeManifest(*originals, manifest, output);
    bool written = output.Flush() && !totals.writeFailed;
    if (toStdout)
        written = std::fflush(stdout) == 0 && written;
    else
        written = std::fclose(file) == 0 && written;
    line.Stop();
    if (!written) {
        Error("the manifest could not be written" +
              (output.error().empty() ? std::string() : ": " + output.error()) +
              (toStdout ? std::string() : " (\"" + options.output + "\" is incomplete)"));
        return kExitFailures;
    }
    if (!options.quiet)
        Write(stderr, fmt::format("{} files, {} folders{}{}{}\n", totals.files, totals.folders,
                                  totals.leftOut ? fmt::format("; {} links and special files left out", totals.leftOut)
                                                 : std::string(),
                                  totals.failed ? fmt::format("; {} could not be read", totals.failed) : std::string(),
                                  totals.interrupted ? "; interrupted: the manifest is incomplete" : ""));
    if (totals.interrupted)
        return kExitInterrupted;
    return totals.failed ? kExitFailures : kExitDone;
}

}  // namespace cli
