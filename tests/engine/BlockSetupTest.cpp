// Initial tables and the per-block values derived from the parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/BlockSetup.h"
#include "tests/engine/EngineHarness.h"

namespace {

using glowmarsh::BlockValues;
using namespace enginetest;

TEST(InitialTables, PrimeLandmarksAndPanGains) {
    auto state = makeEngine();
    struct Row { const char* what; int index; int prime; double panL, panR; };
    const Row rows[] = {
        {"entry 0 is 1", 0, 1, 0.0, 1.0},
        {"tap 1 is 11, wholly right", 1, 11, 0.0, 11.0},
        {"tap 2 (13) splits a quarter left", 2, 13, 3.25, 9.75},
        {"tap 3 (17) splits three quarters left", 3, 17, 12.75, 4.25},
        {"tap 4 (19) is wholly left", 4, 19, 19.0, 0.0},
        {"tap 7 is 31", 7, 31, 0.0, 31.0},
        {"tap 83 is 449, wholly left", 83, 449, 449.0, 0.0},
        {"tap 162 is 983", 162, 983, 245.75, 737.25},
        {"tap 163 is 991", 163, 991, 0.0, 991.0},
        {"tap 164 is 997", 164, 997, 747.75, 249.25},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(state->primeTable[r.index], r.prime);
        EXPECT_EQ(state->tapOffset[r.index], r.prime);
        EXPECT_EQ(bitsOf(state->tapPanL[r.index]), bitsOf(r.panL));
        EXPECT_EQ(bitsOf(state->tapPanR[r.index]), bitsOf(r.panR));
    }
    EXPECT_EQ(state->primeTable[165], 998);
    EXPECT_EQ(state->primeTable[166], 999);
    for (int i = 2; i < 164; ++i) {
        EXPECT_LT(state->primeTable[i], state->primeTable[i + 1]) << "table not ascending at " << i;
    }
}

TEST(InitialTables, EverythingElseStartsAtRestAndZeroed) {
    auto state = makeEngine();
    for (int i = 0; i < glowmarsh::kHistorySize; ++i) {
        ASSERT_EQ(bitsOf(state->tapBuffer[i]), 0u) << "history entry " << i;
    }
    for (int i = 167; i < glowmarsh::kTableSize; ++i) {
        EXPECT_EQ(state->primeTable[i], 0) << "unset prime entry " << i;
    }
    for (int i = 165; i < glowmarsh::kTableSize; ++i) {
        EXPECT_EQ(state->tapOffset[i], 0) << "unset offset " << i;
        EXPECT_EQ(state->tapPanL[i], 0.0) << "unset gain " << i;
    }
    EXPECT_EQ(state->writeIndex, 0);
    EXPECT_EQ(state->scanTap, 2);
    EXPECT_EQ(state->scanDirection, 1);
    EXPECT_EQ(state->scanCounter, 1);
    EXPECT_EQ(state->ditherShapeL, 0.0L);
    EXPECT_EQ(state->grain.load(), 0.7f);
}

struct SetupRow {
    const char* what;
    float sustain, grain;
    int tapCount;
    float spacing, wetNormaliser, windowTotal, lower, upper;
    int firstOffset, lastOffset;  // tapOffset[1] and tapOffset[tapCount]
};

// The normalisers are written to the digit that names their float exactly.
TEST(BlockSetup, WorkedValuesForFiveParameterPairs) {
    const SetupRow rows[] = {
        {"defaults", 1.0f, 0.7f, 83, 41.518074f, 3024.6640625f, 3.7f, 456.69882f, 1456.6989f, 456, 18641},
        {"fewest taps, widest spacing", 1.0f, 0.0f, 7, 470.57144f, 74.08103943f, 10.0f, 5176.2856f, 6176.2856f, 5176, 14587},
        {"most taps, longest offset", 1.0f, 1.0f, 163, 22.1227f, 8324.1787109375f, 1.0f, 243.3497f, 1243.3497f, 243, 21923},
        {"no sustain gives spacing 2", 0.0f, 0.7f, 83, 2.0f, 3024.6640625f, 3.7f, 22.0f, 1022.0f, 22, 898},
        {"half and half", 0.5f, 0.5f, 46, 19.826086f, 1247.94873046875f, 5.5f, 218.08694f, 1218.0869f, 218, 4540},
    };
    for (const SetupRow& r : rows) {
        SCOPED_TRACE(r.what);
        auto state = makeEngine({r.sustain, r.grain, 0.2f});
        const BlockValues b = glowmarsh::setUpBlock(*state);
        EXPECT_EQ(b.tapCount, r.tapCount);
        EXPECT_EQ(bitsOf(b.spacing), bitsOf(r.spacing));
        EXPECT_EQ(bitsOf(b.wetNormaliser), bitsOf(r.wetNormaliser));
        EXPECT_EQ(bitsOf(b.windowTotal), bitsOf(r.windowTotal));
        EXPECT_EQ(bitsOf(b.scanLowerBound), bitsOf(r.lower));
        EXPECT_EQ(bitsOf(b.scanUpperBound), bitsOf(r.upper));
        EXPECT_EQ(state->tapOffset[1], r.firstOffset);
        EXPECT_EQ(state->tapOffset[r.tapCount], r.lastOffset);
        EXPECT_EQ(state->tapOffset[0], 1) << "tap 0 is never derived";
    }
}

TEST(BlockSetup, WindowWeights) {
    struct Row { const char* what; float total; double weights[10]; };
    const double third = 0.2702702667871647;
    const Row rows[] = {
        {"default grain: three whole weights and 0.7", 3.7f, {third, third, third, 0.1891891996385059}},
        {"grain 0: ten equal weights", 10.0f, {0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1}},
        {"grain 1: a single weight", 1.0f, {1.0}},
        {"half grain", 5.5f, {1 / 5.5, 1 / 5.5, 1 / 5.5, 1 / 5.5, 1 / 5.5, 0.5 / 5.5}},
        {"a total below 1 fills unclamped, divides by 1", 0.5f, {0.5}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        double coeff[11];
        coeff[10] = 42.0;
        glowmarsh::fillSmoothingWindow(r.total, coeff);
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(bitsOf(coeff[i]), bitsOf(r.weights[i])) << "weight " << i;
        }
        EXPECT_EQ(coeff[10], 42.0) << "entry 10 is not part of the window";
    }
}

TEST(BlockSetup, MixGainsUseDryWetAsGiven) {
    struct Row { const char* what; float dryWet, wetGain, dryGain; };
    const Row rows[] = {
        {"default", 0.2f, 0.2f, 0.8f},
        {"dry only", 0.0f, 0.0f, 1.0f},
        {"wet only", 1.0f, 1.0f, 0.0f},
        {"out of range is not clamped", 1.5f, 1.5f, -0.5f},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const BlockValues b = glowmarsh::deriveBlockValues(1.0f, 0.7f, r.dryWet);
        EXPECT_EQ(bitsOf(b.wetGain), bitsOf(r.wetGain));
        EXPECT_EQ(bitsOf(b.dryGain), bitsOf(r.dryGain));
    }
}

// Out-of-range Sustain and Grain would index past the tables and the written
// history; the set-up reads them clamped and leaves the stored values alone.
TEST(BlockSetup, SustainAndGrainAreClampedAtReadNotAtStore) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Row { const char* what; float sustain, grain; int tapCount; float spacing; };
    const Row rows[] = {
        {"grain above 1 acts as 1", 1.0f, 1.5f, 163, 22.1227f},
        {"grain just above 1 acts as 1 (would be 164 taps)", 1.0f, 1.004f, 163, 22.1227f},
        {"infinite grain acts as 1", 1.0f, inf, 163, 22.1227f},
        {"negative grain acts as 0", 1.0f, -0.5f, 7, 470.57144f},
        {"NaN grain acts as 0", 1.0f, nan, 7, 470.57144f},
        {"sustain above 1 acts as 1", 1.01f, 1.0f, 163, 22.1227f},
        {"NaN sustain acts as 0", nan, 0.7f, 83, 2.0f},
        {"negative sustain acts as 0", -1.0f, 0.7f, 83, 2.0f},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto state = makeEngine({r.sustain, r.grain, 0.2f});
        const BlockValues b = glowmarsh::setUpBlock(*state);
        EXPECT_EQ(b.tapCount, r.tapCount);
        EXPECT_EQ(bitsOf(b.spacing), bitsOf(r.spacing));
        EXPECT_EQ(bitsOf(state->grain.load()), bitsOf(r.grain)) << "stored grain changed";
        EXPECT_EQ(bitsOf(state->sustain.load()), bitsOf(r.sustain)) << "stored sustain changed";
    }
}

// A call without frames is still a block: offsets and weights are derived
// again, and no buffer, history, counter or random draw is touched.
TEST(BlockSetup, EmptyOrNegativeFrameCountOnlyRederives) {
    for (int frames : {0, -1, -512, std::numeric_limits<int>::min()}) {
        SCOPED_TRACE(frames);
        auto state = makeEngine();
        state->tapOffset[5] = 12345;
        state->smoothCoeff[9] = 99.0;
        state->writeIndex = 700;
        state->scanCounter = 7;
        float in[4] = {0.5f, 0.5f, 0.5f, 0.5f};
        float out[4] = {9.0f, 9.0f, 9.0f, 9.0f};
        float* inputs[] = {in, in + 2};
        float* outputs[] = {out, out + 2};
        std::srand(7);
        glowmarsh::processBlock(*state, inputs, outputs, frames);
        const int nextDraw = std::rand();
        std::srand(7);
        EXPECT_EQ(nextDraw, std::rand()) << "a random value was drawn";
        EXPECT_EQ(state->tapOffset[5], static_cast<int>(23 * 41.518074f));
        EXPECT_EQ(state->smoothCoeff[9], 0.0);
        EXPECT_EQ(state->writeIndex, 700);
        EXPECT_EQ(state->scanCounter, 7);
        for (float v : out) {
            EXPECT_EQ(v, 9.0f);
        }
        // No buffers at all is fine too when there is nothing to process.
        glowmarsh::processBlock(*state, static_cast<double**>(nullptr), static_cast<double**>(nullptr), frames);
    }
}

}  // namespace
