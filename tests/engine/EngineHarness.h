// Helpers for driving the engine directly in tests.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "engine/Engine.h"
#include "engine/EngineState.h"
#include "engine/SimdLevel.h"
#include "tests/support/TestSignals.h"

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

template <typename Sample>
struct Buffers {
    std::vector<Sample> left, right;
    int frames() const { return static_cast<int>(left.size()); }
};

// testsignals::musicLike rounded to the sample type.
template <typename Sample>
Buffers<Sample> musicLike(int frames, std::uint32_t seed) {
    const testsignals::Stereo in = testsignals::musicLike(frames, seed);
    return {{in.left.begin(), in.left.end()}, {in.right.begin(), in.right.end()}};
}

// Runs the input through the production engine in blocks of the sizes given,
// in turn; rand() seeded first.
template <typename Sample>
Buffers<Sample> render(glowmarsh::EngineState& state, Buffers<Sample> in, std::vector<int> blockFrames = {512}) {
    std::srand(1);
    Buffers<Sample> out = in;
    for (int start = 0, b = 0; start < in.frames(); ++b) {
        const int frames = std::min(blockFrames[b % blockFrames.size()], in.frames() - start);
        Sample* inputs[] = {in.left.data() + start, in.right.data() + start};
        Sample* outputs[] = {out.left.data() + start, out.right.data() + start};
        glowmarsh::processBlock(state, inputs, outputs, frames);
        start += frames;
    }
    return out;
}

}  // namespace enginetest
