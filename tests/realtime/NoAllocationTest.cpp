// The processing path never touches the heap: both processing entries and
// the parameter entries run for many blocks of every shape without a single
// allocation or release, from the very first call on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "effect/Glowmarsh.h"
#include "tests/realtime/AllocationCounter.h"
#include "tests/support/RecordingHost.h"
#include "tools/vsthost/PluginLibrary.h"

namespace {

// Block sizes a host may use, odd ones and the largest included.
const std::vector<VstInt32> kBlockSizes = {1, 2, 7, 64, 100, 511, 512, 4096, 0};
constexpr VstInt32 kMaxFrames = 4096;

template <typename Sample>
struct Buffers {
    Buffers() : inL(kMaxFrames), inR(kMaxFrames), outL(kMaxFrames), outR(kMaxFrames) {
        for (VstInt32 i = 0; i < kMaxFrames; ++i) {
            inL[i] = static_cast<Sample>((i % 97) / 97.0 - 0.5);
            inR[i] = static_cast<Sample>((i % 89) / 89.0 - 0.5);
        }
        // Silence in part of the input wakes the input guard.
        std::fill(inR.begin() + kMaxFrames / 2, inR.end(), Sample(0));
    }
    std::vector<Sample> inL, inR, outL, outR;
    Sample* in[2] = {inL.data(), inR.data()};
    Sample* out[2] = {outL.data(), outR.data()};
};

// Drives one instance through its record as a host's audio thread would,
// including in-place processing and parameter automation between blocks.
void runHostLoop(AEffect* e, int rounds) {
    static Buffers<float> f;
    static Buffers<double> d;
    float sweep = 0.0f;
    for (int round = 0; round < rounds; ++round) {
        for (VstInt32 frames : kBlockSizes) {
            for (VstInt32 p = 0; p < 3; ++p) {
                e->setParameter(e, p, sweep);
                sweep = sweep >= 1.0f ? 0.0f : sweep + 0.0625f;
                (void)e->getParameter(e, p);
            }
            (void)e->getParameter(e, 3);
            e->processReplacing(e, f.in, f.out, frames);
            e->processDoubleReplacing(e, d.in, d.out, frames);
            e->processReplacing(e, f.out, f.out, frames);
            e->processDoubleReplacing(e, d.out, d.out, frames);
            e->process(e, f.in, f.out, frames);
        }
    }
}

TEST(NoAllocation, InProcessGlowmarshFromTheFirstBlockOn) {
    testhost::RecordingHost::reset();
    auto effect = std::make_unique<Glowmarsh>(testhost::RecordingHost::callback);
    runHostLoop(effect->getAeffect(), 0);  // sets up the test's own buffers
    long allocated = 0;
    long released = 0;
    {
        allocations::Window window;
        runHostLoop(effect->getAeffect(), 20);
        allocated = window.allocations();
        released = window.releases();
    }
    EXPECT_EQ(allocated, 0);
    EXPECT_EQ(released, 0);
}

TEST(NoAllocation, LoadedModuleFromTheFirstBlockOn) {
    if (!ALLOCATION_COUNTER_SEES_MALLOC) {
        GTEST_SKIP() << "the module allocates through the sanitizer's runtime, which this counter does not see";
    }
    std::string error;
    auto library = vsthost::PluginLibrary::open(GLOWMARSH_PLUGIN_PATH, error);
    ASSERT_TRUE(library) << error;
    testhost::RecordingHost::reset();
    AEffect* e = library->create(testhost::RecordingHost::callback);
    ASSERT_NE(e, nullptr);
    runHostLoop(e, 0);
    long allocated = 0;
    long released = 0;
    {
        allocations::Window window;
        runHostLoop(e, 20);
        allocated = window.allocations();
        released = window.releases();
    }
    EXPECT_EQ(allocated, 0);
    EXPECT_EQ(released, 0);
    e->dispatcher(e, 1, 0, 0, nullptr, 0.0f);
}

// The counter itself: each way of reaching the heap is seen, so a zero above
// means no allocation rather than a blind counter.
void* volatile sink;

TEST(NoAllocation, CounterSeesEveryWayToTheHeap) {
    struct Row {
        const char* what;
        std::function<void()> allocate;
        bool needsMalloc;
    };
    const Row rows[] = {
        {"operator new", [] { sink = new int(1); delete static_cast<int*>(sink); }, false},
        {"operator new[]", [] { sink = new char[100]; delete[] static_cast<char*>(sink); }, false},
        {"aligned operator new", [] {
             struct alignas(64) Wide { char c[64]; };
             sink = new Wide; delete static_cast<Wide*>(sink);
         }, false},
        {"a growing std::vector", [] { std::vector<int> v; for (int i = 0; i < 100; ++i) v.push_back(i); sink = v.data(); }, false},
        {"a long std::string", [] { std::string s(100, 'x'); sink = s.data(); }, false},
        {"malloc", [] { sink = std::malloc(16); std::free(sink); }, true},
        {"calloc", [] { sink = std::calloc(4, 16); std::free(sink); }, true},
        {"realloc", [] { sink = std::realloc(nullptr, 16); std::free(sink); }, true},
        {"aligned_alloc", [] { sink = std::aligned_alloc(64, 64); std::free(sink); }, true},
    };
    for (const Row& row : rows) {
        if (row.needsMalloc && !ALLOCATION_COUNTER_SEES_MALLOC) {
            continue;
        }
        long allocated = 0;
        long released = 0;
        {
            allocations::Window window;
            row.allocate();
            allocated = window.allocations();
            released = window.releases();
        }
        EXPECT_GT(allocated, 0) << row.what;
        EXPECT_GT(released, 0) << row.what;
    }
}

}  // namespace
