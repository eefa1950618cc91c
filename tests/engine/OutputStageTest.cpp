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
        {"64-bit: half-way case stays at 0.75 with extended sums", false,
         {{0.75, 1073741824, 0.75, 0x1p-54L * (1.0L + 0x1p-31L)}}},
        {"32-bit: an exact zero has exponent 0", true, {{0.0, kRandMax, 0x1p-24, 0x1p-24L}}},
        {"64-bit: an exact zero has exponent 0", false, {{0.0, kRandMax, 0x1p-53, 0x1p-53L}}},
        {"32-bit: 1.0 has exponent 1", true, {{1.0, kRandMax, 1.0000001192092896, 0x1p-23L}}},
        {"32-bit: a NaN mix gives NaN and a finite memory", true, {{nan, kRandMax, nan, fullAtZero}, {0.5, 0, 0.5 - 0x1p-24, 0.0L}}},
        {"64-bit: an infinite mix gives infinity and a finite memory", false,
         {{inf, kRandMax, inf, fullAtZero * 0x1p-29L}, {0.5, 0, 0.5 - 0x1p-53, 0.0L}}},
        {"64-bit: a huge mix still gets one ulp, not an overflowed power", false,
         {{0x1p1000, kRandMax, 0x1p1000 + 0x1p948, 0x1p948L}}},
    };
    for (const DitherCase& c : cases) {
        SCOPED_TRACE(c.what);
        long double shape = 0.0L;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            const double output = c.floatCall ? glowmarsh::quantiseToFloat(s.mix, shape, s.random)
                                              : glowmarsh::quantiseToDouble(s.mix, shape, s.random);
            if (std::isnan(s.output)) {
                EXPECT_TRUE(std::isnan(output)) << "frame " << i;
            } else {
                EXPECT_EQ(bitsOf(output), bitsOf(s.output)) << "frame " << i << ": " << output;
            }
            EXPECT_EQ(shape, s.shapeAfter) << "frame " << i;
        }
    }
}

}  // namespace
