// The executable's own fsync, fdatasync and syncfs come before libc's for
// every library it loads, so each flush passes through here on its way to
// the real call, or, with TUNEMOSS_BENCH_SKIP_FLUSHES set, is counted and
// not made: a process that waits for the disk resumes on cold caches, and
// what its work costs without that is measured this way.
#include "bench/SyncClock.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<int> g_calls{0};
std::atomic<int64_t> g_nanoseconds{0};

using SyncCall = int (*)(int);

SyncCall RealCall(const char* name) {
    auto call = reinterpret_cast<SyncCall>(::dlsym(RTLD_NEXT, name));
    if (call == nullptr) {
        std::fprintf(stderr, "tunemoss_bench: no %s in the C library\n", name);
        std::abort();
    }
    return call;
}

bool SkipFlushes() {
    static const bool skip = std::getenv("TUNEMOSS_BENCH_SKIP_FLUSHES") != nullptr;
    return skip;
}

int Timed(SyncCall call, int fd) {
    auto start = std::chrono::steady_clock::now();
    int result = SkipFlushes() ? 0 : call(fd);
    auto spent = std::chrono::steady_clock::now() - start;
    g_calls.fetch_add(1, std::memory_order_relaxed);
    g_nanoseconds.fetch_add(std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count(),
                            std::memory_order_relaxed);
    return result;
}

}  // namespace

extern "C" int fsync(int fd) {
    static const SyncCall real = RealCall("fsync");
    return Timed(real, fd);
}

extern "C" int fdatasync(int fd) {
    static const SyncCall real = RealCall("fdatasync");
    return Timed(real, fd);
}

extern "C" int syncfs(int fd) {
    static const SyncCall real = RealCall("syncfs");
    return Timed(real, fd);
}

namespace bench {

SyncTally SyncTallySinceReset() {
    return {g_calls.load(), g_nanoseconds.load()};
}

void ResetSyncTally() {
    g_calls = 0;
    g_nanoseconds = 0;
}

}  // namespace bench
