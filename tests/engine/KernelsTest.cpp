// The tap plan and the kernels of every SIMD level this CPU has, against the
// exact scalar tap sum and the reference smoothing, on histories and tap sums
// chosen to hit their edges.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine/BlockSetup.h"
#include "engine/Kernels.h"
#include "engine/TapSum.h"
#include "engine/WetMix.h"
#include "tests/engine/Differential.h"
#include "tests/engine/EightLaneKernels.h"

namespace {

using namespace enginetest;
using glowmarsh::SimdLevel;
using glowmarsh::TapPlan;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Every kernel set this CPU runs, and the x86 loops at eight lanes (emulated)
// standing in for AVX-512 where the CPU lacks it.
struct KernelSet {
    std::string name;
    const glowmarsh::Kernels* kernels;
};

std::vector<KernelSet> kernelSets() {
    std::vector<KernelSet> sets;
    for (SimdLevel level : differential::supportedLevels()) {
        sets.push_back({glowmarsh::simdLevelName(level), &glowmarsh::kernelsFor(level)});
    }
    if (!glowmarsh::simdLevelSupported(SimdLevel::avx512) && enginetest::eightLaneKernels() != nullptr) {
        sets.push_back({"eight lanes, emulated", enginetest::eightLaneKernels()});
    }
    return sets;
}

// What a plan holds besides the tap lists themselves.
struct PlanShape {
    int taps, both, left, right;
    double safeMagnitude;
};

void expectPlan(const TapPlan& plan, const PlanShape& shape) {
    EXPECT_EQ(plan.taps, shape.taps);
    EXPECT_EQ(plan.bothCount, shape.both);
    EXPECT_EQ(plan.leftCount, shape.left);
    EXPECT_EQ(plan.rightCount, shape.right);
    EXPECT_EQ(plan.safeMagnitude, shape.safeMagnitude);
}

TEST(TapPlan, GroupsTapsByTheSidesTheyFeed) {
    struct Row {
        const char* what;
        float sustain, grain;
        PlanShape shape;
        int maxOffset;
    };
    const Row rows[] = {
        {"Grain 0: 7 taps, largest gain 31", 1.0f, 0.0f, {7, 3, 2, 2, 0x1p25}, 14587},
        {"defaults: 83 taps, largest gain 449", 1.0f, 0.7f, {83, 42, 21, 20, 0x1p21}, 18641},
        {"Grain 1: 163 taps, largest gain 991", 1.0f, 1.0f, {163, 85, 38, 40, 0x1p20}, 21923},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto state = makeEngine({r.sustain, r.grain, 0.2f});
        const glowmarsh::BlockValues block = glowmarsh::setUpBlock(*state);
        TapPlan plan;
        glowmarsh::buildTapPlan(*state, block.tapCount, plan);
        expectPlan(plan, r.shape);
        EXPECT_EQ(plan.maxOffset, r.maxOffset);
    }
}

TEST(TapPlan, CountsAndGainsOutsideTheUsualRange) {
    struct Row {
        const char* what;
        int count;
        int pokedTap;
        double pokedL, pokedR;
        PlanShape shape;
    };
    const double none = 0.0;  // with tap 0: no gain changed
    const Row rows[] = {
        {"count 0 reads nothing", 0, 0, none, none, {0, 0, 0, 0, 0x1p30}},
        {"a negative count reads nothing", -5, 0, none, none, {0, 0, 0, 0, 0x1p30}},
        {"count 164 is served", 164, 0, none, none, {164, 86, 38, 40, 0x1p20}},
        {"a count above 164 reads nothing", 165, 0, none, none, {0, 0, 0, 0, 0x1p30}},
        {"a tap with two zero gains is left out", 7, 3, 0.0, -0.0, {7, 2, 2, 2, 0x1p25}},
        {"a NaN gain leaves no safe magnitude", 7, 2, kNaN, 1.0, {7, 3, 2, 2, 0.0}},
        {"an infinite gain leaves no safe magnitude", 7, 2, 1.0, -kInf, {7, 3, 2, 2, 0.0}},
        {"a large negative gain counts by its magnitude", 7, 4, -5000.0, 0.0, {7, 3, 2, 2, 0x1p17}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto state = makeEngine();
        if (r.pokedTap != 0) {
            state->tapPanL[r.pokedTap] = r.pokedL;
            state->tapPanR[r.pokedTap] = r.pokedR;
        }
        TapPlan plan;
        glowmarsh::buildTapPlan(*state, r.count, plan);
        expectPlan(plan, r.shape);
    }
}

// A history of moderate values, as a guarded input would leave it.
std::unique_ptr<glowmarsh::EngineState> engineWithHistory(Params p) {
    auto state = makeEngine(p);
    glowmarsh::setUpBlock(*state);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> unit(-1.5, 1.5);
    for (int i = 0; i < glowmarsh::kHistorySize; ++i) {
        state->tapBuffer[i] = unit(random);
    }
    return state;
}

// The exact run sum frame by frame equals the unrolled sum read at each frame.
TEST(TapRun, ExactRunMatchesTheUnrolledSum) {
    auto state = engineWithHistory({1.0f, 1.0f, 0.2f});
    for (int count : {-1, 0, 1, 7, 83, 163, 164, 165}) {
        TapPlan plan;
        glowmarsh::buildTapPlan(*state, count, plan);
        constexpr int kFrames = 9;
        const int lastReadBase = 700;
        std::int32_t sumL[kFrames], sumR[kFrames];
        glowmarsh::sumTapRunExact(plan, state->tapOffset, state->tapBuffer, lastReadBase, kFrames, 0, kFrames, sumL,
                                  sumR);
        for (int j = 0; j < kFrames; ++j) {
            const glowmarsh::TapSums expected =
                glowmarsh::sumTapsUnrolled(*state, lastReadBase + kFrames - 1 - j, count);
            EXPECT_EQ(sumL[j], expected.left) << "count " << count << ", frame " << j;
            EXPECT_EQ(sumR[j], expected.right) << "count " << count << ", frame " << j;
        }
    }
}

// Every run length up to 40 frames (every chunk shape of every vector width),
// with one awkward value placed in turn at each position a tap reads, and
// just past the run, where vector lanes read history no frame needs.
TEST(TapRun, KernelsMatchTheExactSumAroundAwkwardValues) {
    struct Value { const char* what; double x; };
    const Value values[] = {
        {"NaN", kNaN}, {"+inf", kInf}, {"-inf", -kInf},
        {"the safe magnitude itself", 0x1p20}, {"just below it", std::nextafter(0x1p20, 0.0)},
        {"a product past INT_MAX", 3e6}, {"a product past INT_MIN", -3e6}, {"huge", 1e300},
        {"smallest subnormal", 4.9e-324},
    };
    auto state = engineWithHistory({1.0f, 0.7f, 0.2f});
    const int tapCount = 83;
    state->tapOffset[1] = 1;  // reads the frame's own write
    state->tapOffset[83] = glowmarsh::kMaxTapOffset;
    TapPlan plan;
    glowmarsh::buildTapPlan(*state, tapCount, plan);
    const int watched[] = {1, 2, 82, 83};  // right only, both, both, left only
    for (const KernelSet& set : kernelSets()) {
        SCOPED_TRACE(set.name);
        const glowmarsh::Kernels& kernels = *set.kernels;
        for (int frames = 1; frames <= 40; ++frames) {
            for (const int lastReadBase : {-1, 22049 - frames + 1}) {
                for (const Value& v : values) {
                    for (int q = 0; q < frames + 8; ++q) {
                        const int tap = watched[q % 4];
                        double& at = state->tapBuffer[state->tapOffset[tap] + lastReadBase + q];
                        const double kept = at;
                        at = v.x;
                        std::int32_t sumL[40], sumR[40], exactL[40], exactR[40];
                        kernels.sumTapRun(plan, state->tapOffset, state->tapBuffer, lastReadBase, frames, sumL, sumR);
                        glowmarsh::sumTapRunExact(plan, state->tapOffset, state->tapBuffer, lastReadBase, frames, 0,
                                                  frames, exactL, exactR);
                        at = kept;
                        for (int j = 0; j < frames; ++j) {
                            ASSERT_EQ(sumL[j], exactL[j]) << v.what << " read by tap " << tap << " at q " << q
                                                          << "; " << frames << " frames, frame " << j;
                            ASSERT_EQ(sumR[j], exactR[j]) << v.what << " read by tap " << tap << " at q " << q
                                                          << "; " << frames << " frames, frame " << j;
                        }
                    }
                }
            }
        }
    }
}

// Windows from one weight to ten, stretches of many lengths in a row (so the
// history carries over), tap sums with small steps, alternation and changes
// far beyond 2^24; against smoothWet and mixChannel frame by frame.
TEST(SmoothKernels, MatchTheReferenceSmoothing) {
    const float totals[] = {1.0f, 1.5f, 3.7f, 5.5f, 9.99f, 10.0f};
    const std::int32_t lengths[] = {0, 1, 3, 4, 5, 7, 8, 9, 64, 127, 128, 2};
    for (const KernelSet& set : kernelSets()) {
        SCOPED_TRACE(set.name);
        for (const float total : totals) {
            for (const bool allWeights : {false, true}) {
                SCOPED_TRACE(total);
                double weights[glowmarsh::kSmoothTable] = {};
                glowmarsh::fillSmoothingWindow(total, weights);
                glowmarsh::BlockValues block{};
                block.wetNormaliser = 3024.664f;
                block.wetGain = 0.3f;
                block.dryGain = 0.7f;
                double lastSum = 0.0, history[glowmarsh::kSmoothTable] = {};
                double refLast = 0.0, refHistory[glowmarsh::kSmoothTable] = {};
                std::mt19937 random(static_cast<unsigned>(total * 100));
                std::uniform_int_distribution<std::int32_t> small(-5000, 5000);
                std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                                std::numeric_limits<std::int32_t>::max());
                std::uniform_real_distribution<double> unit(-1.0, 1.0);
                int frame = 0;
                for (const std::int32_t frames : lengths) {
                    std::int32_t sums[glowmarsh::kStretchFrames];
                    double dry[glowmarsh::kStretchFrames + glowmarsh::kStretchPad] = {};
                    double mix[glowmarsh::kStretchFrames + glowmarsh::kStretchPad];
                    for (int f = 0; f < frames; ++f, ++frame) {
                        const int kind = (frame / 50) % 3;
                        sums[f] = kind == 0 ? small(random) : kind == 1 ? (frame % 2 ? 1000 : 0) : any(random);
                        dry[f] = unit(random);
                    }
                    const glowmarsh::SmoothJob job{sums, dry, mix, frames, &lastSum, history, weights,
                                                   allWeights ? 10 : glowmarsh::smoothingWeightsInUse(weights),
                                                   block.wetNormaliser, block.wetGain, block.dryGain};
                    set.kernels->smooth(job);
                    for (int f = 0; f < frames; ++f) {
                        const double wet = glowmarsh::smoothWet(sums[f], {refLast, refHistory}, weights,
                                                                block.wetNormaliser);
                        const double expected = glowmarsh::mixChannel(wet, dry[f], block);
                        ASSERT_EQ(bitsOf(mix[f]), bitsOf(expected)) << "stretch of " << frames << ", frame " << f;
                    }
                    ASSERT_EQ(bitsOf(lastSum), bitsOf(refLast));
                    for (int k = 0; k < glowmarsh::kSmoothLength; ++k) {
                        ASSERT_EQ(bitsOf(history[k]), bitsOf(refHistory[k])) << "history " << k;
                    }
                }
            }
        }
    }
}

TEST(SmoothKernels, WeightsInUse) {
    struct Row { const char* what; float total; int poked; double value; int inUse; };
    const Row rows[] = {
        {"Grain 1: one weight", 1.0f, 0, 0.0, 1},
        {"default Grain: three whole weights and 0.7", 3.7f, 0, 0.0, 4},
        {"Grain 0: all ten", 10.0f, 0, 0.0, 10},
        {"9.5: the last holds the half", 9.5f, 0, 0.0, 10},
        {"a -0 weight is not skipped", 3.7f, 6, -0.0, 7},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        double weights[glowmarsh::kSmoothTable] = {};
        glowmarsh::fillSmoothingWindow(r.total, weights);
        if (r.poked != 0) weights[r.poked] = r.value;
        EXPECT_EQ(glowmarsh::smoothingWeightsInUse(weights), r.inUse);
    }
}

}  // namespace
