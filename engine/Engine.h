// The signal engine's entry: one block of two-channel audio in either
// precision. Reads the parameters once, then runs the frame loop.
#pragma once

#include "engine/EngineState.h"

namespace glowmarsh {

void processBlock(EngineState& state, float** inputs, float** outputs, std::int32_t frames);
void processBlock(EngineState& state, double** inputs, double** outputs, std::int32_t frames);

}  // namespace glowmarsh
