// The reference engine: every frame in turn, the unrolled tap sum, the shift
// register smoothing and the library's exponent functions, exactly as the
// steps read. Tests and benchmarks hold the production engine (Engine.h)
// against it; it is not used for processing.
#pragma once

#include "engine/EngineState.h"

namespace glowmarsh {

void processBlockReference(EngineState& state, float** inputs, float** outputs, std::int32_t frames);
void processBlockReference(EngineState& state, double** inputs, double** outputs, std::int32_t frames);

}  // namespace glowmarsh
