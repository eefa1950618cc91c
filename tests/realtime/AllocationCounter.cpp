// Counts every heap allocation and release of the process while a window is
// open: the global allocation functions, and (outside sanitizer builds, whose
// runtimes own malloc) the C allocation functions too, which is what a loaded
// module with its own C++ runtime reaches.
#include "tests/realtime/AllocationCounter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocationCount{0};
std::atomic<long> releaseCount{0};

void note(std::atomic<long>& count) {
    if (counting.load(std::memory_order_relaxed)) {
        count.fetch_add(1, std::memory_order_relaxed);
    }
}

void* allocateOrNull(std::size_t n, std::size_t alignment = 0) {
    note(allocationCount);
    void* p = nullptr;
    if (alignment <= alignof(std::max_align_t)) {
        return std::malloc(n == 0 ? 1 : n);
    }
    return posix_memalign(&p, alignment, n == 0 ? 1 : n) == 0 ? p : nullptr;
}

void* allocateOrThrow(std::size_t n, std::size_t alignment = 0) {
    if (void* p = allocateOrNull(n, alignment)) {
        return p;
    }
    throw std::bad_alloc();
}

void release(void* p) {
    if (p != nullptr) {
        note(releaseCount);
        std::free(p);
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

using std::align_val_t, std::nothrow_t, std::size_t;
void* operator new(size_t n) { return allocateOrThrow(n); }
void* operator new[](size_t n) { return allocateOrThrow(n); }
void* operator new(size_t n, const nothrow_t&) noexcept { return allocateOrNull(n); }
void* operator new[](size_t n, const nothrow_t&) noexcept { return allocateOrNull(n); }
void* operator new(size_t n, align_val_t a) { return allocateOrThrow(n, static_cast<size_t>(a)); }
void* operator new[](size_t n, align_val_t a) { return allocateOrThrow(n, static_cast<size_t>(a)); }
void* operator new(size_t n, align_val_t a, const nothrow_t&) noexcept {
    return allocateOrNull(n, static_cast<size_t>(a));
}
void* operator new[](size_t n, align_val_t a, const nothrow_t&) noexcept {
    return allocateOrNull(n, static_cast<size_t>(a));
}
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, size_t) noexcept { release(p); }
void operator delete[](void* p, size_t) noexcept { release(p); }
void operator delete(void* p, align_val_t) noexcept { release(p); }
void operator delete[](void* p, align_val_t) noexcept { release(p); }
void operator delete(void* p, size_t, align_val_t) noexcept { release(p); }
void operator delete[](void* p, size_t, align_val_t) noexcept { release(p); }
void operator delete(void* p, const nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const nothrow_t&) noexcept { release(p); }

#if ALLOCATION_COUNTER_SEES_MALLOC
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
void* reallocarray(void* p, size_t count, size_t n) {
    size_t bytes;
    return __builtin_mul_overflow(count, n, &bytes) ? (errno = ENOMEM, nullptr) : realloc(p, bytes);
}
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
