// The signal engine's entry: one block of two-channel audio in either
// precision. Reads the parameters once, then runs the frame loop.
#pragma once

#include "engine/EngineState.h"
#include "engine/SimdLevel.h"

namespace glowmarsh {

// Channels 0 (left) and 1 (right) of inputs and outputs, frames samples each;
// outputs may be the input buffers themselves, also crosswise. A count of 0
// or less still runs the block set-up but touches no buffer. Uses the best
// SIMD level of this CPU.
void processBlock(EngineState& state, float** inputs, float** outputs, std::int32_t frames);
void processBlock(EngineState& state, double** inputs, double** outputs, std::int32_t frames);

// The same at a given level, which must be supported; for tests and benchmarks.
void processBlock(EngineState& state, float** inputs, float** outputs, std::int32_t frames, SimdLevel level);
void processBlock(EngineState& state, double** inputs, double** outputs, std::int32_t frames, SimdLevel level);

}  // namespace glowmarsh
