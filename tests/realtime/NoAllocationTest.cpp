// The processing path never touches the heap: both processing entries and
// the parameter entries run for many blocks of every shape without a single
// allocation or release, from the very first call on.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "effect/Glowmarsh.h"
#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Signals.h"
#include "tests/realtime/AllocationCounter.h"

namespace {

// Drives one instance through its record as a host's audio thread would: block
// sizes odd, even, largest and empty, in place too, silence in part of the
// input (which wakes the input guard), parameters automated between blocks.
// Answers the allocations and releases counted.
long allocationsWhileProcessing(AEffect* e) {
    constexpr VstInt32 kMaxFrames = 4096;
    auto f = hosttest::loudNoise<float>(kMaxFrames, 1);
    auto d = hosttest::loudNoise<double>(kMaxFrames, 2);
    std::fill(f.right.begin() + kMaxFrames / 2, f.right.end(), 0.0f);
    std::fill(d.right.begin() + kMaxFrames / 2, d.right.end(), 0.0);
    float** fIn = f.at(0);
    double** dIn = d.at(0);
    auto fOut = hosttest::StereoBuffer<float>(kMaxFrames);
    auto dOut = hosttest::StereoBuffer<double>(kMaxFrames);
    float sweep = 0.0f;
    allocations::Window window;
    for (int round = 0; round < 20; ++round) {
        for (VstInt32 frames : {1, 2, 7, 64, 100, 511, 512, 4096, 0}) {
            for (VstInt32 p = 0; p < 3; ++p) {
                e->setParameter(e, p, sweep);
                sweep = sweep >= 1.0f ? 0.0f : sweep + 0.0625f;
                (void)e->getParameter(e, p);
            }
            (void)e->getParameter(e, 3);
            e->processReplacing(e, fIn, fOut.at(0), frames);
            e->processDoubleReplacing(e, dIn, dOut.at(0), frames);
            e->processReplacing(e, fOut.at(0), fOut.at(0), frames);
            e->processDoubleReplacing(e, dOut.at(0), dOut.at(0), frames);
            e->process(e, fIn, fOut.at(0), frames);
        }
    }
    return window.allocations() + window.releases();
}

TEST(NoAllocation, InProcessGlowmarshFromTheFirstBlockOn) {
    auto effect = std::make_unique<Glowmarsh>(nullptr);
    EXPECT_EQ(allocationsWhileProcessing(effect->getAeffect()), 0);
    allocations::Window window;
    int* volatile held = new int(1);
    delete held;
    EXPECT_GE(window.allocations() + window.releases(), 2) << "the counter is blind";
}

TEST(NoAllocation, LoadedModuleFromTheFirstBlockOn) {
    if (!ALLOCATION_COUNTER_SEES_MALLOC) {
        GTEST_SKIP() << "the module allocates through the sanitizer's runtime, which this counter does not see";
    }
    hosttest::HostedEffect effect;
    EXPECT_EQ(allocationsWhileProcessing(effect.record()), 0);
}

}  // namespace
