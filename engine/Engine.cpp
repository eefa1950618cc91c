// The production frame loop. It produces the bits of the reference loop
// (ReferenceEngine.cpp), frame for frame, but orders the work differently:
//
// - The tap sums of a run of frames are formed together by a vector kernel
//   (Kernels.h). A run is a stretch of frames whose history can be written
//   ahead of their tap sums: it ends before the next scan step (which moves
//   an offset), at the ring wrap (where positions stop being consecutive),
//   and before any frame whose write a tap of an earlier frame of the run
//   would read (a tap of offset o reads the second copy that the frame
//   22051 - o frames later writes). Values that earlier frames of the run
//   wrote are there before any tap reads, as in the reference.
// - Smoothing, mix and output stage follow for a stretch of frames at a
//   time. The input guard's counters and rand() are drawn in the reference's
//   order (guard left then right per frame; dither left then right per
//   frame), and every input of a stretch is read before any of its outputs
//   is written, so processing in place stays safe.
#include "engine/Engine.h"

#include <cstdlib>

#include "engine/BlockSetup.h"
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

// The plan costs about as much as four frames of tap sums save over the
// unrolled sum; shorter blocks sum their taps frame by frame.
constexpr std::int32_t kPlannedBlockFrames = 4;

template <typename Sample>
void runBlock(EngineState& state, Sample** inputs, Sample** outputs, std::int32_t frames, const Kernels& kernels) {
    const BlockValues block = setUpBlock(state);
    if (frames <= 0) {
        return;
    }
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
    }
    // Nudges only raise this bound; a re-derivation returns to block-start offsets.
    std::int32_t maxOffset = plan.maxOffset;

    double dryL[kStretchFrames + kStretchPad];
    double dryR[kStretchFrames + kStretchPad];
    std::int32_t sumL[kStretchFrames];
    std::int32_t sumR[kStretchFrames];
    double mixL[kStretchFrames + kStretchPad];
    double mixR[kStretchFrames + kStretchPad];
    const std::int32_t weightCount = smoothingWeightsInUse(state.smoothCoeff);
    SmoothJob smoothL{sumL, dryL, mixL, 0, &state.lastSumL, state.wetHistoryL, state.smoothCoeff, weightCount,
                      block.wetNormaliser, block.wetGain, block.dryGain};
    SmoothJob smoothR{sumR, dryR, mixR, 0, &state.lastSumR, state.wetHistoryR, state.smoothCoeff, weightCount,
                      block.wetNormaliser, block.wetGain, block.dryGain};

    std::int32_t writeIndex = state.writeIndex;
    ScanState scan{state.scanTap, state.scanDirection, state.scanCounter};
    long double ditherShapeL = state.ditherShapeL;
    long double ditherShapeR = state.ditherShapeR;

    for (std::int32_t done = 0; done < frames;) {
        const std::int32_t stretch = frames - done < kStretchFrames ? frames - done : kStretchFrames;
        for (std::int32_t f = 0; f < stretch;) {
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
            std::int32_t limit = stretch - f;
            if (limit > position + 1) {
                limit = position + 1;
            }
            if (limit > framesBeforeOverwrite(maxOffset)) {
                limit = framesBeforeOverwrite(maxOffset);
            }
            std::int32_t n = 0;
            for (;;) {
                const std::int32_t i = done + f + n;
                const double left = guardInput(static_cast<double>(inL[i]), noise.left);
                const double right = guardInput(static_cast<double>(inR[i]), noise.right);
                dryL[f + n] = left;
                dryR[f + n] = right;
                state.tapBuffer[position - n] = left + right;
                state.tapBuffer[position - n + kRingLength] = left + right;
                ++n;
                if (n == limit || block.spacing < static_cast<float>(scan.counter + 1)) {
                    break;  // the next frame makes a scan step: a new run
                }
                ++scan.counter;
            }
            writeIndex = position - n;
            if (planned) {
                kernels.sumTapRun(plan, state.tapOffset, state.tapBuffer, writeIndex, n, sumL + f, sumR + f);
            } else {
                const TapSums sums = sumTapsUnrolled(state, writeIndex, block.tapCount);
                sumL[f] = sums.left;
                sumR[f] = sums.right;
            }
            f += n;
        }
        for (std::int32_t pad = stretch; pad < stretch + kStretchPad; ++pad) {
            dryL[pad] = dryR[pad] = 0.0;
        }
        smoothL.frames = smoothR.frames = stretch;
        kernels.smooth(smoothL);
        kernels.smooth(smoothR);
        // Left draws first, then right: two draws per frame.
        for (std::int32_t f = 0; f < stretch; ++f) {
            outL[done + f] = SamplePath<Sample>::quantise(mixL[f], ditherShapeL, ditherRandom());
            outR[done + f] = SamplePath<Sample>::quantise(mixR[f], ditherShapeR, ditherRandom());
        }
        done += stretch;
    }

    state.writeIndex = writeIndex;
    state.scanTap = scan.tap;
    state.scanDirection = scan.direction;
    state.scanCounter = scan.counter;
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
