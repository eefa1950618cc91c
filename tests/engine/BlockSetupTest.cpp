// Initial tables and the per-block values derived from the parameters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <tuple>

#include "engine/BlockSetup.h"
#include "tests/engine/EngineHarness.h"

namespace {

using namespace enginetest;

// The primes themselves show in the derived offsets below (taps 83 and 163).
TEST(InitialTables, PanGainsAndZeroedTails) {
    auto state = makeEngine();
    struct Row { const char* what; int tap; double panL, panR; };
    const Row rows[] = {
        {"tap 1 (11) is wholly right", 1, 0.0, 11.0},
        {"tap 2 (13) splits a quarter left", 2, 3.25, 9.75},
        {"tap 3 (17) splits three quarters left", 3, 12.75, 4.25},
        {"tap 4 (19) is wholly left", 4, 19.0, 0.0},
        {"tap 164 (997) splits three quarters left", 164, 747.75, 249.25},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(bitsOf(state->tapPanL[r.tap]), bitsOf(r.panL)) << r.what;
        EXPECT_EQ(bitsOf(state->tapPanR[r.tap]), bitsOf(r.panR)) << r.what;
    }
    // What construction leaves unset is zero, so no stray read finds garbage.
    auto zeros = [](const auto* from, const auto* to) { return std::count(from, to, 0) == to - from; };
    EXPECT_TRUE(zeros(state->tapBuffer + glowmarsh::kWrittenHistory, std::end(state->tapBuffer)));
    EXPECT_TRUE(zeros(state->primeTable + glowmarsh::kPrimeCount, std::end(state->primeTable)));
    for (const auto* table : {state->tapPanL, state->tapPanR}) EXPECT_TRUE(zeros(table + 165, table + 171));
    EXPECT_TRUE(zeros(state->tapOffset + 165, std::end(state->tapOffset)));
}

// The normalisers are written to the digit that names their float exactly.
TEST(BlockSetup, WorkedValuesForFiveParameterPairs) {
    const double third = 0.2702702667871647, fifth = 1 / 5.5;
    const double kWindows[][10] = {{third, third, third, 0.1891891996385059},
                                   {0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1},
                                   {1.0},
                                   {fifth, fifth, fifth, fifth, fifth, 0.5 / 5.5}};
    struct Row {
        const char* what;
        float sustain, grain;
        int tapCount;
        float spacing, wetNormaliser, windowTotal, lower, upper;
        int firstOffset, lastOffset, window;  // tapOffset[1], tapOffset[tapCount], row of kWindows
    };
    const Row rows[] = {
        {"defaults", 1.0f, 0.7f, 83, 41.518074f, 3024.6640625f, 3.7f, 456.69882f, 1456.6989f, 456, 18641, 0},
        {"Grain 0", 1.0f, 0.0f, 7, 470.57144f, 74.08103943f, 10.0f, 5176.2856f, 6176.2856f, 5176, 14587, 1},
        {"Grain 1", 1.0f, 1.0f, 163, 22.1227f, 8324.1787109375f, 1.0f, 243.3497f, 1243.3497f, 243, 21923, 2},
        {"Sustain 0", 0.0f, 0.7f, 83, 2.0f, 3024.6640625f, 3.7f, 22.0f, 1022.0f, 22, 898, 0},
        {"halves", 0.5f, 0.5f, 46, 19.826086f, 1247.94873046875f, 5.5f, 218.08694f, 1218.0869f, 218, 4540, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto state = makeEngine({r.sustain, r.grain, 0.2f});
        const glowmarsh::BlockValues b = glowmarsh::setUpBlock(*state);
        const float got[] = {b.spacing, b.wetNormaliser, b.windowTotal, b.scanLowerBound, b.scanUpperBound};
        const float want[] = {r.spacing, r.wetNormaliser, r.windowTotal, r.lower, r.upper};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(bitsOf(got[i]), bitsOf(want[i])) << "spacing, normaliser, T, bound " << i;
        EXPECT_EQ(std::tuple(b.tapCount, state->tapOffset[1], state->tapOffset[r.tapCount]),
                  std::tuple(r.tapCount, r.firstOffset, r.lastOffset));
        EXPECT_EQ(state->tapOffset[0], 1) << "tap 0 is never derived";
        for (int i = 0; i < 11; ++i) {
            EXPECT_EQ(bitsOf(state->smoothCoeff[i]), bitsOf(i < 10 ? kWindows[r.window][i] : 0.0)) << "weight " << i;
        }
    }
}

// Sustain or Grain outside 0..1 would index past the tables and the written
// history: the set-up reads them clamped (NaN as 0) for every derived value
// and leaves the stored values alone. Dry/Wet only scales the mix and is used as given.
TEST(BlockSetup, SustainAndGrainAreClampedAtReadNotAtStore) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Row { const char* what; Params given, actsAs; };
    const Row rows[] = {
        {"Grain just above 1 acts as 1 (would be 164 taps)", {1.0f, 1.004f}, {1.0f, 1.0f}},
        {"infinite Grain acts as 1", {1.0f, inf}, {1.0f, 1.0f}},
        {"negative Grain acts as 0, not as its square", {1.0f, -0.5f}, {1.0f, 0.0f}},
        {"NaN Grain acts as 0", {1.0f, nan}, {1.0f, 0.0f}},
        {"Sustain above 1 acts as 1", {1.01f, 1.0f}, {1.0f, 1.0f}},
        {"negative Sustain acts as 0", {-2.0f, 0.7f}, {0.0f, 0.7f}},
        {"NaN Sustain acts as 0", {nan, 0.7f}, {0.0f, 0.7f}},
    };
    for (const Row& r : rows) {
        auto given = makeEngine(r.given), clamped = makeEngine(r.actsAs);
        const glowmarsh::BlockValues got = glowmarsh::setUpBlock(*given), want = glowmarsh::setUpBlock(*clamped);
        EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << r.what;
        EXPECT_EQ(std::memcmp(given->tapOffset, clamped->tapOffset, sizeof given->tapOffset), 0) << r.what;
        EXPECT_EQ(std::memcmp(given->smoothCoeff, clamped->smoothCoeff, sizeof given->smoothCoeff), 0) << r.what;
        EXPECT_TRUE(bitsOf(given->grain.load()) == bitsOf(r.given.grain) &&
                    bitsOf(given->sustain.load()) == bitsOf(r.given.sustain))
            << r.what << ": stored value changed";
    }
    EXPECT_EQ(bitsOf(glowmarsh::deriveBlockValues(1.0f, 0.7f, 1.5f).dryGain), bitsOf(-0.5f)) << "Dry/Wet clamped";
}

// A call without frames is still a block: offsets and weights are derived
// again, and no buffer, history, counter or random draw is touched.
TEST(BlockSetup, EmptyOrNegativeFrameCountOnlyRederives) {
    for (int frames : {0, -1, std::numeric_limits<int>::min()}) {
        auto state = makeEngine();
        state->tapOffset[5] = 12345;
        state->smoothCoeff[9] = 99.0;
        state->writeIndex = 700;
        state->scanCounter = 7;
        float in[2] = {0.5f, 0.5f}, out[2] = {9.0f, 9.0f};
        float* inputs[] = {in, in + 1};
        float* outputs[] = {out, out + 1};
        std::srand(7);
        glowmarsh::processBlock(*state, inputs, outputs, frames);
        const int nextDraw = std::rand();
        std::srand(7);
        EXPECT_EQ(nextDraw, std::rand()) << frames << ": a random value was drawn";
        EXPECT_EQ(state->tapOffset[5], 954) << frames << ": tap 5 (23) at spacing 41.518074";
        EXPECT_EQ(state->smoothCoeff[9], 0.0) << frames;
        EXPECT_TRUE(state->writeIndex == 700 && state->scanCounter == 7 && out[0] == 9.0f && out[1] == 9.0f) << frames;
        // No buffers at all is fine too when there is nothing to process.
        glowmarsh::processBlock(*state, static_cast<double**>(nullptr), static_cast<double**>(nullptr), frames);
    }
}

}  // namespace
