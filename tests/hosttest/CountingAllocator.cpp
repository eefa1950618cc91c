#include "tests/hosttest/CountingAllocator.h"

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define GLOWMARSH_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define GLOWMARSH_SANITIZED 1
#endif
#endif

namespace {
std::atomic<std::uint64_t> allocations{0};
}

#ifndef GLOWMARSH_SANITIZED
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);

void* malloc(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(block, size);
}

void free(void* block) {
    __libc_free(block);
}
}
#endif

namespace hosttest {

bool allocationsCounted() {
#ifdef GLOWMARSH_SANITIZED
    return false;
#else
    return true;
#endif
}

std::uint64_t allocationCount() {
    return allocations.load(std::memory_order_relaxed);
}

}  // namespace hosttest
