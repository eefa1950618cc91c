// Processing and parameter access run on the audio thread and must never
// allocate; only the chunk a host asks for may.
#include <gtest/gtest.h>

#include "tests/hosttest/CountingAllocator.h"
#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Render.h"
#include "tests/hosttest/Signals.h"

namespace {

using hosttest::HostedEffect;

TEST(Allocation, ProcessingAndParameterAccessNeverAllocate) {
    if (!hosttest::allocationsCounted()) {
        GTEST_SKIP() << "sanitizers replace the allocator";
    }
    HostedEffect effect;
    auto single = hosttest::loudNoise<float>(16384, 61);
    hosttest::StereoBuffer<float> singleOut(16384);
    auto twice = hosttest::loudNoise<double>(16384, 62);
    hosttest::StereoBuffer<double> twiceOut(16384);
    float** in = single.at(0);
    float** out = singleOut.at(0);
    double** twiceInPtr = twice.at(0);
    double** twiceOutPtr = twiceOut.at(0);

    const std::uint64_t before = hosttest::allocationCount();
    for (int frames : {0, 1, 17, 64, 512, 1024, 4096, 16384}) {
        effect.setParameter(frames % 3, 0.25f);
        effect.parameter(frames % 3);
        effect.process(in, out, frames);
        effect.process(twiceInPtr, twiceOutPtr, frames);
    }
    EXPECT_EQ(hosttest::allocationCount() - before, 0u);
}

TEST(Allocation, TheCounterSeesThePluginsOwnAllocations) {
    if (!hosttest::allocationsCounted()) {
        GTEST_SKIP() << "sanitizers replace the allocator";
    }
    HostedEffect effect;
    const std::uint64_t before = hosttest::allocationCount();
    void* data = nullptr;
    effect.dispatch(23, 0, 0, &data);  // getChunk hands out a new block
    EXPECT_GT(hosttest::allocationCount() - before, 0u);
}

}  // namespace
