// The tap sums and the kernels of every SIMD level this CPU has, against the
// exact scalar forms, on histories and tap sums chosen to hit their edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>

#include "engine/BlockSetup.h"
#include "engine/Kernels.h"
#include "engine/WetMix.h"
#include "tests/engine/EightLaneKernels.h"
#include "tests/engine/EngineHarness.h"

namespace {

using namespace enginetest;
using glowmarsh::kernelsFor, glowmarsh::simdLevelName;

// Every kernel set this CPU runs, and the x86 loops at eight lanes (emulated)
// standing in for AVX-512 where the CPU lacks it.
std::vector<std::pair<std::string, const glowmarsh::Kernels*>> kernelSets() {
    std::vector<std::pair<std::string, const glowmarsh::Kernels*>> sets;
    for (glowmarsh::SimdLevel level : supportedLevels()) sets.emplace_back(simdLevelName(level), &kernelsFor(level));
    if (eightLaneKernels() != nullptr) sets.emplace_back("eight lanes, emulated", eightLaneKernels());
    return sets;
}

// An engine whose whole history holds moderate values, as guarded input leaves it.
std::unique_ptr<glowmarsh::EngineState> engineWithHistory(Params p) {
    auto state = makeEngine(p);
    glowmarsh::setUpBlock(*state);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> unit(-1.5, 1.5);
    for (double& x : state->tapBuffer) x = unit(random);
    return state;
}

// Every run length up to 40 frames (every chunk shape of every vector width),
// with one awkward value placed in turn at each position a tap reads, and
// just past the run, where vector lanes read history no frame needs.
TEST(TapRun, KernelsMatchTheExactSumAroundAwkwardValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {std::numeric_limits<double>::quiet_NaN(), inf, -inf,
                             0x1p20, std::nextafter(0x1p20, 0.0),  // the plan's safe magnitude and just below
                             3e6, -3e6, 1e300, 4.9e-324};          // products past INT_MAX and INT_MIN, huge, subnormal
    auto state = engineWithHistory({1.0f, 0.7f, 0.2f});
    state->tapOffset[1] = 1;  // reads the frame's own write
    state->tapOffset[83] = glowmarsh::kMaxTapOffset;
    glowmarsh::TapPlan plan;
    glowmarsh::buildTapPlan(*state, 83, plan);
    const int watched[] = {1, 2, 82, 83};  // right only, both, both, left only
    for (const auto& [name, kernels] : kernelSets()) {
        for (int frames = 1; frames <= 40; ++frames) {
            for (const int lastReadBase : {-1, 22050 - frames}) {
                for (int v = 0; v < 9; ++v) {
                    for (int q = 0; q < frames + 8; ++q) {
                        const int tap = watched[q % 4];
                        double& at = state->tapBuffer[state->tapOffset[tap] + lastReadBase + q];
                        const double kept = std::exchange(at, values[v]);
                        std::int32_t sums[2][40], exact[2][40];
                        kernels->sumTapRun(plan, state->tapOffset, state->tapBuffer, lastReadBase, frames, sums[0],
                                           sums[1]);
                        glowmarsh::sumTapRunExact(plan, state->tapOffset, state->tapBuffer, lastReadBase, frames, 0,
                                                  frames, exact[0], exact[1]);
                        at = kept;
                        ASSERT_TRUE(std::equal(sums[0], sums[0] + frames, exact[0]) &&
                                    std::equal(sums[1], sums[1] + frames, exact[1]))
                            << name << ": " << values[v] << " read by tap " << tap << " at q " << q << "; " << frames;
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
    const glowmarsh::BlockValues block = glowmarsh::deriveBlockValues(1.0f, 0.7f, 0.3f);  // Dry/Wet 0.3
    std::mt19937 random(3);
    std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max());
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (const auto& [name, kernels] : kernelSets()) {
        for (const float total : {1.0f, 1.5f, 3.7f, 5.5f, 9.99f, 10.0f}) {
            double weights[glowmarsh::kSmoothTable] = {}, lastSum = 0.0, history[glowmarsh::kSmoothTable] = {};
            double refLast = 0.0, refHistory[glowmarsh::kSmoothTable] = {};
            glowmarsh::fillSmoothingWindow(total, weights);
            int frame = 0;
            for (const std::int32_t frames : {0, 1, 3, 4, 5, 7, 8, 9, 64, 127, 128, 2}) {
                std::int32_t sums[glowmarsh::kStretchFrames];
                double dry[glowmarsh::kStretchFrames + glowmarsh::kStretchPad] = {}, mix[std::size(dry)];
                for (int f = 0; f < frames; ++f, ++frame) {
                    const int kind = (frame / 50) % 3;
                    sums[f] = kind == 0 ? any(random) % 5000 : kind == 1 ? (frame % 2 ? 1000 : 0) : any(random);
                    dry[f] = unit(random);
                }
                kernels->smooth({sums, dry, mix, frames, &lastSum, history, weights,
                                 glowmarsh::smoothingWeightsInUse(weights), block.wetNormaliser, block.wetGain,
                                 block.dryGain});
                for (int f = 0; f < frames; ++f) {
                    const double wet =
                        glowmarsh::smoothWet(sums[f], {refLast, refHistory}, weights, block.wetNormaliser);
                    ASSERT_EQ(bitsOf(mix[f]), bitsOf(glowmarsh::mixChannel(wet, dry[f], block)))
                        << name << ", window " << total << ", stretch of " << frames << ", frame " << f;
                }
                ASSERT_TRUE(bitsOf(lastSum) == bitsOf(refLast) && !std::memcmp(history, refHistory, sizeof history))
                    << name << ", window " << total << ": memory carried over";
            }
        }
    }
}

}  // namespace
