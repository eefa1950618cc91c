// The production frame loop. It produces the bits of the reference loop
// (ReferenceEngine.cpp), frame for frame, but orders the work differently,
// a stretch of frames at a time:
//
// - Input guard for the whole stretch (every input of the stretch is read
//   before any of its outputs is written, so processing in place stays safe).
// - Tap sums of a run of frames formed together by a vector kernel
//   (Kernels.h). A run is a stretch of frames whose history can be written
//   ahead of their tap sums: it ends at the ring wrap (where positions stop
//   being consecutive) and before any frame whose write a tap of an earlier
//   frame of the run would read (a tap of offset o reads the second copy that
//   the frame 22051 - o frames later writes). Values that earlier frames of
//   the run wrote are there before any tap reads, as in the reference. A run
//   also ends before the next scan step (which moves an offset), unless the
//   history it reads is quiet (TapNudge): then the vector kernel needs no
//   range check, and a step inside the run is a correction of the frames
//   before it.
// - Smoothing, mix and output stage. The guard's counters and rand() are
//   drawn in the reference's order: each channel's counter frame by frame (the
//   two are independent), and rand() left then right per frame, all draws of
//   the stretch before its output stage, so that loop calls nothing.
#include "engine/Engine.h"

#include <algorithm>

#include "engine/BlockSetup.h"
#include "engine/ExtendedPrecision.h"
#include "engine/DitherRandom.h"
#include "engine/Kernels.h"
#include "engine/SamplePath.h"
#include "engine/TapNetwork.h"
#include "engine/TapPlan.h"
#include "engine/TapSum.h"

namespace glowmarsh {

namespace {

// Frames whose history may be written before their tap sums are formed, with
// no tap offset above maxOffset: offset o reads the position that the frame
// 22051 - o frames later overwrites (an offset of 22051 reads its own frame's
// value, which is safe, but is not told apart here).
std::int32_t framesBeforeOverwrite(std::int32_t maxOffset) {
    return maxOffset >= kMaxTapOffset ? 1 : kMaxTapOffset - maxOffset;
}

// The smallest counter value above spacing: the counter at which a step is made.
std::int32_t stepCounter(float spacing) {
    return spacing < 0x1p30f ? static_cast<std::int32_t>(spacing) + 1 : 0x40000000;
}

// Frames from the one whose scan motion left the counter at `counter` up to,
// not including, the next frame that makes a step (at least 1). Counts below
// 2^24 convert to float exactly, so the comparison with spacing is the
// reference's; a counter at or above the step counter steps next frame.
std::int32_t framesToStep(std::int32_t counter, std::int32_t stepAt) {
    return counter >= stepAt ? 1
                             : static_cast<std::int32_t>(std::min<std::int64_t>(
                                   static_cast<std::int64_t>(stepAt) - counter, 0x40000000));
}

// The plan costs about as much as four frames of tap sums save over the
// unrolled sum; shorter blocks sum their taps frame by frame.
constexpr std::int32_t kPlannedBlockFrames = 4;

// Runs span scan steps only when steps are at least this many frames apart:
// each correction costs about one tap for the frames before its step.
constexpr std::int32_t kMinStepGap = 16;
constexpr std::int32_t kMaxNudges = kStretchFrames / kMinStepGap + 1;

// What the tap network carries through a block.
struct TapRunner {
    EngineState& state;
    const BlockValues& block;
    const Kernels& kernels;
    const TapPlan& plan;
    bool planned;
    bool quietPlan;           // the plan's gains allow the quiet kernel
    std::int32_t stepAt;      // counter value at which a step is made
    std::int32_t maxOffset;   // longest active offset so far; nudges only raise it
    std::int32_t writeIndex;
    ScanState scan;

    // The steps of frames 1 to limit - 1 of a quiet run, made here as the
    // reference makes them, each recorded as a nudge; answers the run's
    // length. Stops before a step that ends a sweep (its wrap may re-derive
    // every offset) or that would move an offset beyond the run's limit.
    std::int32_t quietRun(std::int32_t limit, TapNudge* nudges, std::int32_t& nudgeCount) {
        std::int32_t n = framesToStep(scan.counter, stepAt);
        std::int32_t lastStep = -1;
        nudgeCount = 0;
        while (n < limit && scan.tap + 1 <= block.tapCount) {
            const std::int32_t tap = scan.tap;
            const std::int32_t before = state.tapOffset[tap];
            const std::int32_t after = nudgedOffset(before, scan.direction);
            const bool active = tap >= 1 && tap <= plan.taps;
            const std::int32_t longest = active && after > maxOffset ? after : maxOffset;
            if (framesBeforeOverwrite(longest) <= n) {
                break;
            }
            state.tapOffset[tap] = after;
            ++scan.tap;
            lastStep = n;
            if (active && after != before) {
                nudges[nudgeCount++] = {n, before, after, state.tapPanL[tap], state.tapPanR[tap]};
            }
            maxOffset = longest;
            limit = std::min(limit, framesBeforeOverwrite(maxOffset));
            n += stepAt - 1;
        }
        n = std::min(n, limit);
        scan.counter = lastStep < 0 ? scan.counter + n - 1 : n - lastStep;
        return n;
    }

    // Tap sums for frames 0 to frames - 1 of a stretch whose history values
    // are in mono. Runs from frame quietFrom (whose history holds no loud value
    // from before the stretch) up to loudAt (the stretch's first loud value)
    // read quiet history only.
    void stretch(const double* mono, std::int32_t frames, std::int32_t quietFrom, std::int32_t loudAt,
                 std::int32_t* sumL, std::int32_t* sumR) {
        TapNudge nudges[kMaxNudges];
        for (std::int32_t f = 0; f < frames;) {
            // The run's first frame: ring position and scan motion as in the reference.
            if (static_cast<std::uint32_t>(writeIndex) > static_cast<std::uint32_t>(kRingTop)) {
                writeIndex = kRingTop;
            }
            const std::int32_t aimed = scan.tap;
            advanceScan(state, scan, block);
            if (aimed >= 1 && aimed <= plan.taps && state.tapOffset[aimed] > maxOffset) {
                maxOffset = state.tapOffset[aimed];
            }
            const std::int32_t position = writeIndex;
            std::int32_t limit = std::min({frames - f, position + 1, framesBeforeOverwrite(maxOffset)});
            const bool quiet = quietPlan && f >= quietFrom && f < loudAt;
            std::int32_t n;
            std::int32_t nudgeCount = 0;
            if (quiet) {
                n = quietRun(std::min(limit, loudAt - f), nudges, nudgeCount);
            } else {
                // The run ends before the next frame that makes a scan step.
                n = std::min(limit, framesToStep(scan.counter, stepAt));
                scan.counter += n - 1;
            }
            double* const first = state.tapBuffer + position;
            for (std::int32_t i = 0; i < n; ++i) {
                first[-i] = mono[f + i];
                first[kRingLength - i] = mono[f + i];
            }
            writeIndex = position - n;
            if (quiet) {
                kernels.sumQuietRun(plan, state.tapOffset, state.tapBuffer, writeIndex, n, nudges, nudgeCount,
                                    sumL + f, sumR + f);
            } else if (planned) {
                kernels.sumTapRun(plan, state.tapOffset, state.tapBuffer, writeIndex, n, sumL + f, sumR + f);
            } else {
                const TapSums sums = sumTapsUnrolled(state, writeIndex, block.tapCount);
                sumL[f] = sums.left;
                sumR[f] = sums.right;
            }
            f += n;
        }
    }
};

template <typename Sample>
void runBlock(EngineState& state, Sample** inputs, Sample** outputs, std::int32_t frames, const Kernels& kernels) {
    const BlockValues block = setUpBlock(state);
    if (frames <= 0) {
        return;
    }
    const ExtendedPrecisionScope extended;  // the dither sums need long double's full width
    const Sample* inL = inputs[0];
    const Sample* inR = inputs[1];
    Sample* outL = outputs[0];
    Sample* outR = outputs[1];
    NoiseCounters& noise = SamplePath<Sample>::noise();

    const bool planned = frames >= kPlannedBlockFrames;
    TapPlan plan;
    if (planned) {
        buildTapPlan(state, block.tapCount, plan);
    } else {
        plan.taps = 0;
        plan.maxOffset = kMaxTapOffset;  // runs of one frame
        plan.safeMagnitude = 0.0;
    }
    const std::int32_t stepAt = stepCounter(block.spacing);
    TapRunner taps{state,
                   block,
                   kernels,
                   plan,
                   planned,
                   planned && kernels.sumQuietRun != nullptr && plan.safeMagnitude >= kQuietMagnitude &&
                       stepAt - 1 >= kMinStepGap,
                   stepAt,
                   plan.maxOffset,
                   state.writeIndex,
                   {state.scanTap, state.scanDirection, state.scanCounter}};

    double dryL[kStretchFrames + kStretchPad];
    double dryR[kStretchFrames + kStretchPad];
    double mono[kStretchFrames];
    std::int32_t sumL[kStretchFrames];
    std::int32_t sumR[kStretchFrames];
    double mixL[kStretchFrames + kStretchPad];
    double mixR[kStretchFrames + kStretchPad];
    std::int32_t drawL[kStretchFrames + kStretchPad];
    std::int32_t drawR[kStretchFrames + kStretchPad];
    const std::int32_t weightCount = smoothingWeightsInUse(state.smoothCoeff);
    SmoothJob smoothL{sumL, dryL, mixL, 0, &state.lastSumL, state.wetHistoryL, state.smoothCoeff, weightCount,
                      block.wetNormaliser, block.wetGain, block.dryGain};
    SmoothJob smoothR{sumR, dryR, mixR, 0, &state.lastSumR, state.wetHistoryR, state.smoothCoeff, weightCount,
                      block.wetNormaliser, block.wetGain, block.dryGain};

    std::int32_t quietFrames = state.quietFrames;
    long double ditherShapeL = state.ditherShapeL;
    long double ditherShapeR = state.ditherShapeR;

    for (std::int32_t done = 0; done < frames;) {
        const std::int32_t stretch = frames - done < kStretchFrames ? frames - done : kStretchFrames;
        const Loudness loudness =
            SamplePath<Sample>::guard(kernels, {inL + done, inR + done, stretch, &noise, dryL, dryR, mono});
        // Every value a tap can read is younger than kMaxTapOffset frames.
        const std::int32_t quietFrom =
            quietFrames >= kMaxTapOffset ? 0 : std::min(kMaxTapOffset - quietFrames, stretch);
        taps.stretch(mono, stretch, quietFrom, loudness.first, sumL, sumR);
        quietFrames = loudness.last >= 0 ? stretch - 1 - loudness.last : std::min(quietFrames + stretch, kQuietForever);

        for (std::int32_t pad = stretch; pad < stretch + kStretchPad; ++pad) {
            dryL[pad] = dryR[pad] = 0.0;
            drawL[pad] = drawR[pad] = 0;
        }
        smoothL.frames = smoothR.frames = stretch;
        kernels.smooth(smoothL);
        kernels.smooth(smoothR);
        for (std::int32_t pad = stretch; pad < stretch + kStretchPad; ++pad) {
            mixL[pad] = mixR[pad] = 0.0;
        }
        // Left draws first, then right: two draws per frame.
        drawDitherPairs(drawL, drawR, stretch);
        SamplePath<Sample>::quantise(kernels, {mixL, drawL, stretch, &ditherShapeL}, outL + done);
        SamplePath<Sample>::quantise(kernels, {mixR, drawR, stretch, &ditherShapeR}, outR + done);
        done += stretch;
    }

    state.writeIndex = taps.writeIndex;
    state.scanTap = taps.scan.tap;
    state.scanDirection = taps.scan.direction;
    state.scanCounter = taps.scan.counter;
    state.quietFrames = quietFrames;
    state.ditherShapeL = ditherShapeL;
    state.ditherShapeR = ditherShapeR;
}

}  // namespace

void processBlock(EngineState& state, float** inputs, float** outputs, std::int32_t frames) {
    runBlock(state, inputs, outputs, frames, kernelsFor(bestSimdLevel()));
}

void processBlock(EngineState& state, double** inputs, double** outputs, std::int32_t frames) {
    runBlock(state, inputs, outputs, frames, kernelsFor(bestSimdLevel()));
}

void processBlock(EngineState& state, float** inputs, float** outputs, std::int32_t frames, SimdLevel level) {
    runBlock(state, inputs, outputs, frames, kernelsFor(level));
}

void processBlock(EngineState& state, double** inputs, double** outputs, std::int32_t frames, SimdLevel level) {
    runBlock(state, inputs, outputs, frames, kernelsFor(level));
}

}  // namespace glowmarsh
