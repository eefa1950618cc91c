// Helpers for driving the engine directly in tests.
#pragma once

#include <bit>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "engine/Engine.h"
#include "engine/EngineState.h"
#include "engine/SimdLevel.h"

namespace enginetest {

struct Params {
    float sustain = 1.0f, grain = 0.7f, dryWet = 0.2f;
};

// A fresh engine (it is too large for the stack of a test thread).
inline std::unique_ptr<glowmarsh::EngineState> makeEngine(Params p = {}) {
    auto state = std::make_unique<glowmarsh::EngineState>();
    state->sustain = p.sustain;
    state->grain = p.grain;
    state->dryWet = p.dryWet;
    return state;
}

// Every SIMD level this CPU runs, portable first.
inline std::vector<glowmarsh::SimdLevel> supportedLevels() {
    using enum glowmarsh::SimdLevel;
    std::vector<glowmarsh::SimdLevel> levels{portable, sse2, avx2, avx512};
    std::erase_if(levels, [](glowmarsh::SimdLevel level) { return !glowmarsh::simdLevelSupported(level); });
    return levels;
}

// Bytes of a long double that hold its value: x87's 80 bits (the rest is
// padding), or all of them (ppc32's double-double).
constexpr std::size_t kLongDoubleValueBytes = std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);

inline std::uint64_t bitsOf(double v) { return std::bit_cast<std::uint64_t>(v); }
inline std::uint32_t bitsOf(float v) { return std::bit_cast<std::uint32_t>(v); }

}  // namespace enginetest
