// The input guard's noise source and its threshold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <thread>

#include "engine/InputGuard.h"
#include "tests/engine/EngineHarness.h"

namespace {

using namespace enginetest;
using glowmarsh::NoiseCounter;

TEST(NoiseSource, ReplacementsFromAGivenCounter) {
    struct Row { const char* what; std::int32_t before, after; double value; };
    const Row rows[] = {
        {"1st replacement", 0, 1, 1.0000000000000001e-16},
        {"2nd replacement", 1, 2, 2.0000000000000002e-16},
        {"3rd replacement", 2, 3, 1.5e-15},
        {"34th gives an exact zero", 33, 34, 0.0},
        {"46341st, first wrapped square, gives zero", 46340, 46341, 0.0},
        {"1700021st, both squares wrap", 1700020, 1700021, 1.3e-15},
        {"1700022nd starts the period again", 1700021, 1, 1.0000000000000001e-16},
    };
    for (const Row& r : rows) {
        NoiseCounter counter{r.before};
        EXPECT_EQ(bitsOf(glowmarsh::nextNoise(counter)), bitsOf(r.value)) << r.what;
        EXPECT_EQ(counter.load(), r.after) << r.what;
    }
}

TEST(NoiseSource, FullPeriodHistogram) {
    std::map<std::int32_t, int> histogram;
    for (std::int32_t counter = 1; counter <= 1700021; ++counter) ++histogram[glowmarsh::noiseInteger(counter)];
    EXPECT_EQ(histogram, (std::map<std::int32_t, int>{{0, 126179}, {1, 225272}, {2, 192396}, {4, 173958}, {8, 152800},
                                                      {9, 215148}, {13, 121060}, {15, 222256}, {16, 270952}}));
}

// Instances on different threads share a counter: no step is lost or repeated.
TEST(NoiseSource, ConcurrentDrawsHandOutEachStepOnce) {
    constexpr int kPerThread = 50000;
    NoiseCounter counter{0};
    std::map<long, int> drawn[2], sequential;
    auto draw = [&](int w) {
        for (int i = 0; i < kPerThread; ++i) ++drawn[w][std::lround(glowmarsh::nextNoise(counter) * 1e16)];
    };
    std::thread other(draw, 1);
    draw(0);
    other.join();
    for (const auto& [value, count] : drawn[1]) drawn[0][value] += count;
    for (int c = 1; c <= 2 * kPerThread; ++c) ++sequential[glowmarsh::noiseInteger(c)];
    EXPECT_EQ(counter.load(), 2 * kPerThread);
    EXPECT_EQ(drawn[0], sequential);
}

TEST(InputGuard, Threshold) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    struct Row { const char* what; double x; bool replaced; };
    const Row rows[] = {
        {"zero", 0.0, true},
        {"negative zero", -0.0, true},
        {"smallest normal float", std::numeric_limits<float>::min(), true},
        {"float nearest 1.2e-38 lies below the bound", 1.2e-38f, true},
        {"the bound itself", 1.2e-38, false},
        {"the negative bound itself", -1.2e-38, false},
        {"the float just above the bound", std::nextafter(1.2e-38f, 1.0f), false},
        {"NaN passes", nan, false},
        {"negative infinity passes", -inf, false},
    };
    for (const Row& r : rows) {
        NoiseCounter counter{0};
        const double expected = r.replaced ? 1.0000000000000001e-16 : r.x;
        EXPECT_EQ(bitsOf(glowmarsh::guardInput(r.x, counter)), bitsOf(expected)) << r.what;
        EXPECT_EQ(counter.load(), r.replaced ? 1 : 0) << r.what;
    }
}

// All instances share the four counters; each side and each precision has
// its own. Each frame writes its left and right replacement, added, to the history.
TEST(InputGuard, InstancesShareCountersPerSideAndPrecision) {
    glowmarsh::floatCallNoise().left = 0;
    glowmarsh::floatCallNoise().right = 0;
    const std::int32_t doubleLeft = glowmarsh::doubleCallNoise().left.load();
    const double first = 1.0000000000000001e-16, second = 2.0000000000000002e-16, third = 1.5e-15;
    auto a = makeEngine(), b = makeEngine();
    EXPECT_EQ(bitsOf(processFrame(*a, 0.0f, 0.0f)), bitsOf(first + first));
    EXPECT_EQ(bitsOf(processFrame(*b, 0.0f, 0.5f)), bitsOf(second + 0.5)) << "b continues a's left sequence";
    EXPECT_EQ(bitsOf(processFrame(*a, 0.0f, 0.0f)), bitsOf(third + second));
    EXPECT_EQ(glowmarsh::doubleCallNoise().left.load(), doubleLeft) << "the 64-bit call's counters moved";
}

}  // namespace
