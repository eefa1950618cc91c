// The named roundings of the engine. Every narrowing the sound depends on goes
// through one of these, so a reader sees where precision is lost.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace glowmarsh {

// Nearest 32-bit float, ties to even.
inline float toFloat(double value) {
    return static_cast<float>(value);
}

// Toward zero to a signed 32-bit integer. C++ leaves the conversion undefined
// outside the int range; here a finite value beyond it saturates and a NaN or
// infinity gives 0, so one bad sample cannot turn into full-scale garbage.
inline std::int32_t truncToInt(double value) {
    if (std::fabs(value) < 2147483648.0) {
        return static_cast<std::int32_t>(value);
    }
    if (!std::isfinite(value)) {
        return 0;
    }
    return value > 0.0 ? std::numeric_limits<std::int32_t>::max() : std::numeric_limits<std::int32_t>::min();
}

// Two's-complement wrapping arithmetic without signed-overflow UB.
inline std::int32_t wrappingAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

inline std::int32_t wrappingMul(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

}  // namespace glowmarsh
