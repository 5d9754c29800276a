#include "engine/manifest_make.h"

#include "engine/mtree_writer.h"
#include "engine/sha256.h"
#include "engine/walk.h"

namespace engine {

namespace {

// The walk takes two trees: the originals are given as both, and only the
// first side is read.
class Writer : public FolderVisitor {
public:
    Writer(const ManifestOptions& options, ManifestOutput& output, ManifestTotals& totals)
        : options_(options), output_(output), totals_(totals)
    {
    }

    bool Stopped() const
    {
        return stopped_ || (options_.stop && options_.stop->load(std::memory_order_relaxed));
    }

    bool Put(const std::string& text)
    {
        if (stopped_)
            return false;
        if (!output_.Write(text)) {
            totals_.writeFailed = true;
            stopped_ = true;
            stop_.store(true);
        }
        return !stopped_;
    }

    const std::atomic<bool>* stop() const { return &stop_; }

    void Visit(const FolderView& view, int) override
    {
        if (!stop_.load() && options_.stop && options_.stop->load())
            stop_.store(true);
        for (const fsys::Entry& entry : *view.entries[kOriginals]) {
            if (Stopped())
                return;
            const std::string path = view.path.empty() ? entry.name : view.path + "/" + entry.name;
            if (entry.kind == fsys::Kind::Folder) {
                ++totals_.folders;
                Put(MtreeFolderLine(path));
                continue;
            }
            if (entry.kind != fsys::Kind::Regular && entry.kind != fsys::Kind::Unknown) {
                ++totals_.leftOut;
                continue;
            }
            File(*view.folder[kOriginals], entry.name, path);
        }
        output_.Progress(totals_.files);
    }

    void FolderFailed(const std::string& path, Side side, const fsys::Failure& failure, int) override
    {
        if (side != kOriginals)
            return;  // the same folder, already told
        ++totals_.failed;
        output_.Failed(path, failure.reason);
    }

private:
    void File(const fsys::Folder& folder, const std::string& name, const std::string& path)
    {
        fsys::Facts facts;
        fsys::Failure failure;
        if (!fsys::NameFacts(folder, name, facts, failure)) {
            ++totals_.failed;
            output_.Failed(path, failure.reason);
            return;
        }
        if (facts.kind != fsys::Kind::Regular) {
            if (facts.kind == fsys::Kind::Folder)
                return;  // replaced by a folder since the listing: not walked
            ++totals_.leftOut;
            return;
        }
        if (!options_.digest) {
            ++totals_.files;
            Put(MtreeFileLine(path, facts.size, facts.modified, nullptr));
            return;
        }
        Sha256 sha;
        uint64_t read = 0;
        if (!fsys::ReadContent(folder, name,
                               [&](const char* data, size_t size) {
                                   sha.Update(data, size);
                                   read += size;
                               },
                               failure)) {
            ++totals_.failed;
            output_.Failed(path, failure.reason);
            return;
        }
        // The facts written are those of the content read: looked at again
        // after, and the file left out if it changed while being read.
        fsys::Facts after;
        if (!fsys::NameFacts(folder, name, after, failure)) {
            ++totals_.failed;
            output_.Failed(path, failure.reason);
            return;
        }
        if (after.size != facts.size || after.modified != facts.modified || read != facts.size ||
            after.object != facts.object) {
            ++totals_.failed;
            output_.Failed(path, "changed while it was read");
            return;
        }
        totals_.bytes += read;
        ++totals_.files;
        const std::array<uint8_t, 32> digest = sha.Finish();
        Put(MtreeFileLine(path, facts.size, facts.modified, &digest));
    }

    const ManifestOptions& options_;
    ManifestOutput& output_;
    ManifestTotals& totals_;
    bool stopped_ = false;
    std::atomic<bool> stop_{false};
};

}  // namespace

ManifestTotals MakeManifest(const fsys::Folder& originals, const ManifestOptions& options,
                            ManifestOutput& output)
{
    ManifestTotals totals;
    Writer writer(options, output, totals);
    if (!writer.Put(kMtreeSignature) || !writer.Put(MtreeFolderLine("")))
        return totals;
    WalkOptions walk;
    walk.jobs = 1;  // the order of the entries is the walk's
    walk.maxKeptHandles = options.maxKeptHandles;
    walk.stop = writer.stop();
    walk.filter = options.filter;
    WalkInStep(originals, originals, walk, writer);
    totals.interrupted = !totals.writeFailed && options.stop && options.stop->load();
    return totals;
}

}  // namespace engine
