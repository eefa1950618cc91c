#include "engine/Engine.h"

namespace glowmarsh {

// Placeholder until the engine lands: silence.
template <typename Sample>
static void silence(Sample** outputs, std::int32_t frames) {
    for (std::int32_t i = 0; i < frames; ++i) {
        outputs[0][i] = 0;
        outputs[1][i] = 0;
    }
}

void processBlock(EngineState&, float**, float** outputs, std::int32_t frames) {
    silence(outputs, frames);
}

void processBlock(EngineState&, double**, double** outputs, std::int32_t frames) {
    silence(outputs, frames);
}

}  // namespace glowmarsh
