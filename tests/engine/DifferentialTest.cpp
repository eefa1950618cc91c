// The production engine, at every SIMD level this CPU has, against the
// reference engine on the same input, the same rand() draws and the same
// guard counters: same output bits and same engine state, for many parameter
// sets, block-size sequences, signals and routings. The reference always
// writes separate buffers, so in-place routings are held against them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>

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

// The first difference between two engine states, or empty. In the
// history any NaN equals any NaN: the sum of a NaN left and a NaN right input
// keeps either one's payload, as the compiler orders the addition, and every
// tap reads any NaN as 0.
std::string stateDifference(const glowmarsh::EngineState& a, const glowmarsh::EngineState& b) {
    auto differ = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof x) != 0; };
    if (std::memcmp(&a.ditherShapeL, &b.ditherShapeL, kLongDoubleValueBytes) ||
        std::memcmp(&a.ditherShapeR, &b.ditherShapeR, kLongDoubleValueBytes)) {
        return "dither memory";
    }
    if (std::tie(a.writeIndex, a.scanTap, a.scanDirection, a.scanCounter) !=
        std::tie(b.writeIndex, b.scanTap, b.scanDirection, b.scanCounter)) {
        return "write position or scan state";
    }
    if (differ(a.lastSumL, b.lastSumL) || differ(a.lastSumR, b.lastSumR) ||
        differ(a.wetHistoryL, b.wetHistoryL) || differ(a.wetHistoryR, b.wetHistoryR)) {
        return "smoothing memory";
    }
    if (differ(a.smoothCoeff, b.smoothCoeff) || differ(a.tapOffset, b.tapOffset)) return "weights or offsets";
    for (int i = 0; i < glowmarsh::kHistorySize; ++i) {
        if (differ(a.tapBuffer[i], b.tapBuffer[i]) && !(std::isnan(a.tapBuffer[i]) && std::isnan(b.tapBuffer[i]))) {
            return "tapBuffer[" + std::to_string(i) + "]";
        }
    }
    return {};
}

// One engine and its output so far (or its in-place buffers). The history
// that is never written holds a value any read of it would make loud.
template <typename Sample>
struct Lane {
    std::unique_ptr<glowmarsh::EngineState> state = [] {
        auto s = makeEngine();
        std::fill(s->tapBuffer + glowmarsh::kWrittenHistory, s->tapBuffer + glowmarsh::kHistorySize, 1e9);
        return s;
    }();
    std::vector<Sample> left, right;
};

// The four process-wide guard counters: the 32-bit call's left and right, the 64-bit call's.
glowmarsh::NoiseCounter* const kGuardCounters[] = {&glowmarsh::floatCallNoise().left,
                                                   &glowmarsh::floatCallNoise().right,
                                                   &glowmarsh::doubleCallNoise().left,
                                                   &glowmarsh::doubleCallNoise().right};

std::array<std::int32_t, 4> guardCounts() {
    return {kGuardCounters[0]->load(), kGuardCounters[1]->load(), kGuardCounters[2]->load(), kGuardCounters[3]->load()};
}

// Runs the blocks through the reference, into separate buffers, and through
// every supported level in the given routing; answers the first difference
// ("" when every level matches throughout) and hands over the reference lane.
template <typename Sample>
std::string compareEngines(const std::vector<Sample>& inL, const std::vector<Sample>& inR,
                           const std::vector<Block>& blocks, Routing routing, unsigned seed,
                           Lane<Sample>* reference = nullptr) {
    const std::vector<glowmarsh::SimdLevel> levels = enginetest::supportedLevels();
    std::vector<Lane<Sample>> lanes(levels.size() + 1);  // the reference first
    for (std::size_t l = 0; l < lanes.size(); ++l) {
        const bool separate = l == 0 || routing == Routing::separate;
        lanes[l].left = separate ? std::vector<Sample>(inL.size()) : inL;
        lanes[l].right = separate ? std::vector<Sample>(inR.size()) : inR;
    }
    std::size_t start = 0;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const std::int32_t count = blocks[b].frames;
        const std::size_t frames = count > 0 ? static_cast<std::size_t>(count) : 0, end = start + frames;
        const std::array<std::int32_t, 4> before = guardCounts();
        std::array<std::int32_t, 4> after{};
        for (std::size_t l = 0; l < lanes.size(); ++l) {
            Lane<Sample>& lane = lanes[l];
            lane.state->sustain = blocks[b].params.sustain;
            lane.state->grain = blocks[b].params.grain;
            lane.state->dryWet = blocks[b].params.dryWet;
            const bool separate = l == 0 || routing == Routing::separate;
            const bool crossed = l != 0 && routing == Routing::crosswise;
            // In place, each lane's buffers hold its input until it processes them.
            std::vector<Sample> sepL(inL.begin() + start, inL.begin() + end);
            std::vector<Sample> sepR(inR.begin() + start, inR.begin() + end);
            Sample* laneL = lane.left.data() + start;
            Sample* laneR = lane.right.data() + start;
            Sample* inputs[] = {separate ? sepL.data() : laneL, separate ? sepR.data() : laneR};
            Sample* outputs[] = {crossed ? laneR : laneL, crossed ? laneL : laneR};
            for (int i = 0; i < 4; ++i) kGuardCounters[i]->store(before[i]);
            std::srand(seed + static_cast<unsigned>(b));
            if (l == 0) {
                glowmarsh::processBlockReference(*lane.state, inputs, outputs, count);
                after = guardCounts();
                continue;
            }
            glowmarsh::processBlock(*lane.state, inputs, outputs, count, levels[l - 1]);
            if (crossed) std::swap_ranges(laneL, laneL + frames, laneR);
            const std::string where = std::string(glowmarsh::simdLevelName(levels[l - 1])) + ", block " +
                                      std::to_string(b) + " (" + std::to_string(count) + " frames from " +
                                      std::to_string(start) + "): ";
            if (guardCounts() != after) return where + "guard counters differ";
            for (std::size_t i = start; i < end; ++i) {
                if (bitsOf(lane.left[i]) != bitsOf(lanes[0].left[i]) ||
                    bitsOf(lane.right[i]) != bitsOf(lanes[0].right[i])) {
                    return where + "output differs at frame " + std::to_string(i);
                }
            }
            // The whole state (with its 45102-entry history) after long blocks and at the end.
            if (frames >= 4096 || b + 1 == blocks.size() || b % 16 == 0) {
                const std::string field = stateDifference(*lanes[0].state, *lane.state);
                if (!field.empty()) return where + "state differs in " + field;
            }
        }
        start = end;
    }
    if (reference != nullptr) *reference = std::move(lanes[0]);
    return {};
}

enum class Signal { music, noise, impulses, silence, nearZero, fullScale, hot, nonFinite, mixed };

// One channel's sample i of the signal.
double sampleOf(Signal s, std::mt19937& random, int i) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> pick(0, 999);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const double nearZero[] = {0.0, -0.0, 1e-38, -1e-38, 1.2e-38, -1.2e-38, 1.1754943508222875e-38, 1.2000001e-38,
                               4.9e-324, 1e-300, 1e-20, 3e-9};
    const double hot[] = {3e6, -3e6, 1e10, -1e10, 2.2e6, 1e300, 0.5};  // far above full scale
    const double nonFinite[] = {nan, inf, -inf, -nan};                 // sprinkled in quiet noise
    const int p = pick(random);
    switch (s) {
        case Signal::music: return 0.4 * std::sin(0.031 * i) + 0.05 * unit(random);
        case Signal::noise: return unit(random);
        case Signal::impulses: return p < 3 ? (p < 1 ? 1.0 : -0.75) : 0.0;
        case Signal::silence: return 0.0;
        case Signal::nearZero: return nearZero[p % 12];
        case Signal::fullScale: return p < 500 ? 1.0 : -1.0;
        case Signal::hot: return hot[p % 7];
        case Signal::nonFinite: return p < 4 ? nonFinite[p] : 0.3 * unit(random);
        case Signal::mixed: return sampleOf(static_cast<Signal>((i / 3001) % 8), random, i);
    }
    return 0.0;
}

struct Scenario {
    const char* what;
    Signal signal;
    std::vector<Block> blocks;
    Routing routing = Routing::separate;
};

template <typename Sample>
void checkScenario(const Scenario& s, unsigned seed, Lane<Sample>* reference = nullptr) {
    std::size_t total = 0;
    for (const Block& b : s.blocks) total += static_cast<std::size_t>(std::max(b.frames, 0));
    std::mt19937 random(seed);
    std::vector<Sample> left(total), right(total);
    for (std::size_t i = 0; i < total; ++i) {
        left[i] = static_cast<Sample>(sampleOf(s.signal, random, static_cast<int>(i)));
        right[i] = static_cast<Sample>(sampleOf(s.signal, random, static_cast<int>(i)));
    }
    EXPECT_EQ(compareEngines(left, right, s.blocks, s.routing, seed, reference), "")
        << s.what << " (signal " << static_cast<int>(s.signal) << ", seed " << seed << ")";
}

void checkBothPrecisions(const Scenario& s, unsigned seed) {
    checkScenario<float>(s, seed);
    checkScenario<double>(s, seed);
}

std::vector<Block> repeat(std::int32_t frames, int count, Params p = {}) {
    return std::vector<Block>(count, {frames, p});
}

// Targeted cases: each row aims at a boundary of the run structure.
TEST(Differential, Boundaries) {
    const auto levels = supportedLevels();
    EXPECT_EQ(levels.back(), glowmarsh::bestSimdLevel()) << "the production level is not under test";
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Params d;  // defaults
    const Scenario rows[] = {
        {"default parameters, block 512 across the ring wrap", Signal::music, repeat(512, 50)},
        {"blocks of 1 frame", Signal::noise, repeat(1, 600)},
        {"blocks of 0 and negative counts between blocks", Signal::music,
         {{0, d}, {7, d}, {-3, d}, {513, d}, {0, {1.0f, 1.0f, 0.5f}}, {129, d}}},
        {"odd sizes, crossing the wrap inside a block", Signal::noise,
         {{22049, d}, {3, d}, {5, d}, {4099, d}, {22051, d}, {1, d}}},
        {"Sustain 0: a scan step every 2 frames", Signal::music, repeat(777, 40, {0.0f, 0.7f, 0.3f})},
        {"Sustain 0, Grain 0: scan turns down and back up with re-derived offsets", Signal::noise,
         repeat(40000, 1, {0.0f, 0.0f, 0.5f})},
        {"Grain 1: 163 taps, steps every 22 frames", Signal::music, repeat(4096, 8, {1.0f, 1.0f, 0.9f})},
        {"Grain 0: 7 taps, the longest spacing", Signal::music, repeat(4096, 8, {1.0f, 0.0f, 0.9f})},
        {"Grain dropped between blocks leaves the scan above the tap count", Signal::music,
         {{3000, {1.0f, 1.0f, 0.5f}}, {3000, {1.0f, 0.0f, 0.5f}}, {700, {0.4f, 0.3f, 0.5f}}, {3000, {1, 1, 0.5f}}}},
        {"parameters outside 0 to 1 and NaN", Signal::music,
         {{1000, {1.5f, -0.5f, 1.5f}}, {1000, {nan, nan, 0.5f}}, {1000, {-1, 2, -0.5f}}, {1000, {0.3f, 0.9f, nan}}}},
        {"in place", Signal::music, repeat(300, 20), Routing::inPlace},
        {"in place, crosswise", Signal::noise, repeat(301, 20), Routing::crosswise},
    };
    unsigned seed = 100;
    for (const Scenario& s : rows) checkBothPrecisions(s, ++seed);
}

// Sustain 1, Grain 1 in one block long enough (480 000 frames, 133 sweeps)
// to nudge tap 163 from 21923 to the end of the written history, 22051, where
// it stops: runs shrink to single frames as offsets close in, and an offset
// of 22051 reads the frame's own value. A read past the written history would
// meet the poisoned tail and make the output loud.
TEST(Differential, LongBlockStaysInsideTheHistory) {
    Lane<float> reference;
    checkScenario<float>({"one block of 480000 frames", Signal::music, repeat(480000, 1, {1.0f, 1.0f, 0.5f})}, 7,
                         &reference);
    ASSERT_EQ(reference.left.size(), 480000u);
    for (std::size_t i = 0; i < reference.left.size(); ++i) {
        ASSERT_TRUE(std::abs(reference.left[i]) < 4.0f && std::abs(reference.right[i]) < 4.0f) << "frame " << i;
    }
    EXPECT_EQ(reference.state->tapOffset[163], glowmarsh::kMaxTapOffset) << "the far tap reached the end";
    for (int k = 1; k <= 163; ++k) EXPECT_LE(reference.state->tapOffset[k], glowmarsh::kMaxTapOffset) << "tap " << k;
}

// Signals whose history holds values the vector truncation cannot convert
// (NaN, infinities, products beyond the int range) and the guard's noise.
TEST(Differential, AwkwardSignals) {
    unsigned seed = 200;
    for (Signal signal : {Signal::impulses, Signal::silence, Signal::nearZero, Signal::fullScale, Signal::hot,
                          Signal::nonFinite}) {
        for (const Params& p : {Params{}, Params{1.0f, 1.0f, 1.0f}, Params{0.2f, 0.0f, 0.5f}}) {
            std::vector<Block> blocks = repeat(4096, 6, p);
            blocks.push_back({64, p});
            checkBothPrecisions({"awkward signal", signal, blocks}, ++seed);
        }
    }
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
        SCOPED_TRACE(scenario);
        checkBothPrecisions(s, 300 + static_cast<unsigned>(scenario));
    }
}

}  // namespace
