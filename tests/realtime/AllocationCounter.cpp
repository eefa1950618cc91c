// Counts malloc's family while a window is open. libstdc++'s operator new and
// delete (plain and aligned) end in these functions, so C++ allocations are
// counted too, in this binary and in a loaded module alike.
#include "tests/realtime/AllocationCounter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocationCount{0};
std::atomic<long> releaseCount{0};

void note(std::atomic<long>& count) {
    if (counting.load(std::memory_order_relaxed)) {
        count.fetch_add(1, std::memory_order_relaxed);
    }
}
}  // namespace

namespace allocations {
Window::Window() {
    allocationCount = 0;
    releaseCount = 0;
    counting = true;
}
Window::~Window() { counting = false; }
long Window::allocations() const { return allocationCount.load(); }
long Window::releases() const { return releaseCount.load(); }
}  // namespace allocations

#if ALLOCATION_COUNTER_SEES_MALLOC
using std::size_t;
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t n) { return note(allocationCount), __libc_malloc(n); }
void* calloc(size_t count, size_t n) { return note(allocationCount), __libc_calloc(count, n); }
void* realloc(void* p, size_t n) { return note(allocationCount), __libc_realloc(p, n); }
void* memalign(size_t alignment, size_t n) { return note(allocationCount), __libc_memalign(alignment, n); }
void* aligned_alloc(size_t alignment, size_t n) { return note(allocationCount), __libc_memalign(alignment, n); }
int posix_memalign(void** out, size_t alignment, size_t n) {
    note(allocationCount);
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    void* p = __libc_memalign(alignment, n);
    return p == nullptr ? ENOMEM : (*out = p, 0);
}
void free(void* p) {
    if (p != nullptr) {
        note(releaseCount);
    }
    __libc_free(p);
}
}
#endif
