// Chunk blocks are not leaked: each getChunk releases the block before it and
// the instance releases the last one. Counted through the global allocation
// functions, which this binary replaces; LeakSanitizer checks the same in the
// asan build.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "effect/Glowmarsh.h"

namespace {
std::atomic<long> liveBlocks{0};  // allocations not yet released

void* allocate(std::size_t bytes) {
    void* p = std::malloc(bytes == 0 ? 1 : bytes);
    if (p != nullptr) {
        liveBlocks.fetch_add(1, std::memory_order_relaxed);
    }
    return p;
}

// Kept out of line: inlined into a delete expression, the free() would look
// mismatched with the new that made the block.
[[gnu::noinline]] void release(void* p) {
    if (p != nullptr) {
        liveBlocks.fetch_sub(1, std::memory_order_relaxed);
        std::free(p);
    }
}
}  // namespace

void* operator new(std::size_t bytes) {
    if (void* p = allocate(bytes)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t bytes) {
    return ::operator new(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return allocate(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return allocate(bytes);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    release(p);
}

namespace {

long live() {
    return liveBlocks.load(std::memory_order_relaxed);
}

TEST(ChunkLifetime, EachChunkReleasesThePreviousAndTheInstanceTheLast) {
    const long beforeInstance = live();
    auto* effect = new Glowmarsh(nullptr);
    const long withInstance = live();

    void* first = nullptr;
    effect->getChunk(&first, false);
    const long afterFirst = live();
    void* second = nullptr;
    effect->getChunk(&second, false);
    const long afterSecond = live();
    for (int i = 0; i < 100; ++i) {
        void* again = nullptr;
        effect->getChunk(&again, true);
    }
    const long afterMany = live();
    delete effect;
    const long afterClose = live();

    EXPECT_EQ(afterFirst, withInstance + 1) << "a chunk is one block";
    EXPECT_EQ(afterSecond, withInstance + 1) << "the first block leaked";
    EXPECT_EQ(afterMany, withInstance + 1) << "blocks pile up";
    EXPECT_EQ(afterClose, beforeInstance) << "the instance leaked its last block or more";
}

}  // namespace
