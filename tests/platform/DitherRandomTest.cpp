// The dither's generator: glibc's rand() sequence (its first draws after seed
// 1 are checked where it is defined), one sequence for draws from several
// threads at once. On Linux the draws are the C library's own, so the same
// test holds our generator to glibc's sequence after a seed glibc reads as a
// negative word.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "engine/DitherRandom.h"

namespace {

// Instances on several threads draw from one sequence, each value once.
TEST(DitherRandom, ConcurrentDrawsShareOneSequence) {
    constexpr int kThreads = 4, kDraws = 250000;
    constexpr unsigned kSeed = 4294967295u;
    glowmarsh::seedDitherRandom(kSeed);
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
    glowmarsh::GlibcRandom generator(kSeed);
    std::generate(want.begin(), want.end(), [&] { return generator.next(); });
    std::sort(drawn.begin(), drawn.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(drawn, want);
}

}  // namespace
