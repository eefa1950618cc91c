// The processing path never touches the heap: both processing entries, in
// place too, and the parameter entries run blocks of every shape without a
// single allocation or release, from the very first call on, in-process and
// through the loaded module.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>

#include "effect/Glowmarsh.h"
#include "tests/support/Hosted.h"

// Counts malloc's family while `counting` is set: libstdc++'s operator new and
// delete (aligned ones through aligned_alloc) end in these, in this binary and
// in a loaded module alike. The sanitizers' runtimes own malloc, so the
// presets asan and tsan leave this test out.
namespace {
std::atomic<bool> counting{false};
std::atomic<long> calls{0};
}  // namespace

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
static void note() {
    if (counting.load(std::memory_order_relaxed)) calls.fetch_add(1, std::memory_order_relaxed);
}
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
void* malloc(std::size_t n) { return note(), __libc_malloc(n); }
void* calloc(std::size_t count, std::size_t n) { return note(), __libc_calloc(count, n); }
void* realloc(void* p, std::size_t n) { return note(), __libc_realloc(p, n); }
void* aligned_alloc(std::size_t alignment, std::size_t n) { return note(), __libc_memalign(alignment, n); }
void free(void* p) {
    if (p != nullptr) note();
    __libc_free(p);
}
}
#endif

namespace {

// Calls of malloc's family while `during` runs.
template <typename During>
long heapCallsDuring(During during) {
    calls = 0;
    counting = true;
    during();
    counting = false;
    return calls.load();
}

// Drives one instance through its record as a host's audio thread would: block
// sizes odd, even, largest and empty, silence in half the right channel (which
// wakes the input guard), parameters automated between blocks.
long allocationsWhileProcessing(AEffect* e) {
    constexpr VstInt32 kMaxFrames = 4096;
    auto f = hosted::noise<float>(kMaxFrames, 1), fOut = f;
    auto d = hosted::noise<double>(kMaxFrames, 2), dOut = d;
    std::fill(f.right.begin() + kMaxFrames / 2, f.right.end(), 0.0f);
    std::fill(d.right.begin() + kMaxFrames / 2, d.right.end(), 0.0);
    float sweep = 0.0f;
    return heapCallsDuring([&] {
    for (int round = 0; round < 5; ++round) {
        for (VstInt32 frames : {1, 2, 7, 64, 100, 511, 512, 4096, 0}) {
            for (VstInt32 p = 0; p < 4; ++p) {
                e->setParameter(e, p, sweep);
                sweep = sweep >= 1.0f ? 0.0f : sweep + 0.0625f;
                (void)e->getParameter(e, p);
            }
            e->processReplacing(e, f.at(0), fOut.at(0), frames);
            e->processDoubleReplacing(e, d.at(0), dOut.at(0), frames);
            e->processReplacing(e, fOut.at(0), fOut.at(0), frames);
            e->processDoubleReplacing(e, dOut.at(0), dOut.at(0), frames);
            e->process(e, f.at(0), fOut.at(0), frames);
        }
    }
    });
}

TEST(NoAllocation, InProcessAndThroughTheLoadedModule) {
    const long seen = heapCallsDuring([] {
        void* volatile block = std::malloc(8);
        std::free(block);
    });
    ASSERT_EQ(seen, 2) << "the counter is blind: a 0 below would mean nothing";
    auto inProcess = std::make_unique<Glowmarsh>(nullptr);
    auto loaded = hosted::create();
    EXPECT_EQ(allocationsWhileProcessing(inProcess->getAeffect()), 0) << "in-process";
    EXPECT_EQ(allocationsWhileProcessing(loaded->record()), 0) << "loaded module";
}

}  // namespace
