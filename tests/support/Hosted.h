// The host side the tests share, built on the loader library the renderer
// uses (tools/vsthost): Glowmarsh.so opened once per process, instances made
// through its entry point, and two-channel buffers with the pointer arrays a
// host passes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "tools/vsthost/Plugin.h"

namespace hosted {

// Glowmarsh.so, opened on first use and kept open for the process.
std::shared_ptr<const vsthost::PluginLibrary> library();

// A new instance from the module's entry point, answered by host and opened
// (opcode 0); null when the entry point refuses. Closed when released.
std::unique_ptr<vsthost::Plugin> create(audioMasterCallback host = vsthost::hostCallback);

template <typename Sample>
struct Stereo {
    explicit Stereo(std::size_t frames = 0) : left(frames), right(frames) {}
    std::size_t frames() const { return left.size(); }
    // Channel pointers starting at frame offset.
    Sample** at(std::size_t offset) {
        pointers[0] = left.data() + offset;
        pointers[1] = right.data() + offset;
        return pointers;
    }
    std::vector<Sample> left, right;
    Sample* pointers[2] = {};
};

// Uniform noise in [-1, 1] that never comes near zero, so the input guard
// and its process-wide counters stay out of the way.
template <typename Sample>
Stereo<Sample> noise(std::size_t frames, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> magnitude(1e-3, 1.0);
    Stereo<Sample> buffer(frames);
    for (auto* channel : {&buffer.left, &buffer.right}) {
        for (Sample& s : *channel) s = static_cast<Sample>((random() & 1u) ? magnitude(random) : -magnitude(random));
    }
    return buffer;
}

// in through process(inputs, outputs, frames) into a new buffer, cycling
// through the block sizes given (a 0 is passed on as an empty block).
template <typename Sample, typename Process>
Stereo<Sample> render(Process process, Stereo<Sample> in, const std::vector<int>& blocks) {
    Stereo<Sample> out(in.frames());
    for (std::size_t b = 0, offset = 0; offset < in.frames(); ++b) {
        const auto frames = std::min<std::size_t>(static_cast<std::size_t>(blocks[b % blocks.size()]), in.frames() - offset);
        process(in.at(offset), out.at(offset), static_cast<VstInt32>(frames));
        offset += frames;
    }
    return out;
}

}  // namespace hosted
