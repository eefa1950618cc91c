// What a validator asks of every output sample: finite, and never subnormal.
#pragma once

#include <algorithm>
#include <cstdint>

#include "tests/hosttest/Signals.h"

namespace validation {

// Whether both channels are fit from frame `from` up to frame `to` or the end.
template <typename Sample>
bool fit(const hosttest::StereoBuffer<Sample>& buffer, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    for (std::size_t i = from; i < std::min(to, buffer.frames()); ++i) {
        for (const Sample s : {buffer.left[i], buffer.right[i]}) {
            if (!std::isfinite(s) || hosttest::isSubnormal(s)) return false;
        }
    }
    return true;
}

}  // namespace validation
