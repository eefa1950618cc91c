// Fixed renders of the built plug-in whose output bits are compared across
// targets. Everything that feeds them is exact on every target: the input is
// built from integers scaled by powers of two (no libm), the dither's rand()
// is seeded before each render, and every scenario starts from a new instance.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "tests/target/PluginInstance.h"

namespace agreement {

struct Scenario {
    const char* name;
    float sustain, grain, dryWet;
    bool doublePrecision;
};

constexpr int kFrames = 6000;
constexpr int kBlockFrames[] = {512, 1, 1000, 37, 2048};  // cycled
constexpr int kSilenceBegin = 2500;   // exact zeros here make the input guard fire
constexpr int kSilenceEnd = 3100;
constexpr unsigned kRandSeed = 20261206;

// Channel c of frame n: a sawtooth plus 16-bit noise, every value a multiple
// of 2^-18, so float and double hold it exactly.
inline double inputSample(int channel, int frame) {
    if (frame >= kSilenceBegin && frame < kSilenceEnd) {
        return 0.0;
    }
    std::uint32_t x = static_cast<std::uint32_t>(frame) * 2654435761u + static_cast<std::uint32_t>(channel) * 40503u;
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    const int noise = static_cast<int>(x >> 16) - 32768;               // -2^15 to 2^15 - 1
    const int saw = (frame * (channel ? 23 : 37)) % 2000 - 1000;       // -1000 to 999
    return noise * 0x1p-18 + saw * 0x1p-11;
}

// Interleaved output bits (left, right per frame), as unsigned integers of the
// sample's width. Empty if the plug-in would not start.
template <typename Sample, typename Bits>
std::vector<Bits> render(const vsthost::PluginLibrary& library, const Scenario& scenario) {
    AEffect* effect = library.create(targetbytes::versionOnlyHost);
    if (effect == nullptr) {
        return {};
    }
    effect->setParameter(effect, 0, scenario.sustain);
    effect->setParameter(effect, 1, scenario.grain);
    effect->setParameter(effect, 2, scenario.dryWet);
    std::vector<Sample> in[2], out[2];
    for (int c = 0; c < 2; ++c) {
        for (int n = 0; n < kFrames; ++n) {
            in[c].push_back(static_cast<Sample>(inputSample(c, n)));
        }
        out[c].assign(kFrames, Sample{});
    }
    std::srand(kRandSeed);
    int done = 0;
    for (int b = 0; done < kFrames; ++b) {
        const int frames = std::min(kBlockFrames[b % std::size(kBlockFrames)], kFrames - done);
        Sample* inputs[] = {in[0].data() + done, in[1].data() + done};
        Sample* outputs[] = {out[0].data() + done, out[1].data() + done};
        if constexpr (sizeof(Sample) == sizeof(double)) {
            effect->processDoubleReplacing(effect, inputs, outputs, frames);
        } else {
            effect->processReplacing(effect, inputs, outputs, frames);
        }
        done += frames;
    }
    effect->dispatcher(effect, 1, 0, 0, nullptr, 0.0f);
    std::vector<Bits> bits;
    for (int n = 0; n < kFrames; ++n) {
        for (int c = 0; c < 2; ++c) {
            Bits b;
            std::memcpy(&b, &out[c][n], sizeof b);
            bits.push_back(b);
        }
    }
    return bits;
}

// FNV-1a over each value's bytes, least significant first whatever the
// processor's byte order, so equal values give equal digests everywhere.
template <typename Bits>
std::uint64_t digest(const std::vector<Bits>& values) {
    std::uint64_t hash = 14695981039346656037ull;
    for (Bits v : values) {
        for (unsigned i = 0; i < sizeof v; ++i) {
            hash = (hash ^ static_cast<unsigned char>(v >> (8 * i))) * 1099511628211ull;
        }
    }
    return hash;
}

}  // namespace agreement
