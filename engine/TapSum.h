// The tap sum: the inner cost of the engine. Every active tap reads the
// history at its offset, and its value times the tap's left and right gain is
// truncated to a whole number before it is summed.
#pragma once

#include <cstdint>

#include "engine/EngineState.h"

namespace glowmarsh {

struct TapSums {
    std::int32_t left;   // sum of the truncated left-weighted tap values
    std::int32_t right;  // the same for the right gains
};

// The reference form: one unrolled run of tap steps from tap 164 down to tap
// 1, entered at tap tapCount. A count of 0, a negative count or one above 164
// reads nothing and gives two zero sums. readBase is the write position after
// this frame's write (one below the position written, -1 after position 0).
// A non-finite weighted value adds 0, one beyond the int range saturates, and
// the sums wrap.
TapSums sumTapsUnrolled(const EngineState& state, std::int32_t readBase, std::int32_t tapCount);

}  // namespace glowmarsh
