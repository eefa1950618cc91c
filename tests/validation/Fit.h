// What a validator asks of every output sample: finite, and never subnormal.
#pragma once

#include "tests/hosttest/Signals.h"

namespace validation {

// Whether both channels are fit from frame `from` up to frame `to` (the end when 0).
template <typename Sample>
bool fit(const hosttest::StereoBuffer<Sample>& buffer, std::size_t from = 0, std::size_t to = 0) {
    for (std::size_t i = from; i < (to ? to : buffer.frames()); ++i) {
        for (const Sample s : {buffer.left[i], buffer.right[i]}) {
            if (!std::isfinite(s) || hosttest::isSubnormal(s)) return false;
        }
    }
    return true;
}

}  // namespace validation
