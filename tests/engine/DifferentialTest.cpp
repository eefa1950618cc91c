// The production engine, at every SIMD level this CPU has, against the
// reference engine on the same input, the same dither draws and the same
// guard counters: same output bits and same engine state, for many parameter
// sets, block-size sequences, signals and routings. The reference always
// writes separate buffers, so in-place routings are held against them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <tuple>

#include "engine/DitherRandom.h"
#include "engine/InputGuard.h"
#include "engine/ReferenceEngine.h"
#include "tests/engine/EngineHarness.h"

namespace {

using namespace enginetest;

// One processing call: its frame count and the parameters set before it.
struct Block {
    std::int32_t frames;
    Params params;
};

enum class Routing { separate, inPlace, crosswise };

glowmarsh::NoiseCounter* const kGuardCounters[] = {&glowmarsh::floatCallNoise().left, &glowmarsh::floatCallNoise().right,
                                                   &glowmarsh::doubleCallNoise().left, &glowmarsh::doubleCallNoise().right};

// One engine's pass over a block sequence: what it wrote and what it left.
template <typename Sample>
struct Pass {
    std::unique_ptr<glowmarsh::EngineState> state = makeEngine();
    std::vector<Sample> left, right;
    std::array<std::int32_t, 4> counters{};
};

// The blocks through the reference (no level) or one level. Every pass starts
// from the same dither seed and guard counters, a few thousand draws before
// the noise period ends. The history that is never written holds a value any
// read of it would make loud.
template <typename Sample>
Pass<Sample> runEngine(const std::vector<Sample>& inL, const std::vector<Sample>& inR, const std::vector<Block>& blocks,
                      Routing routing, unsigned seed, std::optional<glowmarsh::SimdLevel> level) {
    Pass<Sample> run{.left = inL, .right = inR};  // in place, the buffers hold the input until processed
    std::fill(run.state->tapBuffer + glowmarsh::kWrittenHistory, std::end(run.state->tapBuffer), 1e9);
    for (glowmarsh::NoiseCounter* counter : kGuardCounters) counter->store(1695000 + static_cast<std::int32_t>(seed));
    glowmarsh::seedDitherRandom(seed);
    for (std::size_t b = 0, start = 0; b < blocks.size(); ++b) {
        run.state->sustain = blocks[b].params.sustain;
        run.state->grain = blocks[b].params.grain;
        run.state->dryWet = blocks[b].params.dryWet;
        const std::size_t frames = static_cast<std::size_t>(std::max(blocks[b].frames, 0));
        std::vector<Sample> sepL(inL.begin() + start, inL.begin() + start + frames);
        std::vector<Sample> sepR(inR.begin() + start, inR.begin() + start + frames);
        Sample* laneL = run.left.data() + start;
        Sample* laneR = run.right.data() + start;
        const bool separate = routing == Routing::separate, crossed = routing == Routing::crosswise;
        Sample* inputs[] = {separate ? sepL.data() : laneL, separate ? sepR.data() : laneR};
        Sample* outputs[] = {crossed ? laneR : laneL, crossed ? laneL : laneR};
        if (level) {
            glowmarsh::processBlock(*run.state, inputs, outputs, blocks[b].frames, *level);
        } else {
            glowmarsh::processBlockReference(*run.state, inputs, outputs, blocks[b].frames);
        }
        if (crossed) std::swap_ranges(laneL, laneL + frames, laneR);
        start += frames;
    }
    for (int i = 0; i < 4; ++i) run.counters[i] = kGuardCounters[i]->load();
    return run;
}

// The first difference between two passes, or empty. In the history any NaN
// equals any NaN: the sum of a NaN left and a NaN right input keeps either
// one's payload, as the compiler orders the addition, and every tap reads any
// NaN as 0.
template <typename Sample>
std::string difference(const Pass<Sample>& want, const Pass<Sample>& got) {
    for (std::size_t i = 0; i < want.left.size(); ++i) {
        if (bitsOf(want.left[i]) != bitsOf(got.left[i]) || bitsOf(want.right[i]) != bitsOf(got.right[i])) {
            return "output at frame " + std::to_string(i);
        }
    }
    const glowmarsh::EngineState &a = *want.state, &b = *got.state;
    auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    if (std::memcmp(&a.ditherShapeL, &b.ditherShapeL, kLongDoubleValueBytes) ||
        std::memcmp(&a.ditherShapeR, &b.ditherShapeR, kLongDoubleValueBytes) || want.counters != got.counters ||
        std::tie(a.writeIndex, a.scanTap, a.scanDirection, a.scanCounter, a.lastSumL, a.lastSumR) !=
            std::tie(b.writeIndex, b.scanTap, b.scanDirection, b.scanCounter, b.lastSumL, b.lastSumR) ||
        !same(a.wetHistoryL, b.wetHistoryL) || !same(a.wetHistoryR, b.wetHistoryR) ||
        !same(a.smoothCoeff, b.smoothCoeff) || !same(a.tapOffset, b.tapOffset)) {
        return "dither memory, guard counters, scan state, smoothing memory, weights or offsets";
    }
    for (int i = 0; i < glowmarsh::kHistorySize; ++i) {
        if (!same(a.tapBuffer[i], b.tapBuffer[i]) && !(std::isnan(a.tapBuffer[i]) && std::isnan(b.tapBuffer[i]))) {
            return "tapBuffer[" + std::to_string(i) + "]";
        }
    }
    return {};
}

enum class Signal { music, noise, impulses, silence, nearZero, fullScale, hot, nonFinite, grid, mixed };

// One channel's sample i of the signal.
double sampleOf(Signal s, std::mt19937& random, int i) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const double nearZero[] = {0.0, -0.0, 1e-38, -1e-38, 1.2e-38, -1.2e-38, 1.1754943508222875e-38, 1.2000001e-38,
                               4.9e-324, 1e-300, 1e-20, 3e-9};
    const double hot[] = {3e6, -3e6, 1e10, -1e10, 2.2e6, 1e300, 0.5};  // far above full scale
    const double nonFinite[] = {nan, inf, -inf, -nan};                 // sprinkled in quiet noise
    // Pairs of these put 4 and the double just below it into the history:
    // every weighted tap value then lies on, or one rounding below, a whole
    // number, so a gain one unit in the last place off changes a tap sum.
    const double grid[] = {2.0, 2.0 - 0x1p-51, -2.0, -(2.0 - 0x1p-51)};
    const int p = std::uniform_int_distribution<int>(0, 999)(random);
    switch (s) {
        case Signal::music: return 0.4 * std::sin(0.031 * i) + 0.05 * unit(random);
        case Signal::noise: return unit(random);
        case Signal::impulses: return p < 3 ? (p < 1 ? 1.0 : -0.75) : 0.0;
        case Signal::silence: return 0.0;
        case Signal::nearZero: return nearZero[p % 12];
        case Signal::fullScale: return p < 500 ? 1.0 : -1.0;
        case Signal::hot: return hot[p % 7];
        case Signal::nonFinite: return p < 4 ? nonFinite[p] : 0.3 * unit(random);
        case Signal::grid: return grid[p % 4];
        case Signal::mixed: return sampleOf(static_cast<Signal>((i / 3001) % 9), random, i);
    }
    return 0.0;
}

struct Scenario {
    const char* what;
    Signal signal;
    std::vector<Block> blocks;
    Routing routing = Routing::separate;
};

// The scenario through the reference and every level; answers the reference's pass.
template <typename Sample>
Pass<Sample> check(const Scenario& s, unsigned seed) {
    std::size_t total = 0;
    for (const Block& b : s.blocks) total += static_cast<std::size_t>(std::max(b.frames, 0));
    std::mt19937 random(seed);
    std::vector<Sample> left(total), right(total);
    for (std::size_t i = 0; i < total; ++i) {
        left[i] = static_cast<Sample>(sampleOf(s.signal, random, static_cast<int>(i)));
        right[i] = static_cast<Sample>(sampleOf(s.signal, random, static_cast<int>(i)));
    }
    Pass<Sample> reference = runEngine(left, right, s.blocks, Routing::separate, seed, std::nullopt);
    for (const glowmarsh::SimdLevel level : supportedLevels()) {
        EXPECT_EQ(difference(reference, runEngine(left, right, s.blocks, s.routing, seed, level)), "")
            << s.what << " at " << glowmarsh::simdLevelName(level) << ", " << sizeof(Sample) * 8 << "-bit call, seed "
            << seed;
    }
    return reference;
}

std::vector<Block> repeat(std::int32_t frames, int count, Params p = {}) {
    return std::vector<Block>(count, {frames, p});
}

// Targeted cases the random scenarios below may miss: each row aims at a
// boundary of the run structure or at history values the vector truncation
// cannot convert (NaN, infinities, products beyond the int range) and the
// guard's noise.
TEST(Differential, Boundaries) {
    EXPECT_EQ(supportedLevels().back(), glowmarsh::bestSimdLevel()) << "the production level is not under test";
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Params d, full{1.0f, 1.0f, 1.0f}, sparse{0.2f, 0.0f, 0.5f};
    // Three parameter sets in turn, past the ring wrap, then a short block.
    const std::vector<Block> turns = {{4096, d},      {4096, full}, {4096, sparse}, {4096, d},
                                      {4096, sparse}, {4096, full}, {64, d}};
    // The whole history written, then Grain in steps small enough to give every tap count.
    std::vector<Block> everyCount = {{22051, d}};
    for (int i = 0; i <= 500; ++i) everyCount.push_back({32, {1.0f, static_cast<float>(i) / 500.0f, 0.5f}});
    const Scenario rows[] = {
        {"blocks of 0 and negative counts between blocks", Signal::music,
         {{0, d}, {7, d}, {-3, d}, {513, d}, {0, {1.0f, 1.0f, 0.5f}}, {129, d}}},
        {"Sustain 0, Grain 0: scan turns down and back up with re-derived offsets", Signal::noise,
         repeat(40000, 1, {0.0f, 0.0f, 0.5f})},
        {"Grain dropped between blocks leaves the scan above the tap count", Signal::music,
         {{3000, full}, {3000, {1.0f, 0.0f, 0.5f}}, {700, {0.4f, 0.3f, 0.5f}}, {3000, full}}},
        {"parameters outside 0 to 1 and NaN", Signal::music,
         {{1000, {1.5f, -0.5f, 1.5f}}, {1000, {nan, nan, 0.5f}}, {1000, {-1, 2, -0.5f}}, {1000, {0.3f, 0.9f, nan}}}},
        {"every tap count from 7 to 163", Signal::noise, everyCount},
        {"in place, crosswise, odd blocks across the ring wrap", Signal::noise, repeat(301, 80), Routing::crosswise},
        {"impulses", Signal::impulses, turns},
        {"silence: the guard's noise alone, across the end of its period", Signal::silence, turns},
        {"near zero: both sides of the guard's threshold", Signal::nearZero, turns},
        {"full scale", Signal::fullScale, turns},
        {"far above full scale: products beyond the int range", Signal::hot, turns},
        {"NaN and infinities in quiet noise", Signal::nonFinite, turns},
        {"weighted tap values on whole numbers", Signal::grid, turns},
    };
    unsigned seed = 100;
    for (const Scenario& s : rows) {
        check<float>(s, ++seed);
        check<double>(s, seed);
    }
}

// Sustain 1, Grain 1 in one block long enough (2 000 000 frames; 480 000 would do)
// to nudge tap 163 from 21923 to the end of the written history, 22051, where
// it stops: runs shrink to single frames as offsets close in, and an offset
// of 22051 reads the frame's own value. A read past the written history would
// meet the poisoned tail and make the output loud; under AddressSanitizer a
// read past the buffer stops the test.
TEST(Differential, LongBlockStaysInsideTheHistory) {
    const Pass<float> reference =
        check<float>({"one block of 2000000 frames", Signal::music, repeat(2000000, 1, {1.0f, 1.0f, 0.5f})}, 7);
    for (std::size_t i = 0; i < reference.left.size(); ++i) {
        ASSERT_TRUE(std::abs(reference.left[i]) < 4.0f && std::abs(reference.right[i]) < 4.0f) << "frame " << i;
    }
    EXPECT_EQ(reference.state->tapOffset[163], glowmarsh::kMaxTapOffset) << "the far tap reached the end";
    for (int k = 1; k <= 163; ++k) EXPECT_LE(reference.state->tapOffset[k], glowmarsh::kMaxTapOffset) << "tap " << k;
}

// Random parameter sets (edges 0 and 1 and values outside included),
// changing between blocks, random block sizes and routings.
TEST(Differential, RandomScenarios) {
    std::mt19937 random(20240611);
    const float edges[] = {0.0f, 1.0f, 0.5f, 0.7f, 0.2f, 1e-30f, 0.99999994f, -0.25f, 1.25f,
                           std::numeric_limits<float>::quiet_NaN()};
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<int> pick(0, 99);
    auto parameter = [&] { return pick(random) < 30 ? edges[pick(random) % 10] : unit(random); };
    const std::int32_t sizes[] = {0, 1, 2, 3, 7, 31, 64, 127, 128, 129, 255, 512, 513, 1000, 4096, 6007};
    for (int scenario = 0; scenario < 24; ++scenario) {
        const Signal signals[] = {Signal::music, Signal::noise, Signal::mixed};
        Scenario s{"random scenario", signals[scenario % 3], {}, static_cast<Routing>(pick(random) % 3)};
        Params p{parameter(), parameter(), parameter()};
        for (std::size_t total = 0; total < 30000;) {
            if (pick(random) < 15) p = Params{parameter(), parameter(), parameter()};
            s.blocks.push_back({sizes[pick(random) % 16], p});
            total += static_cast<std::size_t>(s.blocks.back().frames);
        }
        check<float>(s, 300 + static_cast<unsigned>(scenario));
        check<double>(s, 300 + static_cast<unsigned>(scenario));
    }
}

// A NaN or infinite input sample may spoil its own frame and the next one
// (which takes back that frame's dither), but every later frame is what it
// would have been had that frame put silence into the history: the value never
// makes the effect louder, however long it rings.
template <typename Sample>
void expectNoTraceAfterTheNextFrame(double value, int channel, float grain) {
    constexpr std::size_t kAt = 1000, kFrames = kAt + 23500;  // past the whole history
    std::mt19937 random(7);
    std::vector<Sample> in[2] = {std::vector<Sample>(kFrames), std::vector<Sample>(kFrames)};
    for (std::size_t i = 0; i < kFrames; ++i) {
        for (std::vector<Sample>& samples : in) samples[i] = static_cast<Sample>(sampleOf(Signal::noise, random, 0));
    }
    std::vector<Sample> silenced = in[channel];
    silenced[kAt] = -in[1 - channel][kAt];
    const std::vector<Block> blocks = {{512, {1.0f, grain}}, {17, {1.0f, grain}}, {kFrames - 529, {1.0f, grain}}};
    in[channel][kAt] = static_cast<Sample>(value);
    const Pass<Sample> spoilt = runEngine(in[0], in[1], blocks, Routing::separate, 11, std::nullopt);
    in[channel] = silenced;
    const Pass<Sample> dropped = runEngine(in[0], in[1], blocks, Routing::separate, 11, std::nullopt);
    const std::size_t bytes = (kFrames - kAt - 2) * sizeof(Sample);
    EXPECT_EQ(std::memcmp(&spoilt.left[kAt + 2], &dropped.left[kAt + 2], bytes), 0) << value << " in " << channel;
    EXPECT_EQ(std::memcmp(&spoilt.right[kAt + 2], &dropped.right[kAt + 2], bytes), 0) << value << " in " << channel;
}

TEST(NonFiniteInput, LeavesNoTraceAfterTheNextFrame) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    expectNoTraceAfterTheNextFrame<float>(nan, 0, 0.7f);
    expectNoTraceAfterTheNextFrame<double>(inf, 1, 1.0f);
    expectNoTraceAfterTheNextFrame<float>(-inf, 1, 0.0f);
    expectNoTraceAfterTheNextFrame<double>(-nan, 0, 0.3f);
}

}  // namespace
