// Conversions whose C++ default is undefined for some inputs, made total.
#pragma once

#include <cstdint>
#include <limits>

// Truncates toward zero; NaN gives 0 and values beyond the range saturate.
constexpr std::int32_t truncToInt32(double x) {
    if (!(x == x)) {
        return 0;
    }
    if (x >= 2147483648.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (x <= -2147483649.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(x);
}

// Narrows a pointer-sized integer, saturating at the 32-bit bounds.
constexpr std::int32_t saturateToInt32(std::intptr_t x) {
    if (x > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (x < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(x);
}

// Rounds to the nearest float; beyond the float range the result is infinite.
constexpr float toFloat(double x) {
    return static_cast<float>(x);
}
