// Smoothing of the tap-sum changes and the wet/dry mix.
#include <gtest/gtest.h>

#include <vector>

#include "engine/BlockSetup.h"
#include "engine/WetMix.h"
#include "tests/engine/EngineHarness.h"

namespace {

using enginetest::bitsOf;

struct Channel {
    double lastSum = 0.0;
    double history[11] = {};
    glowmarsh::WetChannel view() { return {lastSum, history}; }
};

struct SmoothingCase {
    const char* what;
    float windowTotal, wetNormaliser;
    std::vector<std::int32_t> tapSums;
    std::vector<double> wet;
};

TEST(WetSmoothing, WorkedSequences) {
    const float defaultNorm = 3024.6640625f;
    const float grainOneNorm = 8324.1787109375f;
    const SmoothingCase cases[] = {
        {"default grain: a step to 3700 spreads over four frames", 3.7f, defaultNorm,
         {3700, 3700, 3700, 3700, 3700, 3700, 3700, 3700, 3700, 3700, 3700, 3700},
         {2.777167918957942, 1.5538915737026582, 1.5538915737026582, 1.454707025347598, 1.223276345255284,
          1.223276345255284, 1.223276345255284, 1.223276345255284, 1.223276345255284, 1.223276345255284,
          1.223276345255284, 1.223276345255284}},
        {"grain 1: a step to 1000 counts three times in its frame", 1.0f, grainOneNorm,
         {1000, 1000, 1000},
         {0.36039591462136317, 0.12013197154045438, 0.12013197154045438}},
        {"grain 1: alternating 0 and 1000", 1.0f, grainOneNorm,
         {1000, 0, 1000, 0},
         {3000.0 / grainOneNorm, -2000.0 / grainOneNorm, 3000.0 / grainOneNorm, -2000.0 / grainOneNorm}},
        {"grain 1: a change beyond 2^24 is rounded to float in history and t, not in d", 1.0f, grainOneNorm,
         {16777217},
         {(33554432.0 + 16777217.0) / grainOneNorm}},
        {"a steady zero sum gives no wet signal", 3.7f, defaultNorm, {0, 0, 0}, {0.0, 0.0, 0.0}},
    };
    for (const SmoothingCase& c : cases) {
        SCOPED_TRACE(c.what);
        double coeff[11];
        glowmarsh::fillSmoothingWindow(c.windowTotal, coeff);
        Channel channel;
        for (size_t frame = 0; frame < c.tapSums.size(); ++frame) {
            const double wet = glowmarsh::smoothWet(c.tapSums[frame], channel.view(), coeff, c.wetNormaliser);
            EXPECT_EQ(bitsOf(wet), bitsOf(c.wet[frame])) << "frame " << frame + 1 << ": " << wet;
        }
        EXPECT_EQ(channel.history[10], 0.0) << "entry 10 is not part of the window";
    }
}

TEST(WetMix, GainsAtTheEnds) {
    struct Row { const char* what; float dryWet; double wet, dry, mix; };
    const Row rows[] = {
        {"dry/wet 0 passes the guarded input exactly", 0.0f, 1.2345, 0.3, 0.3},
        {"dry/wet 1 passes the wet signal exactly", 1.0f, 1.2345, 0.3, 1.2345},
        {"dry/wet 1 with negative input", 1.0f, 1.2345, -0.3, 1.2345},
        {"the wet product is fused into the sum", 0.2f, 0.1, 0.3, std::fma(double(0.2f), 0.1, 0.3 * double(0.8f))},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const glowmarsh::BlockValues block = glowmarsh::deriveBlockValues(1.0f, 0.7f, r.dryWet);
        EXPECT_EQ(bitsOf(glowmarsh::mixChannel(r.wet, r.dry, block)), bitsOf(r.mix));
    }
}

}  // namespace
