// Block set-up: everything that stays fixed for one processing call, derived
// once from the three parameters at its start.
#pragma once

#include <cstdint>

#include "engine/EngineState.h"

namespace glowmarsh {

struct BlockValues {
    std::int32_t tapCount;   // active taps, 7 to 163
    float spacing;           // frames per unit of tap distance; also the scan step period
    float wetNormaliser;     // divides the tap sums down to signal level
    float windowTotal;       // length of the smoothing window in frames, 1 to 10
    float wetGain;           // share of the wet signal in the mix
    float dryGain;           // share of the guarded input in the mix
    float scanLowerBound;    // tap 1 offset below which the scan turns upward again, frames
    float scanUpperBound;    // tap 1 offset above which the scan turns downward, frames
};

// Sustain and Grain as the set-up reads them: into 0 to 1, NaN as 0.
float clampUnit(float value);

// The per-block values for these parameters (Sustain and Grain already clamped).
BlockValues deriveBlockValues(float sustain, float grain, float dryWet);

// Window weights for a window of total frames: whole weights, one fractional
// weight, then zeros, each divided by the total. Writes entries 0 to 9.
void fillSmoothingWindow(float windowTotal, double* smoothCoeff);

// Tap offsets 1 to 164 from the base distances and this block's spacing.
void deriveTapOffsets(EngineState& state, float spacing);

// The set-up of one call: reads the parameters once, rewrites the window
// weights and tap offsets, and answers the rest.
BlockValues setUpBlock(EngineState& state);

}  // namespace glowmarsh
