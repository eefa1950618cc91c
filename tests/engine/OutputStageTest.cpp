// Dither and rounding of the output stage, with the random draws supplied.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/OutputStage.h"
#include "tests/engine/EngineHarness.h"

namespace {

using enginetest::bitsOf;

constexpr std::int32_t kRandMax = 2147483647;

struct Step {
    double mix;
    std::int32_t random;
    double output;            // the float call's output, exactly representable as double
    long double shapeAfter;
};

struct DitherCase {
    const char* what;
    bool floatCall;
    std::vector<Step> steps;  // successive frames of one channel, starting with a zero memory
};

// The 64-bit call's sum 0.75 + 2^-54 + 2^-85 spans 85 bits. x87's 64-bit
// significand drops the last term and the rounding to double ties to even,
// 0.75; a long double that holds all 85 bits (ppc32's double-double) rounds
// up, the result of an exact sum.
constexpr double kHalfWayDoubleOutput = std::numeric_limits<long double>::digits >= 85 ? 0.75 + 0x1p-53 : 0.75;

TEST(OutputStage, DitherCases) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const long double fullAtZero = static_cast<long double>(std::ldexp(kRandMax / 1.6615349939574323e+35, 62));
    const DitherCase cases[] = {
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
        {"32-bit: a NaN mix gives NaN and a finite memory", true, {{nan, kRandMax, nan, fullAtZero}, {0.5, 0, 0.5 - 0x1p-24, 0.0L}}},
        {"64-bit: an infinite mix gives infinity and a finite memory", false,
         {{inf, kRandMax, inf, fullAtZero * 0x1p-29L}, {0.5, 0, 0.5 - 0x1p-53, 0.0L}}},
        {"64-bit: a huge mix still gets one ulp, not an overflowed power", false,
         {{0x1p1000, kRandMax, 0x1p1000 + 0x1p948, 0x1p948L}}},
    };
    for (const bool reference : {false, true}) {
        for (const DitherCase& c : cases) {
            SCOPED_TRACE(c.what);
            SCOPED_TRACE(reference ? "library exponent and power" : "exponent and power from the bits");
            long double shape = 0.0L;
            for (size_t i = 0; i < c.steps.size(); ++i) {
                const Step& s = c.steps[i];
                const double output =
                    c.floatCall ? (reference ? glowmarsh::quantiseToFloatReference(s.mix, shape, s.random)
                                             : glowmarsh::quantiseToFloat(s.mix, shape, s.random))
                                : (reference ? glowmarsh::quantiseToDoubleReference(s.mix, shape, s.random)
                                             : glowmarsh::quantiseToDouble(s.mix, shape, s.random));
                if (std::isnan(s.output)) {
                    EXPECT_TRUE(std::isnan(output)) << "frame " << i;
                } else {
                    EXPECT_EQ(bitsOf(output), bitsOf(s.output)) << "frame " << i << ": " << output;
                }
                EXPECT_EQ(shape, s.shapeAfter) << "frame " << i;
            }
        }
    }
}

// The exponent read from the bits against frexp, over every exponent of both
// formats (normal values at both ends of their binade, every subnormal
// leading-bit position), zeros, and the non-finite values frexp leaves open.
TEST(OutputStage, ExponentFromTheBitsMatchesFrexp) {
    auto frexpOf = [](auto value) {
        int e = 0;
        const auto fraction = std::frexp(value, &e);
        return std::isfinite(fraction) ? e : 0;
    };
    std::vector<double> doubles = {0.0, -0.0, 0.75, 1.0, std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
    for (int e = -1074; e <= 1023; ++e) {
        const double power = std::ldexp(1.0, e);
        doubles.insert(doubles.end(), {power, -power, std::nextafter(power, 0.0), power * 1.75});
    }
    doubles.push_back(std::numeric_limits<double>::max());
    for (const double value : doubles) {
        EXPECT_EQ(glowmarsh::binaryExponent(value), frexpOf(value)) << value;
    }
    std::vector<float> floats = {0.0f, -0.0f, std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN()};
    for (int e = -149; e <= 127; ++e) {
        const float power = std::ldexp(1.0f, e);
        floats.insert(floats.end(), {power, -power, std::nextafter(power, 0.0f), power * 1.5f});
    }
    floats.push_back(std::numeric_limits<float>::max());
    for (const float value : floats) {
        EXPECT_EQ(glowmarsh::binaryExponent(value), frexpOf(value)) << value;
    }
}

// r / divisor * 2^power with the power built from the bits, against ldexp:
// every power the two calls can ask for, including results that fall
// subnormal (tiny mixes) and powers past the double range (huge mixes).
TEST(OutputStage, DitherPowerMatchesLdexp) {
    const std::int32_t draws[] = {0, 1, 2, 3, 12345, 1073741824, 1073741825, 2147483646, kRandMax};
    for (int power = -1011; power <= 1086; ++power) {
        for (const std::int32_t r : draws) {
            const double expected = std::ldexp(static_cast<double>(r) / glowmarsh::dither::kDivisor, power);
            ASSERT_EQ(bitsOf(glowmarsh::dither::scaled(r, power)), bitsOf(expected)) << "2^" << power << ", r " << r;
        }
    }
}

}  // namespace
