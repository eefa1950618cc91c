// History ring, scan motion and the truncated tap sums.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/BlockSetup.h"
#include "engine/TapNetwork.h"
#include "engine/TapSum.h"
#include "tests/engine/EngineHarness.h"

namespace {

using namespace enginetest;
using glowmarsh::BlockValues;
using glowmarsh::ScanState;

TEST(HistoryRing, WritesBothCopiesAndCountsDown) {
    struct Row { const char* what; std::int32_t writeIndex; std::int32_t position; std::int32_t after; };
    const Row rows[] = {
        {"first frame writes 0 and 22050", 0, 0, -1},
        {"after position 0 the ring restarts at 22050", -1, 22050, 22049},
        {"top of the ring", 22050, 22050, 22049},
        {"middle of the ring", 100, 100, 99},
        {"a stray negative index restarts the ring", -7, 22050, 22049},
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

TEST(HistoryRing, FirstFramesOfAnEngine) {
    auto state = makeEngine();
    float in[] = {0.25f, 0.5f, 0.125f, 0.125f};  // two frames: left, right
    float out[4];
    for (int frame = 0; frame < 2; ++frame) {
        float* inputs[] = {in + 2 * frame, in + 2 * frame + 1};
        float* outputs[] = {out, out + 1};
        glowmarsh::processBlock(*state, inputs, outputs, 1);
        if (frame == 0) {
            EXPECT_EQ(state->tapBuffer[0], 0.75);
            EXPECT_EQ(state->tapBuffer[22050], 0.75);
            EXPECT_EQ(state->writeIndex, -1);
        }
    }
    EXPECT_EQ(state->tapBuffer[0], 0.75) << "position 0 keeps the first frame";
    EXPECT_EQ(state->tapBuffer[22050], 0.25) << "the second frame overwrites the copy of position 0";
    EXPECT_EQ(state->tapBuffer[44100], 0.25);
    EXPECT_EQ(state->writeIndex, 22049);
}

// One frame at a time, so every frame starts from the derived offsets and the
// right tap sum of each frame is left in lastSumR.
TEST(HistoryRing, WhenAnImpulseComesBack) {
    struct Row { const char* what; int impulseFrame; int heardAt; };
    const Row rows[] = {
        {"frame 1 writes position 0, never read, and its copy is overwritten by frame 2", 1, 0},
        {"position 22050: tap 1 (456) reads the first copy 455 frames later", 2, 457},
        {"position 10: tap 1 reads the second copy 456 frames later", 22042, 22498},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto state = makeEngine();
        int heardAt = 0;
        const int lastFrame = r.heardAt ? r.heardAt : 22100;
        for (int frame = 1; frame <= lastFrame && heardAt == 0; ++frame) {
            float left = frame == r.impulseFrame ? 0.5f : 0.0f;
            float right = left;
            float outL, outR;
            float* inputs[] = {&left, &right};
            float* outputs[] = {&outL, &outR};
            glowmarsh::processBlock(*state, inputs, outputs, 1);
            if (state->lastSumR != 0.0) {
                heardAt = frame;
                EXPECT_EQ(state->lastSumR, 11.0) << "tap 1 weighs 11, wholly right";
            }
        }
        EXPECT_EQ(heardAt, r.heardAt);
    }
}

// Scan steps every 41 frames at the defaults, counted across block
// boundaries; each block starts again from the derived offsets.
TEST(ScanMotion, StepsPerBlockAtDefaults) {
    struct Row { int block; int firstTap; int lastTap; };
    const Row rows[] = {{1, 2, 13}, {2, 14, 25}, {3, 26, 38}, {4, 39, 50}};
    auto state = makeEngine();
    auto reference = makeEngine();
    glowmarsh::setUpBlock(*reference);
    Buffers<float> silence{std::vector<float>(512), std::vector<float>(512)};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.block);
        render(*state, silence);
        for (int k = 1; k <= 164; ++k) {
            const int nudge = state->tapOffset[k] - reference->tapOffset[k];
            EXPECT_EQ(nudge, k >= r.firstTap && k <= r.lastTap ? 1 : 0) << "tap " << k;
        }
        EXPECT_EQ(state->scanTap, r.lastTap + 1);
        EXPECT_EQ(state->scanDirection, 1);
    }
}

TEST(ScanMotion, SingleSteps) {
    const BlockValues block = glowmarsh::deriveBlockValues(1.0f, 0.7f, 0.2f);  // 83 taps, bounds 456.7 / 1456.7
    auto derived = makeEngine();
    glowmarsh::deriveTapOffsets(*derived, block.spacing);
    const int any = -1;  // keep the derived offset
    struct Row {
        const char* what;
        ScanState before;
        int tap1Offset, aimedOffset;
        ScanState after;
        int aimedAfter;
        bool rederived;
    };
    const Row rows[] = {
        {"no step while the counter is within the spacing", {5, 1, 40}, any, any, {5, 1, 41}, any, false},
        {"a step nudges the aimed tap", {5, 1, 41}, any, 1000, {6, 1, 1}, 1001, false},
        {"a step going down", {5, -1, 41}, any, 1000, {6, -1, 1}, 999, false},
        {"the last tap wraps to tap 1", {83, 1, 41}, 456, 1000, {1, 1, 1}, 1001, false},
        {"tap 1 above the upper bound turns the motion down", {83, 1, 41}, 1457, 1000, {1, -1, 1}, 1001, false},
        {"tap 1 not above the upper bound keeps it up", {83, 1, 41}, 1456, 1000, {1, 1, 1}, 1001, false},
        {"tap 1 below the lower bound turns up and re-derives", {83, -1, 41}, 456, 1000, {1, 1, 1}, any, true},
        {"tap 1 not below the lower bound keeps it down", {83, -1, 41}, 457, 1000, {1, -1, 1}, 999, false},
        {"a nudge stops at the end of the written history", {5, 1, 41}, any, 22051, {6, 1, 1}, 22051, false},
        {"a tap left above a lowered count is nudged, then wraps", {100, 1, 41}, 456, 1000, {1, 1, 1}, 1001, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto state = makeEngine();
        glowmarsh::deriveTapOffsets(*state, block.spacing);
        const int aimed = r.before.tap;
        if (r.tap1Offset != any) state->tapOffset[1] = r.tap1Offset;
        if (r.aimedOffset != any) state->tapOffset[aimed] = r.aimedOffset;
        ScanState scan = r.before;
        glowmarsh::advanceScan(*state, scan, block);
        EXPECT_EQ(scan.tap, r.after.tap);
        EXPECT_EQ(scan.direction, r.after.direction);
        EXPECT_EQ(scan.counter, r.after.counter);
        EXPECT_EQ(state->tapOffset[aimed], r.aimedAfter == any ? derived->tapOffset[aimed] : r.aimedAfter);
        if (r.rederived) {
            for (int k = 1; k <= 164; ++k) {
                EXPECT_EQ(state->tapOffset[k], derived->tapOffset[k]) << "tap " << k;
            }
        }
    }
}

TEST(TapSum, TruncationOfWeightedValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    struct Row { const char* what; double x, panL, panR; std::int32_t left, right; };
    const Row rows[] = {
        {"2.9 truncates to 2, -2.9 to -2", 1.0, 2.9, -2.9, 2, -2},
        {"products inside (-1, 1) add nothing", 0.5, 1.98, -1.98, 0, 0},
        {"tiny guard noise adds nothing", 1.6e-15, 997.0, 0.0, 0, 0},
        {"NaN adds nothing", nan, 3.25, 9.75, 0, 0},
        {"NaN against a zero gain adds nothing", nan, 0.0, 11.0, 0, 0},
        {"infinity adds nothing", inf, 19.0, 0.0, 0, 0},
        {"beyond the int range saturates", 1e12, 1.0, -1.0, kMax, kMin},
        {"just inside the range", 2147483647.9, 1.0, -1.0, kMax, -kMax},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto state = makeEngine();
        state->tapOffset[1] = 50;
        state->tapPanL[1] = r.panL;
        state->tapPanR[1] = r.panR;
        state->tapBuffer[150] = r.x;
        const glowmarsh::TapSums sums = glowmarsh::sumTapsUnrolled(*state, 100, 1);
        EXPECT_EQ(sums.left, r.left);
        EXPECT_EQ(sums.right, r.right);
    }
}

TEST(TapSum, SumsWrapInsteadOfOverflowing) {
    auto state = makeEngine();
    state->tapOffset[1] = 50;
    state->tapOffset[2] = 51;
    state->tapBuffer[150] = 1e12;
    state->tapBuffer[151] = 1e12;
    state->tapPanL[1] = state->tapPanL[2] = 1.0;
    state->tapPanR[1] = state->tapPanR[2] = -1.0;
    const glowmarsh::TapSums sums = glowmarsh::sumTapsUnrolled(*state, 100, 2);
    EXPECT_EQ(sums.left, -2) << "2 * INT_MAX wraps to -2";
    EXPECT_EQ(sums.right, 0) << "2 * INT_MIN wraps to 0";
}

// Every count enters the unrolled run at its own tap: compared with a plain
// loop over the same taps, for every count from below 0 to above 164.
TEST(TapSum, EachCountSumsExactlyItsTaps) {
    auto state = makeEngine();
    glowmarsh::setUpBlock(*state);
    for (int i = 0; i < glowmarsh::kWrittenHistory; ++i) {
        state->tapBuffer[i] = 0.9 * std::sin(0.37 * i);
    }
    const std::int32_t readBase = 1000;
    for (int count = -3; count <= 171; ++count) {
        std::int64_t left = 0;
        std::int64_t right = 0;
        for (int k = 1; count <= 164 && k <= count; ++k) {
            const double x = state->tapBuffer[state->tapOffset[k] + readBase];
            left += static_cast<std::int32_t>(x * state->tapPanL[k]);
            right += static_cast<std::int32_t>(x * state->tapPanR[k]);
        }
        const glowmarsh::TapSums sums = glowmarsh::sumTapsUnrolled(*state, readBase, count);
        EXPECT_EQ(sums.left, left) << "count " << count;
        EXPECT_EQ(sums.right, right) << "count " << count;
    }
}

// At Sustain 1 and Grain 1 the far taps are nudged past the ring within a
// long enough block; reads must stay in the written history. The unwritten
// tail is poisoned so that any read of it would show as a huge output.
TEST(TapNetwork, TwoMillionFrameBlockStaysInsideTheHistory) {
    constexpr int kFrames = 2000000;
    auto state = makeEngine({1.0f, 1.0f, 0.2f});
    for (int i = glowmarsh::kWrittenHistory; i < glowmarsh::kHistorySize; ++i) {
        state->tapBuffer[i] = 1e9;
    }
    Buffers<float> in = toSamples<float>(testsignals::musicLike(kFrames, 11));
    const Buffers<float> out = render(*state, in, kFrames);
    float peak = 0.0f;
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << "frame " << i;
        peak = std::max({peak, std::abs(out.left[i]), std::abs(out.right[i])});
    }
    EXPECT_LT(peak, 4.0f);
    EXPECT_EQ(state->tapOffset[163], glowmarsh::kMaxTapOffset) << "the far taps reached the end of the history";
    for (int k = 1; k <= 163; ++k) {
        EXPECT_LE(state->tapOffset[k], glowmarsh::kMaxTapOffset) << "active tap " << k;
    }
}

}  // namespace
