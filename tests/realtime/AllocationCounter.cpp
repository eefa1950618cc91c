// Counts every heap allocation and release of the process while counting is
// on: the global allocation functions, and (outside sanitizer builds, whose
// runtimes own malloc) the C allocation functions too.
#include "tests/realtime/AllocationCounter.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace allocations {
namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocationCount{0};
std::atomic<long> releaseCount{0};
}  // namespace

void noteAllocation() {
    if (counting.load(std::memory_order_relaxed)) {
        allocationCount.fetch_add(1, std::memory_order_relaxed);
    }
}

void noteRelease() {
    if (counting.load(std::memory_order_relaxed)) {
        releaseCount.fetch_add(1, std::memory_order_relaxed);
    }
}

Window::Window() {
    allocationCount = 0;
    releaseCount = 0;
    counting = true;
}

Window::~Window() {
    counting = false;
}

long Window::allocations() const {
    return allocationCount.load();
}

long Window::releases() const {
    return releaseCount.load();
}

}  // namespace allocations

// --- C++ allocation functions ----------------------------------------------

namespace {
void* allocateOrNull(std::size_t n, std::size_t alignment) {
    allocations::noteAllocation();
    if (n == 0) {
        n = 1;
    }
    if (alignment <= alignof(std::max_align_t)) {
        return std::malloc(n);
    }
    void* p = nullptr;
    return posix_memalign(&p, alignment, n) == 0 ? p : nullptr;
}

void* allocateOrThrow(std::size_t n, std::size_t alignment) {
    if (void* p = allocateOrNull(n, alignment)) {
        return p;
    }
    throw std::bad_alloc();
}

void release(void* p) {
    if (p != nullptr) {
        allocations::noteRelease();
        std::free(p);
    }
}
}  // namespace

void* operator new(std::size_t n) { return allocateOrThrow(n, 0); }
void* operator new[](std::size_t n) { return allocateOrThrow(n, 0); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocateOrNull(n, 0); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocateOrNull(n, 0); }
void* operator new(std::size_t n, std::align_val_t a) { return allocateOrThrow(n, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return allocateOrThrow(n, static_cast<std::size_t>(a)); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocateOrNull(n, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocateOrNull(n, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

// --- C allocation functions ---------------------------------------------------

#if ALLOCATION_COUNTER_SEES_MALLOC
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t n) {
    allocations::noteAllocation();
    return __libc_malloc(n);
}
void* calloc(std::size_t count, std::size_t n) {
    allocations::noteAllocation();
    return __libc_calloc(count, n);
}
void* realloc(void* p, std::size_t n) {
    allocations::noteAllocation();
    return __libc_realloc(p, n);
}
void* reallocarray(void* p, std::size_t count, std::size_t n) {
    allocations::noteAllocation();
    std::size_t bytes;
    if (__builtin_mul_overflow(count, n, &bytes)) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_realloc(p, bytes);
}
void* memalign(std::size_t alignment, std::size_t n) {
    allocations::noteAllocation();
    return __libc_memalign(alignment, n);
}
void* aligned_alloc(std::size_t alignment, std::size_t n) {
    allocations::noteAllocation();
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t n) {
    allocations::noteAllocation();
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    void* p = __libc_memalign(alignment, n);
    if (p == nullptr) {
        return ENOMEM;
    }
    *out = p;
    return 0;
}
void free(void* p) {
    if (p != nullptr) {
        allocations::noteRelease();
    }
    __libc_free(p);
}
}
#endif
