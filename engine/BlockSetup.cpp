#include "engine/BlockSetup.h"

#include <cmath>

#include "engine/FusedMultiplyAdd.h"
#include "engine/Rounding.h"

namespace glowmarsh {

float clampUnit(float value) {
    if (!(value > 0.0f)) {
        return 0.0f;
    }
    return value < 1.0f ? value : 1.0f;
}

BlockValues deriveBlockValues(float sustain, float grain, float dryWet) {
    const double s = sustain;
    const double g = grain;
    BlockValues b{};
    b.tapCount = truncToInt(fusedMultiplyAdd(g * g, 156.0, 7.0));
    b.spacing = toFloat(fusedMultiplyAdd(s * s, 3280.0 / b.tapCount, 2.0));
    b.wetNormaliser = toFloat(static_cast<double>(4 * b.tapCount) * std::sqrt(static_cast<double>(b.tapCount)));
    b.windowTotal = toFloat(fusedMultiplyAdd(1.0 - g, 9.0, 1.0));
    b.wetGain = dryWet;
    b.dryGain = 1.0f - dryWet;
    b.scanLowerBound = b.spacing * 11.0f;
    b.scanUpperBound = b.scanLowerBound + 1000.0f;
    return b;
}

void fillSmoothingWindow(float windowTotal, double* smoothCoeff) {
    float remaining = windowTotal;
    for (int i = 0; i < kSmoothLength; ++i) {
        if (remaining <= 1.0f) {
            smoothCoeff[i] = remaining;
            for (int rest = i + 1; rest < kSmoothLength; ++rest) {
                smoothCoeff[rest] = 0.0;
            }
            break;
        }
        smoothCoeff[i] = 1.0;
        if (i < kSmoothLength - 1) {
            remaining -= 1.0f;
        }
    }
    // The clamp follows the fill: a total below 1 is spread as if it were 1.
    const double total = windowTotal < 1.0f ? 1.0 : windowTotal;
    for (int i = 0; i < kSmoothLength; ++i) {
        smoothCoeff[i] /= total;
    }
}

void deriveTapOffsets(EngineState& state, float spacing) {
    for (int k = 1; k <= kMaxTaps; ++k) {
        state.tapOffset[k] = truncToInt(static_cast<float>(state.primeTable[k]) * spacing);
    }
}

BlockValues setUpBlock(EngineState& state) {
    const float sustain = clampUnit(state.sustain.load(std::memory_order_relaxed));
    const float grain = clampUnit(state.grain.load(std::memory_order_relaxed));
    // A non-finite Dry/Wet would turn every output sample into NaN for as long as it stays.
    const float dryWet = clampUnit(state.dryWet.load(std::memory_order_relaxed));
    const BlockValues block = deriveBlockValues(sustain, grain, dryWet);
    fillSmoothingWindow(block.windowTotal, state.smoothCoeff);
    deriveTapOffsets(state, block.spacing);
    return block;
}

}  // namespace glowmarsh
