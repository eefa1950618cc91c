// The dither's generator: glibc's rand() sequence after srand (its first
// draws are checked where it is defined), and one sequence for draws from
// several threads at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "engine/DitherRandom.h"

namespace {

#if defined(__GLIBC__)
// Seeds 0 and 1 give one sequence; seeds from 2^31 up are negative words.
TEST(DitherRandom, FollowsTheCLibraryAfterAnySeed) {
    for (const unsigned seed : {1u, 0u, 2u, 20261206u, 2147483647u, 2147483648u, 4294967295u}) {
        glowmarsh::GlibcRandom generator(seed);
        std::srand(seed);
        for (int i = 0; i < 10000; ++i) ASSERT_EQ(generator.next(), std::rand()) << "seed " << seed << ", draw " << i;
    }
}
#endif

// Instances on several threads draw from one sequence, each value once.
TEST(DitherRandom, ConcurrentDrawsShareOneSequence) {
    constexpr int kThreads = 4, kDraws = 250000;
    glowmarsh::seedDitherRandom(1);
    std::vector<std::int32_t> drawn(kThreads * kDraws), want(kThreads * kDraws);
    std::atomic<int> waiting = kThreads;  // all start drawing together
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (--waiting; waiting > 0;) {}
            for (int i = 0; i < kDraws; ++i) drawn[t * kDraws + i] = glowmarsh::ditherRandom();
        });
    }
    for (std::thread& thread : threads) thread.join();
    glowmarsh::GlibcRandom generator;
    std::generate(want.begin(), want.end(), [&] { return generator.next(); });
    std::sort(drawn.begin(), drawn.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(drawn, want);
}

}  // namespace
