// History ring, scan motion and the truncated tap sums.
#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "engine/BlockSetup.h"
#include "engine/TapNetwork.h"
#include "engine/TapSum.h"
#include "tests/engine/EngineHarness.h"

namespace {

using namespace enginetest;
using glowmarsh::ScanState;

TEST(HistoryRing, WritesBothCopiesAndCountsDown) {
    struct Row { const char* what; std::int32_t writeIndex, position, after; };
    const Row rows[] = {
        {"first frame writes 0 and 22050", 0, 0, -1},
        {"after position 0 the ring restarts at 22050", -1, 22050, 22049},
        {"middle of the ring", 100, 100, 99},
        {"an index past the ring restarts it", 22051, 22050, 22049},
        {"the most negative index restarts it", std::numeric_limits<std::int32_t>::min(), 22050, 22049},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto state = makeEngine();
        std::int32_t writeIndex = r.writeIndex;
        EXPECT_EQ(glowmarsh::writeHistory(*state, writeIndex, 0.75), r.after);
        EXPECT_EQ(writeIndex, r.after);
        EXPECT_EQ(state->tapBuffer[r.position], 0.75);
        EXPECT_EQ(state->tapBuffer[r.position + 22050], 0.75);
    }
}

// One frame per call, so every frame reads the derived offsets; the right
// tap sum of each frame is left in lastSumR.
TEST(HistoryRing, WhenAnImpulseComesBack) {
    struct Row { const char* what; int impulseFrame, heardAt; };
    const Row rows[] = {
        {"frame 1 writes position 0, never read: frame 2 overwrites its copy", 1, 0},
        {"position 22050: tap 1 (456) reads the first copy 455 frames later", 2, 457},
        {"position 10: tap 1 reads the second copy 456 frames later", 22042, 22498},
    };
    for (const Row& r : rows) {
        auto state = makeEngine();
        int heardAt = 0;
        for (int frame = 1; frame <= 22500 && heardAt == 0; ++frame) {
            processFrame(*state, frame == r.impulseFrame ? 0.5f : 0.0f, frame == r.impulseFrame ? 0.5f : 0.0f);
            if (state->lastSumR != 0.0) heardAt = frame;
        }
        EXPECT_EQ(heardAt, r.heardAt) << r.what;
        EXPECT_EQ(state->lastSumR, heardAt ? 11.0 : 0.0) << "tap 1 weighs 11, wholly right";
    }
}

// Twelve or thirteen steps per 512 frames at the defaults (one every 41,
// counted across block boundaries); each block starts from the derived offsets.
TEST(ScanMotion, StepsPerBlockAtDefaults) {
    struct Row { int block, firstTap, lastTap; };
    const Row rows[] = {{1, 2, 13}, {2, 14, 25}, {3, 26, 38}, {4, 39, 50}};
    auto state = makeEngine();
    auto derived = makeEngine();
    glowmarsh::setUpBlock(*derived);
    const Buffers<float> silence{std::vector<float>(512), std::vector<float>(512)};
    for (const Row& r : rows) {
        render(*state, silence);
        for (int k = 1; k <= 164; ++k) {
            const int nudge = state->tapOffset[k] - derived->tapOffset[k];
            EXPECT_EQ(nudge, k >= r.firstTap && k <= r.lastTap ? 1 : 0) << "block " << r.block << ", tap " << k;
        }
        EXPECT_EQ(state->scanTap, r.lastTap + 1) << "block " << r.block;
    }
}

TEST(ScanMotion, SingleSteps) {
    // 83 taps, spacing 41.5, bounds 456.7 and 1456.7; taps 1, 5 and 83 derived at 456, 954 and 18641
    const glowmarsh::BlockValues block = glowmarsh::deriveBlockValues(1.0f, 0.7f, 0.2f);
    struct Row { const char* what; ScanState before; int tap1Offset, aimedOffset; ScanState after; int aimedAfter; };
    const Row rows[] = {
        {"no step while the counter is within the spacing", {5, 1, 40}, 456, 954, {5, 1, 41}, 954},
        {"a step nudges the aimed tap", {5, 1, 41}, 456, 1000, {6, 1, 1}, 1001},
        {"a step going down", {5, -1, 41}, 456, 1000, {6, -1, 1}, 999},
        {"tap 1 not above the upper bound keeps the motion up", {83, 1, 41}, 1456, 1000, {1, 1, 1}, 1001},
        {"tap 1 above the upper bound turns the motion down", {83, 1, 41}, 1457, 1000, {1, -1, 1}, 1001},
        {"tap 1 not below the lower bound keeps it down", {83, -1, 41}, 457, 1000, {1, -1, 1}, 999},
        {"tap 1 below the lower bound turns up and re-derives", {83, -1, 41}, 456, 1000, {1, 1, 1}, 18641},
        {"a nudge stops at the end of the written history", {5, 1, 41}, 456, 22051, {6, 1, 1}, 22051},
        {"a tap left above a lowered count is nudged, then wraps", {100, 1, 41}, 456, 1000, {1, 1, 1}, 1001},
    };
    for (const Row& r : rows) {
        auto state = makeEngine();
        glowmarsh::deriveTapOffsets(*state, block.spacing);
        state->tapOffset[1] = r.tap1Offset;
        state->tapOffset[r.before.tap] = r.aimedOffset;
        ScanState scan = r.before;
        glowmarsh::advanceScan(*state, scan, block);
        EXPECT_EQ(std::tie(scan.tap, scan.direction, scan.counter, state->tapOffset[r.before.tap]),
                  std::tie(r.after.tap, r.after.direction, r.after.counter, r.aimedAfter))
            << r.what;
    }
}

// Each weighted tap value is truncated before it is summed; what C++ leaves
// undefined (NaN, infinities, the int range, overflow of the sum) is defined.
TEST(TapSum, TruncationOfWeightedValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const std::int32_t kMax = std::numeric_limits<std::int32_t>::max(), kMin = std::numeric_limits<std::int32_t>::min();
    struct Row { const char* what; int taps; double x, panL, panR; std::int32_t left, right; };
    const Row rows[] = {
        {"2.9 truncates to 2, -2.9 to -2", 1, 1.0, 2.9, -2.9, 2, -2},
        {"products inside (-1, 1) add nothing", 1, 0.5, 1.98, -1.98, 0, 0},
        {"tiny guard noise adds nothing", 1, 1.6e-15, 997.0, 0.0, 0, 0},
        {"NaN adds nothing, also against a zero gain", 1, nan, 0.0, 9.75, 0, 0},
        {"infinity adds nothing", 1, -inf, 19.0, 0.0, 0, 0},
        {"beyond the int range saturates", 1, 1e12, 1.0, -1.0, kMax, kMin},
        {"just inside the range truncates", 1, 2147483647.9, 1.0, -1.0, kMax, -kMax},
        {"sums wrap: 2 * INT_MAX is -2, 2 * INT_MIN is 0", 2, 1e12, 1.0, -1.0, -2, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto state = makeEngine();
        for (int k = 1; k <= r.taps; ++k) {
            state->tapOffset[k] = 49 + k;
            state->tapPanL[k] = r.panL;
            state->tapPanR[k] = r.panR;
            state->tapBuffer[149 + k] = r.x;
        }
        const glowmarsh::TapSums sums = glowmarsh::sumTapsUnrolled(*state, 100, r.taps);
        EXPECT_EQ(sums.left, r.left);
        EXPECT_EQ(sums.right, r.right);
    }
}

}  // namespace
