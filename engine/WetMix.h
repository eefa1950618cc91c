// Wet smoothing and mix of one channel: the change of the tap sum since the
// previous frame is smoothed over up to ten frames at float precision, the
// current sum added back, scaled down, and mixed with the guarded input.
#pragma once

#include <cstdint>

#include "engine/BlockSetup.h"
#include "engine/EngineState.h"
#include "engine/FusedMultiplyAdd.h"
#include "engine/Rounding.h"

namespace glowmarsh {

// One channel's smoothing memory, as the frame loop hands it over.
struct WetChannel {
    double& lastSum;   // previous frame's tap sum
    double* history;   // last ten changes, rounded to float, newest first
};

// The wet signal of one frame for this channel's tap sum.
inline double smoothWet(std::int32_t tapSum, WetChannel channel, const double* smoothCoeff, float wetNormaliser) {
    const double sum = tapSum;
    const double change = sum - channel.lastSum;
    channel.lastSum = sum;
    double* h = channel.history;
    for (int k = kSmoothLength - 1; k > 0; --k) {
        h[k] = h[k - 1];
    }
    h[0] = toFloat(change);
    double weighted = toFloat(h[0] * smoothCoeff[0]);
    for (int k = 1; k < kSmoothLength; ++k) {
        weighted = toFloat(fusedMultiplyAdd(h[k], smoothCoeff[k], weighted));
    }
    // The newest change enters twice: in full and weighted.
    const double transient = toFloat(change + weighted);
    return (transient + sum) / static_cast<double>(wetNormaliser);
}

// Wet and guarded dry input mixed by the block's gains.
inline double mixChannel(double wet, double dry, const BlockValues& block) {
    return fusedMultiplyAdd(static_cast<double>(block.wetGain), wet, dry * static_cast<double>(block.dryGain));
}

}  // namespace glowmarsh
