// Worked values that pin the reference engine, and the parts both engines
// share (tables, block set-up, input guard). The production engine is held to
// the reference bit for bit in DifferentialTest.cpp; the ring, the scan motion
// and everything else a render passes through are pinned, on every target, by
// the output digests of target/EngineAgreementTest.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <tuple>
#include <vector>

#include "engine/BlockSetup.h"
#include "engine/InputGuard.h"
#include "engine/OutputStage.h"
#include "engine/TapSum.h"
#include "engine/WetMix.h"
#include "tests/engine/EngineHarness.h"

namespace {

using namespace enginetest;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The last digit of a tap's distance places it (1 right, 3 a quarter left,
// 7 three quarters left, 9 left), the distance itself is the gain: a gain one
// unit in the last place off, on any tap, fails here.
TEST(Tables, PanGainsSplitEachDistanceByItsLastDigit) {
    auto state = makeEngine();
    const std::map<int, double> leftShare = {{1, 0.0}, {3, 0.25}, {7, 0.75}, {9, 1.0}};
    for (int k = 0; k <= 164; ++k) {
        const double v = state->primeTable[k];
        const double share = leftShare.at(state->primeTable[k] % 10);
        EXPECT_EQ(bitsOf(state->tapPanL[k]), bitsOf(share * v)) << "tap " << k;
        EXPECT_EQ(bitsOf(state->tapPanR[k]), bitsOf((1.0 - share) * v)) << "tap " << k;
    }
    EXPECT_EQ(std::tie(state->tapPanL[2], state->tapPanR[2]), std::tuple(3.25, 9.75));
    EXPECT_EQ(std::tuple(state->primeTable[3], state->primeTable[83], state->primeTable[164], state->primeTable[166]),
              std::tuple(17, 449, 997, 999));
}

// The normalisers are written to the digit that names their float exactly.
TEST(BlockSetup, WorkedValuesForFiveParameterPairs) {
    const double third = 0.2702702667871647, fifth = 1 / 5.5;
    const double kWindows[][10] = {{third, third, third, 0.1891891996385059},
                                   {0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1},
                                   {1.0},
                                   {fifth, fifth, fifth, fifth, fifth, 0.5 / 5.5}};
    struct Row {
        float sustain, grain;
        int tapCount;
        float spacing, wetNormaliser, windowTotal, lower, upper;
        int firstOffset, lastOffset, window;  // tapOffset[1], tapOffset[tapCount], row of kWindows
    };
    const Row rows[] = {
        {1.0f, 0.7f, 83, 41.518074f, 3024.6640625f, 3.7f, 456.69882f, 1456.6989f, 456, 18641, 0},
        {1.0f, 0.0f, 7, 470.57144f, 74.08103943f, 10.0f, 5176.2856f, 6176.2856f, 5176, 14587, 1},
        {1.0f, 1.0f, 163, 22.1227f, 8324.1787109375f, 1.0f, 243.3497f, 1243.3497f, 243, 21923, 2},
        {0.0f, 0.7f, 83, 2.0f, 3024.6640625f, 3.7f, 22.0f, 1022.0f, 22, 898, 0},
        {0.5f, 0.5f, 46, 19.826086f, 1247.94873046875f, 5.5f, 218.08694f, 1218.0869f, 218, 4540, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "Sustain " << r.sustain << ", Grain " << r.grain);
        auto state = makeEngine({r.sustain, r.grain, 0.2f});
        const glowmarsh::BlockValues b = glowmarsh::setUpBlock(*state);
        const float got[] = {b.spacing, b.wetNormaliser, b.windowTotal, b.scanLowerBound, b.scanUpperBound};
        const float want[] = {r.spacing, r.wetNormaliser, r.windowTotal, r.lower, r.upper};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(bitsOf(got[i]), bitsOf(want[i])) << "spacing, normaliser, T, bound " << i;
        EXPECT_EQ(std::tuple(b.tapCount, state->tapOffset[1], state->tapOffset[r.tapCount]),
                  std::tuple(r.tapCount, r.firstOffset, r.lastOffset));
        for (int i = 0; i < 10; ++i) EXPECT_EQ(bitsOf(state->smoothCoeff[i]), bitsOf(kWindows[r.window][i])) << i;
    }
}

// Sustain or Grain outside 0..1 would index past the tables and the written
// history, a non-finite Dry/Wet would make every output NaN: the set-up reads
// all three clamped (NaN as 0), the stored value stays.
TEST(BlockSetup, ParametersAreClampedWhereTheyAreRead) {
    struct Row { Params given, actsAs; };
    const Row rows[] = {{{1.0f, 1.004f}, {1.0f, 1.0f}},  // would be 164 taps
                        {{1.01f, -0.5f}, {1.0f, 0.0f}},  // a negative Grain is not its square
                        {{float(kNaN), float(kInf)}, {0.0f, 1.0f}},
                        {{1.0f, 0.7f, float(kNaN)}, {1.0f, 0.7f, 0.0f}},
                        {{1.0f, 0.7f, float(-kInf)}, {1.0f, 0.7f, 0.0f}},
                        {{1.0f, 0.7f, 1.5f}, {1.0f, 0.7f, 1.0f}}};
    for (const Row& r : rows) {
        auto given = makeEngine(r.given), clamped = makeEngine(r.actsAs);
        const glowmarsh::BlockValues got = glowmarsh::setUpBlock(*given), want = glowmarsh::setUpBlock(*clamped);
        EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << r.given.sustain << ", " << r.given.grain << ", " << r.given.dryWet;
        EXPECT_EQ(std::memcmp(given->tapOffset, clamped->tapOffset, sizeof given->tapOffset), 0);
        EXPECT_EQ(bitsOf(given->grain.load()), bitsOf(r.given.grain)) << "the stored value changed";
        EXPECT_EQ(bitsOf(given->dryWet.load()), bitsOf(r.given.dryWet)) << "the stored value changed";
    }
}

TEST(InputGuard, ThresholdAndNoiseSequence) {
    // The 1st, 2nd and 3rd replacements from a counter at 0 (the float nearest
    // 1.2e-38 lies below the bound), the 34th (an exact zero), the 46341st (the
    // first wrapped square), the 1700021st (both squares wrap) and the next,
    // which starts the period again; then values at or beyond the bound, which
    // pass and leave the counter (5) alone.
    struct Row { double x; std::int32_t before, after; double value; };
    const float aboveBound = std::nextafter(1.2e-38f, 1.0f);
    const Row rows[] = {
        {0.0, 0, 1, 1.0000000000000001e-16}, {-0.0, 1, 2, 2.0000000000000002e-16}, {1.2e-38f, 2, 3, 1.5e-15},
        {1e-38, 33, 34, 0.0}, {-1e-300, 46340, 46341, 0.0}, {4.9e-324, 1700020, 1700021, 1.3e-15},
        {0.0, 1700021, 1, 1.0000000000000001e-16}, {1.2e-38, 5, 5, 1.2e-38}, {-1.2e-38, 5, 5, -1.2e-38},
        {aboveBound, 5, 5, aboveBound}, {-kInf, 5, 5, -kInf}, {kNaN, 5, 5, kNaN},
    };
    for (const Row& r : rows) {
        glowmarsh::NoiseCounter counter{r.before};
        EXPECT_EQ(bitsOf(glowmarsh::guardInput(r.x, counter)), bitsOf(r.value)) << r.x << " after " << r.before;
        EXPECT_EQ(counter.load(), r.after) << r.x << " after " << r.before;
    }
}

// Each weighted tap value is truncated before it is summed; what C++ leaves
// undefined (NaN, infinities, the int range, overflow of the sum) is defined.
TEST(TapNetwork, TruncationOfWeightedValues) {
    const std::int32_t kMax = std::numeric_limits<std::int32_t>::max(), kMin = std::numeric_limits<std::int32_t>::min();
    struct Row { int taps; double x, panL, panR; std::int32_t left, right; };
    const Row rows[] = {
        {1, 1.0, 2.9, -2.9, 2, -2},       {1, 0.5, 1.98, -1.98, 0, 0},        {1, kNaN, 0.0, 9.75, 0, 0},
        {1, -kInf, 19.0, 0.0, 0, 0},      {1, 1e12, 1.0, -1.0, kMax, kMin},   // saturates
        {1, 2147483647.9, 1.0, -1.0, kMax, -kMax}, {2, 1e12, 1.0, -1.0, -2, 0},  // sums wrap
    };
    for (const Row& r : rows) {
        auto state = makeEngine();
        for (int k = 1; k <= r.taps; ++k) {
            state->tapOffset[k] = 49 + k;
            state->tapPanL[k] = r.panL;
            state->tapPanR[k] = r.panR;
            state->tapBuffer[149 + k] = r.x;
        }
        const glowmarsh::TapSums sums = glowmarsh::sumTapsUnrolled(*state, 100, r.taps);
        EXPECT_EQ(std::tuple(sums.left, sums.right), std::tuple(r.left, r.right)) << r.x << " x " << r.panL;
    }
}

TEST(WetSmoothing, WorkedSequences) {
    const float defaultNorm = 3024.6640625f, grainOneNorm = 8324.1787109375f;
    struct Case { float windowTotal, wetNormaliser; std::vector<std::int32_t> tapSums; std::vector<double> wet; };
    const Case cases[] = {
        {3.7f, defaultNorm, {3700, 3700, 3700, 3700, 3700},  // default Grain: a step spreads over four frames
         {2.777167918957942, 1.5538915737026582, 1.5538915737026582, 1.454707025347598, 1.223276345255284}},
        {1.0f, grainOneNorm, {1000, 1000}, {0.36039591462136317, 0.12013197154045438}},
        {1.0f, grainOneNorm, {1000, 0, 1000}, {3000 / 8324.1787109375, -2000 / 8324.1787109375, 3000 / 8324.1787109375}},
        // A change beyond 2^24 is rounded to float in the history and in t, not in d.
        {1.0f, grainOneNorm, {16777217}, {(33554432.0 + 16777217.0) / grainOneNorm}},
    };
    for (const Case& c : cases) {
        double coeff[11], lastSum = 0.0, history[11] = {};
        glowmarsh::fillSmoothingWindow(c.windowTotal, coeff);
        for (std::size_t f = 0; f < c.tapSums.size(); ++f) {
            const double wet = glowmarsh::smoothWet(c.tapSums[f], {lastSum, history}, coeff, c.wetNormaliser);
            EXPECT_EQ(bitsOf(wet), bitsOf(c.wet[f])) << "window " << c.windowTotal << ", frame " << f + 1;
        }
    }
    const glowmarsh::BlockValues block = glowmarsh::deriveBlockValues(1.0f, 0.7f, 0.2f);
    EXPECT_EQ(bitsOf(glowmarsh::mixChannel(4 / 7.0, 0.3, block)), bitsOf(0.35428571956498284)) << "one fused rounding";
}

// The 64-bit call's sum 0.75 + 2^-54 + 2^-85 spans 85 bits: x87 drops the
// last term and the rounding to double ties to even, 0.75; ppc32's
// double-double holds all 85 and rounds up, the exact sum's result.
constexpr double kHalfWayDouble = std::numeric_limits<long double>::digits >= 85 ? 0.75 + 0x1p-53 : 0.75;

// The reference quantisers of both calls; the production ones are held to
// them by the differential test.
TEST(OutputStage, DitherCases) {
    constexpr std::int32_t kRandMax = 2147483647;
    struct Step { double mix; std::int32_t random; double output; long double shapeAfter; };
    struct Case { bool floatCall; std::vector<Step> steps; };  // frames of one channel
    const Case cases[] = {
        {true, {{0.75, kRandMax, 0.7500000596046448, 0x1p-24L}, {0.75, 0, 0.7499999403953552, 0.0L}}},
        {false, {{0.75, kRandMax, 0.7500000000000001, 0x1p-53L}, {0.75, 0, 0.7499999999999999, 0.0L}}},
        {true, {{0.75, 1073741824, 0.75, 0x1p-25L * (1.0L + 0x1p-31L)}}},  // half way: to the even float
        {false, {{0.75, 1073741824, kHalfWayDouble, 0x1p-54L * (1.0L + 0x1p-31L)}}},
        {true, {{0.0, kRandMax, 0x1p-24, 0x1p-24L}}},  // an exact zero has exponent 0
        {false, {{0.0, kRandMax, 0x1p-53, 0x1p-53L}}},
        {true, {{1.0, kRandMax, 1.0000001192092896, 0x1p-23L}}},  // 1.0 has exponent 1
    };
    for (std::size_t c = 0; c < std::size(cases); ++c) {
        long double shape = 0.0L;
        for (const Step& s : cases[c].steps) {
            const double output = cases[c].floatCall ? glowmarsh::quantiseToFloatReference(s.mix, shape, s.random)
                                                     : glowmarsh::quantiseToDoubleReference(s.mix, shape, s.random);
            EXPECT_EQ(std::tuple(bitsOf(output), shape), std::tuple(bitsOf(s.output), s.shapeAfter)) << "case " << c;
        }
    }
}

}  // namespace
