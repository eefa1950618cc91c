// The production engine, at every SIMD level this CPU has, against the
// reference engine: same output bits and same engine state, for many
// parameter sets, block-size sequences, signals and routings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "tests/engine/Differential.h"

namespace {

using differential::Block;
using differential::Routing;
using enginetest::Params;

enum class Signal { music, noise, impulses, silence, nearZero, fullScale, hot, nonFinite, mixed };

const char* signalName(Signal s) {
    switch (s) {
        case Signal::music: return "music";
        case Signal::noise: return "noise";
        case Signal::impulses: return "impulses";
        case Signal::silence: return "silence";
        case Signal::nearZero: return "near zero";
        case Signal::fullScale: return "full scale";
        case Signal::hot: return "far above full scale";
        case Signal::nonFinite: return "NaN and infinities sprinkled";
        case Signal::mixed: return "mixed";
    }
    return "?";
}

// One channel's sample i of the signal.
double sampleOf(Signal s, std::mt19937& random, int i) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> pick(0, 999);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    switch (s) {
        case Signal::music: return 0.4 * std::sin(0.031 * i) + 0.05 * unit(random);
        case Signal::noise: return unit(random);
        case Signal::impulses: return pick(random) < 3 ? (pick(random) < 500 ? 1.0 : -0.75) : 0.0;
        case Signal::silence: return 0.0;
        case Signal::nearZero: {
            const double edges[] = {0.0, -0.0, 1e-38, -1e-38, 1.2e-38, -1.2e-38, 1.1754943508222875e-38,
                                    1.2000001e-38, 4.9e-324, 1e-300, 1e-20, 3e-9};
            return edges[pick(random) % 12];
        }
        case Signal::fullScale: return pick(random) < 500 ? 1.0 : -1.0;
        case Signal::hot: {
            const double levels[] = {3e6, -3e6, 1e10, -1e10, 2.2e6, 1e300, 0.5};
            return levels[pick(random) % 7];
        }
        case Signal::nonFinite: {
            const int p = pick(random);
            return p == 0 ? nan : p == 1 ? inf : p == 2 ? -inf : p == 3 ? -nan : 0.3 * unit(random);
        }
        case Signal::mixed: {
            const Signal parts[] = {Signal::music, Signal::noise, Signal::impulses, Signal::silence,
                                    Signal::nearZero, Signal::fullScale, Signal::hot, Signal::nonFinite};
            return sampleOf(parts[(i / 3001) % 8], random, i);
        }
    }
    return 0.0;
}

template <typename Sample>
void makeSignal(Signal s, unsigned seed, std::size_t frames, std::vector<Sample>& left, std::vector<Sample>& right) {
    std::mt19937 random(seed);
    left.resize(frames);
    right.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        left[i] = static_cast<Sample>(sampleOf(s, random, static_cast<int>(i)));
        right[i] = static_cast<Sample>(sampleOf(s, random, static_cast<int>(i)));
    }
}

std::size_t totalFrames(const std::vector<Block>& blocks) {
    std::size_t total = 0;
    for (const Block& b : blocks) total += b.frames > 0 ? static_cast<std::size_t>(b.frames) : 0;
    return total;
}

struct Scenario {
    const char* what;
    Signal signal;
    std::vector<Block> blocks;
    Routing routing = Routing::separate;
};

template <typename Sample>
void checkScenario(const Scenario& s, unsigned seed) {
    std::vector<Sample> left, right;
    makeSignal(s.signal, seed, totalFrames(s.blocks), left, right);
    const std::string difference = differential::compareEngines(left, right, s.blocks, s.routing, seed);
    EXPECT_EQ(difference, "") << s.what << " (" << signalName(s.signal) << ", seed " << seed << ")";
}

void checkBothPrecisions(const Scenario& s, unsigned seed) {
    checkScenario<float>(s, seed);
    checkScenario<double>(s, seed);
}

std::vector<Block> repeat(std::int32_t frames, int count, Params p = {}) {
    return std::vector<Block>(count, Block{frames, p});
}

const Params kDefaults{1.0f, 0.7f, 0.2f};

TEST(Differential, LevelsUnderTest) {
    const auto levels = differential::supportedLevels();
    ASSERT_GE(levels.size(), 1u);
    EXPECT_EQ(levels.front(), glowmarsh::SimdLevel::portable);
    EXPECT_EQ(levels.back(), glowmarsh::bestSimdLevel()) << "the differential tests cover the production level";
}

// Targeted cases: each row aims at a boundary of the run structure.
TEST(Differential, Boundaries) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Scenario rows[] = {
        {"default parameters, block 512 across the ring wrap", Signal::music, repeat(512, 50, kDefaults)},
        {"blocks of 1 frame", Signal::noise, repeat(1, 600, kDefaults)},
        {"blocks of 0 and negative counts between blocks", Signal::music,
         {{0, kDefaults}, {7, kDefaults}, {-3, kDefaults}, {513, kDefaults}, {0, {1.0f, 1.0f, 0.5f}}, {129, kDefaults}}},
        {"odd sizes, crossing the wrap inside a block", Signal::noise,
         {{22049, kDefaults}, {3, kDefaults}, {5, kDefaults}, {4099, kDefaults}, {22051, kDefaults}, {1, kDefaults}}},
        {"Sustain 0: a scan step every 2 frames", Signal::music, repeat(777, 40, {0.0f, 0.7f, 0.3f})},
        {"Sustain 0, Grain 0: scan turns down and back up with re-derived offsets", Signal::noise,
         repeat(40000, 1, {0.0f, 0.0f, 0.5f})},
        {"Grain 1: 163 taps, steps every 22 frames", Signal::music, repeat(4096, 8, {1.0f, 1.0f, 0.9f})},
        {"Grain 0: 7 taps, the longest spacing", Signal::music, repeat(4096, 8, {1.0f, 0.0f, 0.9f})},
        {"Grain dropped between blocks leaves the scan above the tap count", Signal::music,
         {{3000, {1.0f, 1.0f, 0.5f}}, {3000, {1.0f, 0.0f, 0.5f}}, {700, {0.4f, 0.3f, 0.5f}}, {3000, {1.0f, 1.0f, 0.5f}}}},
        {"parameters outside 0 to 1 and NaN", Signal::music,
         {{1000, {1.5f, -0.5f, 1.5f}}, {1000, {nan, nan, 0.5f}}, {1000, {-1.0f, 2.0f, -0.5f}}, {1000, {0.3f, 0.9f, nan}}}},
        {"in place", Signal::music, repeat(300, 20, kDefaults), Routing::inPlace},
        {"in place, crosswise", Signal::noise, repeat(301, 20, kDefaults), Routing::crosswise},
    };
    unsigned seed = 100;
    for (const Scenario& s : rows) {
        checkBothPrecisions(s, ++seed);
    }
}

// Sustain 1, Grain 1 in one long block: the far taps are nudged up to the end
// of the history (22051), so runs shrink to single frames as their offsets
// close in, and an offset of 22051 reads the frame's own value.
TEST(Differential, OffsetsReachTheEndOfTheHistory) {
    const Scenario s{"one block of 480000 frames at Sustain 1, Grain 1", Signal::music,
                     {{480000, {1.0f, 1.0f, 0.5f}}, {512, {1.0f, 1.0f, 0.5f}}}};
    checkScenario<float>(s, 7);
}

// Signals whose history holds values the vector truncation cannot convert
// (NaN, infinities, products beyond the int range) and the guard's noise.
TEST(Differential, AwkwardSignals) {
    const Signal signals[] = {Signal::impulses, Signal::silence, Signal::nearZero, Signal::fullScale, Signal::hot,
                              Signal::nonFinite};
    unsigned seed = 200;
    for (Signal signal : signals) {
        for (const Params& p : {kDefaults, Params{1.0f, 1.0f, 1.0f}, Params{0.2f, 0.0f, 0.5f}}) {
            std::vector<Block> blocks = repeat(4096, 6, p);
            blocks.push_back({64, p});
            checkBothPrecisions({"", signal, blocks}, ++seed);
        }
    }
}

// Random parameter sets (edges 0 and 1 and values outside included),
// changing between blocks, random block sizes and routings.
TEST(Differential, RandomScenarios) {
    std::mt19937 random(20240611);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float edges[] = {0.0f, 1.0f, 0.5f, 0.7f, 0.2f, 1e-30f, 0.99999994f, -0.25f, 1.25f, nan};
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<int> pick(0, 99);
    auto parameter = [&] { return pick(random) < 30 ? edges[pick(random) % 10] : unit(random); };
    const std::int32_t sizes[] = {0, 1, 2, 3, 7, 31, 64, 127, 128, 129, 255, 512, 513, 1000, 4096, 6007};
    const Signal signals[] = {Signal::music, Signal::noise, Signal::mixed};
    const Routing routings[] = {Routing::separate, Routing::inPlace, Routing::crosswise};
    for (int scenario = 0; scenario < 24; ++scenario) {
        Scenario s{"random scenario", signals[scenario % 3], {}, routings[pick(random) % 3]};
        Params p{parameter(), parameter(), parameter()};
        std::size_t total = 0;
        while (total < 30000) {
            if (pick(random) < 15) p = Params{parameter(), parameter(), parameter()};
            const std::int32_t frames = sizes[pick(random) % 16];
            s.blocks.push_back({frames, p});
            total += static_cast<std::size_t>(frames);
        }
        SCOPED_TRACE(scenario);
        checkBothPrecisions(s, 300 + static_cast<unsigned>(scenario));
    }
}

}  // namespace
