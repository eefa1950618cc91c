// Runs material through an instance block by block, as a host's audio thread does.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Signals.h"

namespace hosttest {

// Renders `input` into a new buffer (or in place when `inPlace`), cycling
// through `blockFrames`; a 0 in the list is passed to the effect as an empty
// block. The list must hold at least one positive size.
template <typename Sample>
StereoBuffer<Sample> render(HostedEffect& effect, StereoBuffer<Sample>& input, const std::vector<int>& blockFrames,
                            bool inPlace = false) {
    StereoBuffer<Sample> separate(inPlace ? 0 : input.frames());
    StereoBuffer<Sample>& output = inPlace ? input : separate;
    std::size_t offset = 0;
    for (std::size_t block = 0; offset < input.frames(); ++block) {
        const std::size_t frames = std::min<std::size_t>(blockFrames[block % blockFrames.size()], input.frames() - offset);
        effect.process(input.at(offset), output.at(offset), static_cast<VstInt32>(frames));
        offset += frames;
    }
    if (inPlace) {
        return input;
    }
    return separate;
}

// A host's changing block sizes: uniform in 0..maxFrames, zeros included.
inline std::vector<int> randomBlockSizes(std::size_t count, int maxFrames, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> size(0, maxFrames);
    std::vector<int> sizes(count);
    std::generate(sizes.begin(), sizes.end(), [&] { return size(random); });
    sizes.push_back(1);  // never a list of zeros alone
    return sizes;
}

}  // namespace hosttest
