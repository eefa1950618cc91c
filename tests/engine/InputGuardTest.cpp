// The input guard's noise source and its threshold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <thread>
#include <vector>

#include "engine/InputGuard.h"
#include "tests/engine/EngineHarness.h"

namespace {

using glowmarsh::NoiseCounter;
using enginetest::bitsOf;

TEST(NoiseSource, ReplacementsFromAGivenCounter) {
    struct Row { const char* what; std::int32_t before; std::int32_t after; double value; };
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
        SCOPED_TRACE(r.what);
        NoiseCounter counter{r.before};
        EXPECT_EQ(bitsOf(glowmarsh::nextNoise(counter)), bitsOf(r.value));
        EXPECT_EQ(counter.load(), r.after);
    }
}

TEST(NoiseSource, FirstTwelveIntegers) {
    const std::int32_t expected[] = {1, 2, 15, 16, 8, 4, 16, 13, 2, 9, 15, 15};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(glowmarsh::noiseInteger(i + 1), expected[i]) << "replacement " << i + 1;
    }
}

TEST(NoiseSource, FullPeriodHistogram) {
    std::map<std::int32_t, int> histogram;
    for (std::int32_t counter = 1; counter <= 1700021; ++counter) {
        ++histogram[glowmarsh::noiseInteger(counter)];
    }
    const std::map<std::int32_t, int> expected = {{0, 126179}, {1, 225272}, {2, 192396}, {4, 173958}, {8, 152800},
                                                  {9, 215148}, {13, 121060}, {15, 222256}, {16, 270952}};
    EXPECT_EQ(histogram, expected);
}

// Instances on different threads share a counter: every value of the sequence
// is handed out exactly once, whoever gets it.
TEST(NoiseSource, ConcurrentDrawsHandOutEachStepOnce) {
    constexpr int kPerThread = 50000;
    NoiseCounter counter{0};
    std::vector<int> seen[2];
    std::thread workers[2];
    for (int w = 0; w < 2; ++w) {
        workers[w] = std::thread([&, w] {
            for (int i = 0; i < kPerThread; ++i) {
                seen[w].push_back(static_cast<int>(std::lround(glowmarsh::nextNoise(counter) * 1e16)));
            }
        });
    }
    for (auto& w : workers) {
        w.join();
    }
    EXPECT_EQ(counter.load(), 2 * kPerThread);
    std::map<int, int> drawn;
    std::map<int, int> sequential;
    for (const auto& s : seen) {
        for (int v : s) {
            ++drawn[v];
        }
    }
    for (int c = 1; c <= 2 * kPerThread; ++c) {
        ++sequential[glowmarsh::noiseInteger(c)];
    }
    EXPECT_EQ(drawn, sequential);
}

TEST(InputGuard, Threshold) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double floatNearBound = 1.2e-38f;
    const double floatAboveBound = std::nextafter(1.2e-38f, 1.0f);
    struct Row { const char* what; double x; bool replaced; };
    const Row rows[] = {
        {"zero", 0.0, true},
        {"negative zero", -0.0, true},
        {"1e-38", 1.0e-38, true},
        {"smallest normal float", std::numeric_limits<float>::min(), true},
        {"float nearest 1.2e-38 lies below the bound", floatNearBound, true},
        {"negative subnormal", -1e-300, true},
        {"the bound itself", 1.2e-38, false},
        {"the negative bound itself", -1.2e-38, false},
        {"the float just above the bound", floatAboveBound, false},
        {"ordinary sample", -0.25, false},
        {"NaN passes", nan, false},
        {"infinity passes", inf, false},
        {"negative infinity passes", -inf, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        NoiseCounter counter{0};
        const double guarded = glowmarsh::guardInput(r.x, counter);
        if (r.replaced) {
            EXPECT_EQ(bitsOf(guarded), bitsOf(1.0000000000000001e-16));
            EXPECT_EQ(counter.load(), 1);
        } else {
            EXPECT_EQ(bitsOf(guarded), bitsOf(r.x));
            EXPECT_EQ(counter.load(), 0);
        }
    }
}

// One frame through the 32-bit call; answers what it wrote to the history.
double firstHistoryValue(glowmarsh::EngineState& state, float left, float right) {
    float in[2] = {left, right};
    float out[2];
    float* inputs[] = {in, in + 1};
    float* outputs[] = {out, out + 1};
    glowmarsh::processBlock(state, inputs, outputs, 1);
    return state.tapBuffer[state.writeIndex + 1];
}

// All instances share the four counters; each side and each precision has its own.
TEST(InputGuard, InstancesShareCountersPerSideAndPrecision) {
    glowmarsh::NoiseCounters& floatNoise = glowmarsh::floatCallNoise();
    const std::int32_t left = floatNoise.left.load();
    const std::int32_t right = floatNoise.right.load();
    const std::int32_t doubleLeft = glowmarsh::doubleCallNoise().left.load();
    auto a = enginetest::makeEngine();
    auto b = enginetest::makeEngine();
    auto noise = [](std::int32_t counter) { return glowmarsh::noiseInteger(counter) * 1e-08 * 1e-08; };

    EXPECT_EQ(bitsOf(firstHistoryValue(*a, 0.0f, 0.0f)), bitsOf(noise(left + 1) + noise(right + 1)));
    EXPECT_EQ(bitsOf(firstHistoryValue(*b, 0.0f, 0.5f)), bitsOf(noise(left + 2) + 0.5)) << "b continues a's left sequence";
    EXPECT_EQ(bitsOf(firstHistoryValue(*a, 0.0f, 0.0f)), bitsOf(noise(left + 3) + noise(right + 2)));
    EXPECT_EQ(glowmarsh::doubleCallNoise().left.load(), doubleLeft) << "the 64-bit call's counters moved";
}

}  // namespace
