#include <bit>

#include "engine/FusedMultiplyAdd.h"
#include "engine/Kernels.h"
#include "engine/OutputStage.h"
#include "engine/Rounding.h"

namespace glowmarsh {

std::int32_t smoothingWeightsInUse(const double* weights) {
    std::int32_t count = 1;
    for (std::int32_t k = 1; k < kSmoothLength; ++k) {
        if (std::bit_cast<std::uint64_t>(weights[k]) != 0) {
            count = k + 1;
        }
    }
    return count;
}

void sumTapRunPortable(const TapPlan& plan, const std::int32_t* tapOffset, const double* history,
                       std::int32_t lastReadBase, std::int32_t frames, std::int32_t* sumL, std::int32_t* sumR) {
    sumTapRunExact(plan, tapOffset, history, lastReadBase, frames, 0, frames, sumL, sumR);
}

// The memory stays in a local: the loop calls nothing, so it stays in a register.
void quantiseFloatPortable(const QuantiseJob& job, float* out) {
    long double shape = *job.ditherShape;
    for (std::int32_t f = 0; f < job.frames; ++f) {
        out[f] = quantiseToFloat(job.mix[f], shape, job.draws[f]);
    }
    *job.ditherShape = shape;
}

void quantiseDoublePortable(const QuantiseJob& job, double* out) {
    long double shape = *job.ditherShape;
    for (std::int32_t f = 0; f < job.frames; ++f) {
        out[f] = quantiseToDouble(job.mix[f], shape, job.draws[f]);
    }
    *job.ditherShape = shape;
}

// Frame i of a run reads position offset + lastReadBase + frames - 1 - i.
void correctNudge(const TapNudge& nudge, const double* history, std::int32_t lastReadBase, std::int32_t frames,
                  std::int32_t from, std::int32_t* sumL, std::int32_t* sumR) {
    const double* oldAt = history + lastReadBase + nudge.oldOffset + frames - 1;
    const double* newAt = history + lastReadBase + nudge.newOffset + frames - 1;
    for (std::int32_t i = from; i < nudge.before; ++i) {
        const double before = oldAt[-i];
        const double after = newAt[-i];
        const std::uint32_t changeL = static_cast<std::uint32_t>(truncToInt(before * nudge.gainL)) -
                                      static_cast<std::uint32_t>(truncToInt(after * nudge.gainL));
        const std::uint32_t changeR = static_cast<std::uint32_t>(truncToInt(before * nudge.gainR)) -
                                      static_cast<std::uint32_t>(truncToInt(after * nudge.gainR));
        sumL[i] = wrappingAdd(sumL[i], static_cast<std::int32_t>(changeL));
        sumR[i] = wrappingAdd(sumR[i], static_cast<std::int32_t>(changeR));
    }
}

// The smoothing of WetMix.h over a stretch, with the shift register laid out
// as one line of changes (oldest first) instead of moving ten values a frame.
void smoothPortable(const SmoothJob& job) {
    double changes[kSmoothLength + kStretchFrames];
    for (int i = 0; i < kSmoothLength; ++i) {
        changes[kSmoothLength - 1 - i] = job.history[i];
    }
    double last = *job.lastSum;
    for (std::int32_t f = 0; f < job.frames; ++f) {
        const double sum = job.tapSums[f];
        const double change = sum - last;
        last = sum;
        double* newest = changes + kSmoothLength + f;  // newest[-k]: the change k frames earlier
        newest[0] = toFloat(change);
        double weighted = toFloat(newest[0] * job.weights[0]);
        for (std::int32_t k = 1; k < job.weightCount; ++k) {
            weighted = toFloat(fusedMultiplyAdd(newest[-k], job.weights[k], weighted));
        }
        const double transient = toFloat(change + weighted);
        const double wet = (transient + sum) / job.wetNormaliser;
        job.mix[f] = fusedMultiplyAdd(job.wetGain, wet, job.dry[f] * job.dryGain);
    }
    *job.lastSum = last;
    for (int i = 0; i < kSmoothLength; ++i) {
        job.history[i] = changes[kSmoothLength + job.frames - 1 - i];
    }
}

}  // namespace glowmarsh
