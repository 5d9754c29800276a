#include "fsys/batch_linux.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#ifdef KELVORA_HAVE_LIBURING
#include <liburing.h>
#endif

namespace fsys {
namespace batch {

namespace {

#ifdef KELVORA_HAVE_LIBURING

class Ring final : public Calls {
public:
    static std::unique_ptr<Ring> Make()
    {
        std::unique_ptr<Ring> ring(new Ring);
        if (io_uring_queue_init(kRoom, &ring->ring_, 0) != 0)
            return nullptr;
        ring->ready_ = true;
        // The kernel's workers that make the calls of this ring: by default
        // at most four per processor, too few to overlap the round trips of
        // a network file system. Refused before Linux 5.15: then as it is.
        unsigned workers[2] = {kRoom / 2, kRoom / 2};
        io_uring_register_iowq_max_workers(&ring->ring_, workers);
        io_uring_probe* probe = io_uring_get_probe_ring(&ring->ring_);
        const bool supported = probe && io_uring_opcode_supported(probe, IORING_OP_OPENAT) &&
                               io_uring_opcode_supported(probe, IORING_OP_STATX) &&
                               io_uring_opcode_supported(probe, IORING_OP_CLOSE);
        if (probe)
            io_uring_free_probe(probe);
        return supported ? std::move(ring) : nullptr;
    }

    ~Ring() override
    {
        if (ready_)
            io_uring_queue_exit(&ring_);
    }

    void Open(int at, const char* name, int flags, int* result) override
    {
        io_uring_sqe* sqe = Next(result);
        io_uring_prep_openat(sqe, at, name, flags, 0);
    }
    void Stat(int at, const char* name, int flags, unsigned mask, struct statx* out, int* result) override
    {
        io_uring_sqe* sqe = Next(result);
        io_uring_prep_statx(sqe, at, name, flags, mask, out);
    }
    void Close(int fd, int* result) override
    {
        io_uring_sqe* sqe = Next(result);
        io_uring_prep_close(sqe, fd);
    }
    size_t Queued() const override { return queued_; }
    bool Broken() const override { return broken_; }

    bool Run() override
    {
        size_t done = 0;
        const size_t queued = queued_;
        queued_ = 0;
        if (!queued)
            return true;
        int submitted = 0;
        while (submitted == 0) {
            submitted = io_uring_submit_and_wait(&ring_, static_cast<unsigned>(queued));
            if (submitted < 0 && submitted != -EINTR && submitted != -EAGAIN)
                return Broke();
            if (submitted < 0)
                submitted = 0;
        }
        while (done < queued) {
            io_uring_cqe* cqe = nullptr;
            const int waited = io_uring_wait_cqe(&ring_, &cqe);
            if (waited == -EINTR || waited == -EAGAIN)
                continue;
            if (waited < 0)
                return Broke();
            *static_cast<int*>(io_uring_cqe_get_data(cqe)) = cqe->res;
            io_uring_cqe_seen(&ring_, cqe);
            ++done;
        }
        return true;
    }

private:
    Ring() = default;

    // The ring is kept (calls in flight may still write to their results)
    // but no longer used.
    bool Broke()
    {
        broken_ = true;
        return false;
    }

    io_uring_sqe* Next(int* result)
    {
        io_uring_sqe* sqe = io_uring_get_sqe(&ring_);
        // The callers run before kRoom calls are queued; a full queue would
        // be a fault of theirs.
        if (!sqe)
            std::abort();
        io_uring_sqe_set_data(sqe, result);
        ++queued_;
        return sqe;
    }

    io_uring ring_{};
    bool ready_ = false;
    bool broken_ = false;
    size_t queued_ = 0;
};

#endif

Where WhereUsed()
{
    const char* value = std::getenv("KELVORA_IO_URING");
    if (value && std::strcmp(value, "0") == 0)
        return Where::Nowhere;
    if (value && std::strcmp(value, "1") == 0)
        return Where::Everywhere;
    return Where::Remote;
}

// Each thread reads the setting once, with its first call, and makes its
// ring when first asked for it.
struct ThreadCalls {
    bool asked = false;
    Where where = Where::Remote;
    bool made = false;
    std::unique_ptr<Calls> calls;
};

ThreadCalls& Mine()
{
    static thread_local ThreadCalls mine;
    if (!mine.asked) {
        mine.asked = true;
        mine.where = WhereUsed();
    }
    return mine;
}

}  // namespace

Calls* Calls::Of()
{
    ThreadCalls& mine = Mine();
    if (!mine.made) {
        mine.made = true;
#ifdef KELVORA_HAVE_LIBURING
        if (mine.where != Where::Nowhere)
            mine.calls = Ring::Make();
#endif
    }
    return mine.calls && !mine.calls->Broken() ? mine.calls.get() : nullptr;
}

Where WhereUsedHere()
{
    return Mine().where;
}

bool InUse()
{
    return Calls::Of() != nullptr;
}

}  // namespace batch
}  // namespace fsys
