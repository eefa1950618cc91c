// Helpers for driving the engine directly in tests.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/Engine.h"
#include "engine/EngineState.h"
#include "tests/support/TestSignals.h"

namespace enginetest {

struct Params {
    float sustain = 1.0f;
    float grain = 0.7f;
    float dryWet = 0.2f;
};

// A fresh engine (it is too large for the stack of a test thread).
inline std::unique_ptr<glowmarsh::EngineState> makeEngine(Params p = {}) {
    auto state = std::make_unique<glowmarsh::EngineState>();
    state->sustain = p.sustain;
    state->grain = p.grain;
    state->dryWet = p.dryWet;
    return state;
}

inline std::uint64_t bitsOf(double v) { return std::bit_cast<std::uint64_t>(v); }
inline std::uint32_t bitsOf(float v) { return std::bit_cast<std::uint32_t>(v); }

template <typename Sample>
struct Buffers {
    std::vector<Sample> left;
    std::vector<Sample> right;
    int frames() const { return static_cast<int>(left.size()); }
};

template <typename Sample>
Buffers<Sample> toSamples(const testsignals::Stereo& in) {
    return {std::vector<Sample>(in.left.begin(), in.left.end()), std::vector<Sample>(in.right.begin(), in.right.end())};
}

// Runs the input through the engine in blocks of blockFrames, rand() seeded
// with seed first; answers the output.
template <typename Sample>
Buffers<Sample> render(glowmarsh::EngineState& state, Buffers<Sample> in, int blockFrames = 512, unsigned seed = 1) {
    std::srand(seed);
    Buffers<Sample> out{std::vector<Sample>(in.left.size()), std::vector<Sample>(in.right.size())};
    for (int start = 0; start < in.frames(); start += blockFrames) {
        const int frames = std::min(blockFrames, in.frames() - start);
        Sample* inputs[] = {in.left.data() + start, in.right.data() + start};
        Sample* outputs[] = {out.left.data() + start, out.right.data() + start};
        glowmarsh::processBlock(state, inputs, outputs, frames);
    }
    return out;
}

}  // namespace enginetest
