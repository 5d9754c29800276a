#include "engine/walk.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace engine {

namespace {

// Sorts by name: the order of the names is found on their indices, cheaper to
// move than the entries, and the entries are then moved once.
void SortByName(std::vector<fsys::Entry>& entries)
{
    std::vector<uint32_t> order(entries.size());
    for (uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&entries](uint32_t a, uint32_t b) { return entries[a].name < entries[b].name; });
    std::vector<fsys::Entry> sorted;
    sorted.reserve(entries.size());
    for (const uint32_t i : order)
        sorted.push_back(std::move(entries[i]));
    entries.swap(sorted);
}

// A folder pair waiting to be walked, or walked and holding its handles open
// while its subfolders still need them. It keeps its name only: its path is
// made from its parents' names when it is walked, so that a deep tree holds
// each name once rather than every path whole.
struct Node {
    std::shared_ptr<Node> parent;
    std::string name;
    bool present[2] = {false, false};

    std::mutex mutex;
    std::shared_ptr<const fsys::Folder> handle[2];  // kept for the children, or null
    int waiting = 0;                                // children not yet opened
};

using NodePtr = std::shared_ptr<Node>;

std::string PathOf(const Node& node)
{
    size_t length = 0;
    for (const Node* at = &node; at->parent; at = at->parent.get())
        length += at->name.size() + 1;
    std::string path(length ? length - 1 : 0, '/');
    for (const Node* at = &node; at->parent; at = at->parent.get()) {
        length -= at->name.size() + 1;
        path.replace(length, at->name.size(), at->name);
    }
    return path;
}

class Walker {
public:
    Walker(const WalkOptions& options, FolderVisitor& visitor) : options_(options), visitor_(visitor) {}

    void Run(const fsys::Folder& originals, const fsys::Folder& copies)
    {
        auto top = std::make_shared<Node>();
        top->present[0] = top->present[1] = true;
        // The top handles belong to the caller: shared without ownership.
        top->handle[0] = std::shared_ptr<const fsys::Folder>(&originals, [](const fsys::Folder*) {});
        top->handle[1] = std::shared_ptr<const fsys::Folder>(&copies, [](const fsys::Folder*) {});
        queue_.push_back(top);
        const int jobs = std::max(1, options_.jobs);
        if (jobs == 1) {
            Work(0);
            return;
        }
        std::vector<std::thread> threads;
        for (int worker = 0; worker < jobs; ++worker)
            threads.emplace_back([this, worker] { Work(worker); });
        for (std::thread& thread : threads)
            thread.join();
    }

private:
    bool Stopped() const { return options_.stop && options_.stop->load(std::memory_order_relaxed); }

    void Work(int worker)
    {
        Walking(worker);
        visitor_.Finished(worker);
    }

    void Walking(int worker)
    {
        for (;;) {
            NodePtr node;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return !queue_.empty() || busy_ == 0 || Stopped(); });
                if (queue_.empty() || Stopped()) {
                    wake_.notify_all();
                    break;
                }
                node = std::move(queue_.front());
                queue_.pop_front();
                ++busy_;
            }
            std::vector<NodePtr> children;
            Walk(node, children, worker);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                for (NodePtr& child : children)
                    queue_.push_back(std::move(child));
                --busy_;
            }
            wake_.notify_all();
        }
    }

    // Opens one side of a node from its parent's handle, or from the nearest
    // ancestor that still has one, name by name.
    std::shared_ptr<const fsys::Folder> Open(const Node& node, int side, fsys::Failure& failure)
    {
        if (!node.parent) {
            return node.handle[side];
        }
        std::vector<const Node*> chain;  // from the node up to the first with a handle
        std::shared_ptr<const fsys::Folder> base;
        for (const Node* at = &node; at->parent; at = at->parent.get()) {
            chain.push_back(at);
            std::lock_guard<std::mutex> lock(at->parent->mutex);
            if (at->parent->handle[side]) {
                base = at->parent->handle[side];
                break;
            }
        }
        std::shared_ptr<const fsys::Folder> current = base;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            fsys::FolderHandle next = fsys::OpenChild(*current, (*it)->name, failure);
            if (!next)
                return nullptr;
            current = std::shared_ptr<const fsys::Folder>(std::move(next));
        }
        return current;
    }

    // The child no longer needs its parent's handles: the last one to say so closes them.
    void Opened(Node& node)
    {
        if (!node.parent)
            return;
        Node& parent = *node.parent;
        std::lock_guard<std::mutex> lock(parent.mutex);
        if (--parent.waiting == 0)
            Release(parent);
    }

    void Release(Node& node)
    {
        for (int side = 0; side < 2; ++side) {
            if (node.handle[side] && node.parent)
                kept_.fetch_sub(1, std::memory_order_relaxed);
            if (node.parent)
                node.handle[side].reset();
        }
    }

    void Walk(const NodePtr& node, std::vector<NodePtr>& children, int worker)
    {
        const std::string path = PathOf(*node);
        std::shared_ptr<const fsys::Folder> handle[2];
        std::vector<fsys::Entry> entries[2];
        bool ok = true;
        for (int side = 0; side < 2 && ok; ++side) {
            if (!node->present[side])
                continue;
            fsys::Failure failure;
            handle[side] = Open(*node, side, failure);
            ok = handle[side] && fsys::List(*handle[side], entries[side], failure);
            if (!ok)
                visitor_.FolderFailed(path, static_cast<Side>(side), failure, worker);
        }
        Opened(*node);
        if (!ok)
            return;
        for (int side = 0; side < 2; ++side) {
            if (!node->present[side])
                continue;
            SortByName(entries[side]);
            for (fsys::Entry& entry : entries[side]) {
                if (entry.kind != fsys::Kind::Unknown)
                    continue;
                fsys::Facts facts;
                fsys::Failure failure;
                if (fsys::NameFacts(*handle[side], entry.name, facts, failure))
                    entry.kind = facts.kind;
            }
            if (options_.filter && !options_.filter->empty())
                LeaveOut(path, entries[side]);
        }
        const FolderView view{path,
                              {handle[0].get(), handle[1].get()},
                              {&entries[0], &entries[1]}};
        visitor_.Visit(view, worker);
        Children(node, entries, children);
        if (children.empty() || !node->parent)
            return;
        // Keep the handles for the children while the bound allows.
        int sides = int(node->present[0]) + int(node->present[1]);
        if (kept_.fetch_add(sides, std::memory_order_relaxed) + sides > options_.maxKeptHandles) {
            kept_.fetch_sub(sides, std::memory_order_relaxed);
            return;
        }
        std::lock_guard<std::mutex> lock(node->mutex);
        node->waiting = static_cast<int>(children.size());
        for (int side = 0; side < 2; ++side)
            node->handle[side] = handle[side];
    }

    // Removes the entries the filter leaves out, keeping the order.
    void LeaveOut(const std::string& path, std::vector<fsys::Entry>& entries) const
    {
        std::string entryPath = path.empty() ? std::string() : path + "/";
        const size_t prefix = entryPath.size();
        const auto out = [&](const fsys::Entry& entry) {
            entryPath.replace(prefix, std::string::npos, entry.name);
            return options_.filter->Excluded(entryPath, entry.kind == fsys::Kind::Folder);
        };
        entries.erase(std::remove_if(entries.begin(), entries.end(), out), entries.end());
    }

    // The subfolders to walk: by name, in order, with the sides that have them.
    void Children(const NodePtr& node, const std::vector<fsys::Entry> (&entries)[2],
                  std::vector<NodePtr>& children)
    {
        size_t i[2] = {0, 0};
        const size_t n[2] = {entries[0].size(), entries[1].size()};
        while (i[0] < n[0] || i[1] < n[1]) {
            int take;  // the side whose name comes first, or 2 for both
            if (i[0] == n[0])
                take = 1;
            else if (i[1] == n[1])
                take = 0;
            else {
                const int order = entries[0][i[0]].name.compare(entries[1][i[1]].name);
                take = order < 0 ? 0 : order > 0 ? 1 : 2;
            }
            bool folder[2] = {false, false};
            const std::string* name = nullptr;
            for (int side = 0; side < 2; ++side) {
                if (take != side && take != 2)
                    continue;
                const fsys::Entry& entry = entries[side][i[side]++];
                folder[side] = entry.kind == fsys::Kind::Folder;
                name = &entry.name;
            }
            if (!folder[0] && !folder[1])
                continue;
            if (!(folder[0] && folder[1]) && !options_.oneSided)
                continue;
            auto child = std::make_shared<Node>();
            child->parent = node;
            child->name = *name;
            child->present[0] = folder[0];
            child->present[1] = folder[1];
            children.push_back(std::move(child));
        }
    }

    const WalkOptions& options_;
    FolderVisitor& visitor_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<NodePtr> queue_;
    int busy_ = 0;
    std::atomic<int> kept_{0};
};

}  // namespace

void WalkInStep(const fsys::Folder& originals, const fsys::Folder& copies,
                const WalkOptions& options, FolderVisitor& visitor)
{
    Walker(options, visitor).Run(originals, copies);
}

}  // namespace engine
