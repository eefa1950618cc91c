// The processing path never touches the heap: both processing entries, in
// place too, and the parameter entries run blocks of every shape without a
// single allocation or release, from the very first call on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "effect/Glowmarsh.h"
#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Signals.h"
#include "tests/realtime/AllocationCounter.h"

namespace {

// Drives one instance through its record as a host's audio thread would: block
// sizes odd, even, largest and empty, silence in half the right channel (which
// wakes the input guard), parameters automated between blocks.
long allocationsWhileProcessing(AEffect* e) {
    constexpr VstInt32 kMaxFrames = 4096;
    auto f = hosttest::loudNoise<float>(kMaxFrames, 1);
    auto d = hosttest::loudNoise<double>(kMaxFrames, 2);
    std::fill(f.right.begin() + kMaxFrames / 2, f.right.end(), 0.0f);
    std::fill(d.right.begin() + kMaxFrames / 2, d.right.end(), 0.0);
    hosttest::StereoBuffer<float> fOut(kMaxFrames);
    hosttest::StereoBuffer<double> dOut(kMaxFrames);
    float sweep = 0.0f;
    allocations::Window window;
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
    return window.allocations() + window.releases();
}

TEST(NoAllocation, InProcessAndThroughTheLoadedModule) {
    if (!ALLOCATION_COUNTER_SEES_MALLOC) {
        GTEST_SKIP() << "the sanitizer's runtime owns malloc, which this counter cannot see";
    }
    {
        allocations::Window window;
        void* volatile block = std::malloc(8);
        std::free(block);
        ASSERT_EQ(window.allocations() + window.releases(), 2) << "the counter is blind: a 0 below would mean nothing";
    }
    auto inProcess = std::make_unique<Glowmarsh>(nullptr);
    hosttest::HostedEffect loaded;
    EXPECT_EQ(allocationsWhileProcessing(inProcess->getAeffect()), 0) << "in-process";
    EXPECT_EQ(allocationsWhileProcessing(loaded.record()), 0) << "loaded module";
}

}  // namespace
