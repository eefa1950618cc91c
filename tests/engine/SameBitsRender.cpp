// Renders a fixed scenario through the engine and prints a hash of every
// output bit and of the state left behind. Built at several optimisation
// levels; the hashes must agree.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "engine/Engine.h"
#include "tests/support/TestSignals.h"

namespace {

struct Hash {
    std::uint64_t value = 14695981039346656037ull;  // FNV-1a
    void add(const void* data, size_t bytes) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < bytes; ++i) {
            value = (value ^ p[i]) * 1099511628211ull;
        }
    }
};

template <typename Sample>
void renderScenario(float sustain, float grain, float dryWet, Hash& hash) {
    auto state = std::make_unique<glowmarsh::EngineState>();
    state->sustain = sustain;
    state->grain = grain;
    state->dryWet = dryWet;
    const testsignals::Stereo source = testsignals::musicLike(30000, 17);
    std::vector<Sample> left(source.left.begin(), source.left.end());
    std::vector<Sample> right(source.right.begin(), source.right.end());
    for (int i = 12000; i < 14000; ++i) {  // a stretch of silence for the guard
        left[i] = right[i] = 0;
    }
    left[20000] = std::numeric_limits<Sample>::quiet_NaN();
    right[20001] = std::numeric_limits<Sample>::infinity();
    std::vector<Sample> outL(left.size()), outR(right.size());
    const int blockSizes[] = {1, 7, 64, 511, 4096};
    size_t start = 0;
    for (int b = 0; start < left.size(); ++b) {
        const int frames = static_cast<int>(std::min<size_t>(blockSizes[b % 5], left.size() - start));
        Sample* inputs[] = {left.data() + start, right.data() + start};
        Sample* outputs[] = {outL.data() + start, outR.data() + start};
        glowmarsh::processBlock(*state, inputs, outputs, frames);
        start += frames;
    }
    hash.add(outL.data(), outL.size() * sizeof(Sample));
    hash.add(outR.data(), outR.size() * sizeof(Sample));
    // Only the 80 significant bits of the extended values; the rest is padding.
    hash.add(&state->ditherShapeL, 10);
    hash.add(&state->ditherShapeR, 10);
    hash.add(state->wetHistoryL, sizeof state->wetHistoryL);
    hash.add(state->tapOffset, sizeof state->tapOffset);
}

}  // namespace

int main() {
    std::srand(20240611);
    Hash hash;
    const float settings[][3] = {{1.0f, 0.7f, 0.2f}, {1.0f, 0.0f, 0.9f}, {1.0f, 1.0f, 1.0f}, {0.3f, 0.45f, 0.5f}};
    for (const auto& s : settings) {
        renderScenario<float>(s[0], s[1], s[2], hash);
        renderScenario<double>(s[0], s[1], s[2], hash);
    }
    std::printf("%016llx\n", static_cast<unsigned long long>(hash.value));
    return 0;
}
