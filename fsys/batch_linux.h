// Calls of one thread asked of the kernel together: opens, statx and closes
// queued, then handed over and waited for in one system call through an
// io_uring of the thread (where: see Where). Where io_uring is refused
// (kernels before 5.6, seccomp filters, containers that forbid it, a build
// without liburing) or turned off with KELVORA_IO_URING=0, Of() gives null
// and the caller makes each call itself.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstddef>

namespace fsys {
namespace batch {

class Calls {
public:
    // The queue of this thread, made on first use; null where io_uring
    // cannot be used or is turned off.
    static Calls* Of();

    // Calls held at most before Run must be called.
    static constexpr size_t kRoom = 256;

    // Each call writes its result (a descriptor, 0, or minus the error
    // number) to `*result` when Run returns; `name` and `out` must stay valid
    // until then.
    virtual void Open(int at, const char* name, int flags, int* result) = 0;
    virtual void Stat(int at, const char* name, int flags, unsigned mask, struct statx* out, int* result) = 0;
    virtual void Close(int fd, int* result) = 0;
    virtual size_t Queued() const = 0;
    virtual bool Broken() const = 0;
    // Hands the queued calls over and waits for every one of them. False
    // when the ring itself failed: the results are then unknown, and the
    // thread makes its calls itself from then on.
    virtual bool Run() = 0;

    virtual ~Calls() = default;
};

// Whether io_uring is used by the threads of this process (for tests and
// messages).
bool InUse();

// Where the calls are asked together. A call on a local disk is answered
// from the kernel's caches in a microsecond or so, and io_uring hands looks
// and opens to kernel worker threads: each then costs a switch of threads
// more than the call itself. Where every call is a round trip (a network or
// FUSE file system), overlapping them is what counts. So by default only
// there; KELVORA_IO_URING=1 asks on every file system (the tests use it to
// run the batched path on local folders), KELVORA_IO_URING=0 nowhere.
// This thread reads the setting once, with its first call.
enum class Where { Nowhere, Remote, Everywhere };
Where WhereUsedHere();

}  // namespace batch
}  // namespace fsys
