#include "engine/TapSum.h"

#include "engine/Rounding.h"

namespace glowmarsh {

// One tap step, then on to the next lower tap.
#define GLOWMARSH_TAP(k)                                                                    \
    case (k): {                                                                             \
        const double x = state.tapBuffer[state.tapOffset[(k)] + readBase];                  \
        sumL += static_cast<std::uint32_t>(truncToInt(x * state.tapPanL[(k)]));             \
        sumR += static_cast<std::uint32_t>(truncToInt(x * state.tapPanR[(k)]));             \
    }                                                                                       \
        [[fallthrough]];
#define GLOWMARSH_TAP4(k) GLOWMARSH_TAP(k) GLOWMARSH_TAP((k) - 1) GLOWMARSH_TAP((k) - 2) GLOWMARSH_TAP((k) - 3)
#define GLOWMARSH_TAP16(k) \
    GLOWMARSH_TAP4(k) GLOWMARSH_TAP4((k) - 4) GLOWMARSH_TAP4((k) - 8) GLOWMARSH_TAP4((k) - 12)

TapSums sumTapsUnrolled(const EngineState& state, std::int32_t readBase, std::int32_t tapCount) {
    std::uint32_t sumL = 0;
    std::uint32_t sumR = 0;
    switch (tapCount) {
        GLOWMARSH_TAP16(164)
        GLOWMARSH_TAP16(148)
        GLOWMARSH_TAP16(132)
        GLOWMARSH_TAP16(116)
        GLOWMARSH_TAP16(100)
        GLOWMARSH_TAP16(84)
        GLOWMARSH_TAP16(68)
        GLOWMARSH_TAP16(52)
        GLOWMARSH_TAP16(36)
        GLOWMARSH_TAP16(20)
        GLOWMARSH_TAP4(4)
        default:  // tap 1 ends here too; any other count reads nothing
            break;
    }
    return {static_cast<std::int32_t>(sumL), static_cast<std::int32_t>(sumR)};
}

#undef GLOWMARSH_TAP16
#undef GLOWMARSH_TAP4
#undef GLOWMARSH_TAP

}  // namespace glowmarsh
