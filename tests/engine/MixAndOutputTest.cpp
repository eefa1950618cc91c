// Wet smoothing and mix, and the output stage's dither and rounding with the
// random draws supplied; the exponent and power read from the bits against
// frexp and ldexp.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/BlockSetup.h"
#include "engine/OutputStage.h"
#include "engine/WetMix.h"
#include "tests/engine/EngineHarness.h"

namespace {

using enginetest::bitsOf;

constexpr std::int32_t kRandMax = 2147483647;

TEST(WetSmoothing, WorkedSequences) {
    const float defaultNorm = 3024.6640625f, grainOneNorm = 8324.1787109375f;
    struct Case {
        const char* what;
        float windowTotal, wetNormaliser;
        std::vector<std::int32_t> tapSums;
        std::vector<double> wet;
    };
    const Case cases[] = {
        {"default Grain: a step to 3700 spreads over four frames", 3.7f, defaultNorm,
         {3700, 3700, 3700, 3700, 3700, 3700},
         {2.777167918957942, 1.5538915737026582, 1.5538915737026582, 1.454707025347598, 1.223276345255284,
          1.223276345255284}},
        {"Grain 1: a step to 1000 counts three times in its frame", 1.0f, grainOneNorm, {1000, 1000, 1000},
         {0.36039591462136317, 0.12013197154045438, 0.12013197154045438}},
        {"Grain 1: alternating 0 and 1000", 1.0f, grainOneNorm, {1000, 0, 1000, 0},
         {3000.0 / grainOneNorm, -2000.0 / grainOneNorm, 3000.0 / grainOneNorm, -2000.0 / grainOneNorm}},
        {"Grain 1: a change beyond 2^24 is rounded to float in history and t, not in d", 1.0f, grainOneNorm,
         {16777217}, {(33554432.0 + 16777217.0) / grainOneNorm}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        double coeff[11], lastSum = 0.0, history[11] = {};
        glowmarsh::fillSmoothingWindow(c.windowTotal, coeff);
        for (size_t frame = 0; frame < c.tapSums.size(); ++frame) {
            const double wet = glowmarsh::smoothWet(c.tapSums[frame], {lastSum, history}, coeff, c.wetNormaliser);
            EXPECT_EQ(bitsOf(wet), bitsOf(c.wet[frame])) << "frame " << frame + 1 << ": " << wet;
        }
        EXPECT_EQ(history[10], 0.0) << "entry 10 is not part of the window";
    }
}

TEST(WetMix, GainsAtTheEnds) {
    struct Row { const char* what; float dryWet; double wet, dry, mix; };
    const Row rows[] = {
        {"Dry/Wet 0 passes the guarded input exactly", 0.0f, 1.2345, 0.3, 0.3},
        {"Dry/Wet 1 passes the wet signal exactly", 1.0f, 1.2345, -0.3, 1.2345},
        {"the wet product is fused into the sum", 0.2f, 4 / 7.0, 0.3, 0.35428571956498284},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const glowmarsh::BlockValues block = glowmarsh::deriveBlockValues(1.0f, 0.7f, r.dryWet);
        EXPECT_EQ(bitsOf(glowmarsh::mixChannel(r.wet, r.dry, block)), bitsOf(r.mix));
    }
}

// The 64-bit call's sum 0.75 + 2^-54 + 2^-85 spans 85 bits. x87's 64-bit
// significand drops the last term and the rounding to double ties to even,
// 0.75; a long double that holds all 85 bits (ppc32's double-double) rounds
// up, the result of an exact sum.
constexpr double kHalfWayDoubleOutput = std::numeric_limits<long double>::digits >= 85 ? 0.75 + 0x1p-53 : 0.75;

TEST(OutputStage, DitherCases) {
    struct Step { double mix; std::int32_t random; double output; long double shapeAfter; };
    struct Case { const char* what; bool floatCall; std::vector<Step> steps; };  // frames of one channel
    const Case cases[] = {
        {"32-bit: 0.75 up one ulp, then back down one", true,
         {{0.75, kRandMax, 0.7500000596046448, 0x1p-24L}, {0.75, 0, 0.7499999403953552, 0.0L}}},
        {"64-bit: 0.75 up one ulp, then back down one", false,
         {{0.75, kRandMax, 0.7500000000000001, 0x1p-53L}, {0.75, 0, 0.7499999999999999, 0.0L}}},
        {"32-bit: half-way sum goes to the even float", true, {{0.75, 1073741824, 0.75, 0x1p-25L * (1.0L + 0x1p-31L)}}},
        {"64-bit: half-way case, settled by the width of the extended sum", false,
         {{0.75, 1073741824, kHalfWayDoubleOutput, 0x1p-54L * (1.0L + 0x1p-31L)}}},
        {"32-bit: an exact zero has exponent 0", true, {{0.0, kRandMax, 0x1p-24, 0x1p-24L}}},
        {"64-bit: an exact zero has exponent 0", false, {{0.0, kRandMax, 0x1p-53, 0x1p-53L}}},
        {"32-bit: 1.0 has exponent 1", true, {{1.0, kRandMax, 1.0000001192092896, 0x1p-23L}}},
    };
    for (const bool library : {false, true}) {
        SCOPED_TRACE(library ? "library exponent and power" : "exponent and power from the bits");
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            long double shape = 0.0L;
            for (size_t i = 0; i < c.steps.size(); ++i) {
                const Step& s = c.steps[i];
                const double output =
                    c.floatCall ? (library ? glowmarsh::quantiseToFloatReference(s.mix, shape, s.random)
                                           : glowmarsh::quantiseToFloat(s.mix, shape, s.random))
                                : (library ? glowmarsh::quantiseToDoubleReference(s.mix, shape, s.random)
                                           : glowmarsh::quantiseToDouble(s.mix, shape, s.random));
                EXPECT_EQ(bitsOf(output), bitsOf(s.output)) << "frame " << i;
                EXPECT_EQ(shape, s.shapeAfter) << "frame " << i;
            }
        }
    }
}

// Every exponent of both formats (both ends of each binade, every subnormal
// leading-bit position), zeros, and the non-finite values frexp leaves open.
TEST(OutputStage, ExponentFromTheBitsMatchesFrexp) {
    auto frexpOf = [](auto value) {
        int e = 0;
        return std::isfinite(std::frexp(value, &e)) ? e : 0;
    };
    auto check = [&](auto one, int lowest, int highest) {
        using T = decltype(one);
        std::vector<T> values = {T(0), -T(0), std::numeric_limits<T>::infinity(), -std::numeric_limits<T>::infinity(),
                                 std::numeric_limits<T>::quiet_NaN(), std::numeric_limits<T>::max()};
        for (int e = lowest; e <= highest; ++e) {
            const T power = std::ldexp(one, e);
            values.insert(values.end(), {power, -power, std::nextafter(power, T(0)), power * T(1.75)});
        }
        for (const T value : values) EXPECT_EQ(glowmarsh::binaryExponent(value), frexpOf(value)) << value;
    };
    check(1.0, -1074, 1023);
    check(1.0f, -149, 127);
}

// r / divisor * 2^power with the power built from the bits, against ldexp:
// every power the two calls can ask for, including results that fall
// subnormal (tiny mixes) and powers past the double range (huge mixes).
TEST(OutputStage, DitherPowerMatchesLdexp) {
    const std::int32_t draws[] = {0, 1, 3, 12345, 1073741824, 1073741825, 2147483646, kRandMax};
    for (int power = -1011; power <= 1086; ++power) {
        for (const std::int32_t r : draws) {
            const double expected = std::ldexp(static_cast<double>(r) / glowmarsh::dither::kDivisor, power);
            ASSERT_EQ(bitsOf(glowmarsh::dither::scaled(r, power)), bitsOf(expected)) << "2^" << power << ", r " << r;
        }
    }
}

// Both calls run the same mix on the same (float) input; only the dither and
// the final rounding differ. The 64-bit output rounded to float stays within
// the float dither of this and the previous frame of the 32-bit output.
TEST(OutputStage, DoubleCallRoundedToFloatIsCloseToFloatCall) {
    for (float grain : {0.0f, 0.7f, 1.0f}) {
        const enginetest::Buffers<float> in = enginetest::musicLike<float>(12000, 9);
        const auto out32 = enginetest::render(*enginetest::makeEngine({1.0f, grain, 0.6f}), in);
        const auto out64 = enginetest::render(*enginetest::makeEngine({1.0f, grain, 0.6f}),
                                              enginetest::Buffers<double>{{in.left.begin(), in.left.end()},
                                                                          {in.right.begin(), in.right.end()}});
        int differing = 0;
        for (int i = 1; i < in.frames(); ++i) {
            for (auto [a, b] : {std::pair{&out32.left, &out64.left}, std::pair{&out32.right, &out64.right}}) {
                const double magnitude = std::max({std::abs((*b)[i]), std::abs((*b)[i - 1]), 0x1p-100});
                const double floatStep = std::ldexp(1.0, std::ilogb(magnitude) - 23);
                ASSERT_LE(std::abs((*a)[i] - double(float((*b)[i]))), 2 * floatStep) << "Grain " << grain << ", " << i;
                differing += (*a)[i] != float((*b)[i]);
            }
        }
        EXPECT_GT(differing, 0) << "the two calls should dither differently";
    }
}

}  // namespace
