// Renders a fixed scenario through the engine and prints a hash of every
// output bit and of the state left behind. Built at several optimisation
// levels; the hashes must agree.
#include <cstdio>
#include <limits>

#include "tests/engine/EngineHarness.h"

namespace {

std::uint64_t hash = 14695981039346656037ull;  // FNV-1a of everything added

void add(const void* data, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) hash = (hash ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ull;
}

// Past one ring wrap, with a stretch of silence for the guard, a NaN and an
// infinity, in blocks of changing size.
template <typename Sample>
void renderScenario(enginetest::Params params) {
    auto in = enginetest::musicLike<Sample>(24000, 17);
    std::fill(in.left.begin() + 12000, in.left.begin() + 14000, Sample(0));
    std::fill(in.right.begin() + 12000, in.right.begin() + 14000, Sample(0));
    in.left[20000] = std::numeric_limits<Sample>::quiet_NaN();
    in.right[20001] = std::numeric_limits<Sample>::infinity();
    auto state = enginetest::makeEngine(params);
    const auto out = enginetest::render(*state, in, {1, 7, 64, 511, 4096});
    add(out.left.data(), out.left.size() * sizeof(Sample));
    add(out.right.data(), out.right.size() * sizeof(Sample));
    add(&state->ditherShapeL, enginetest::kLongDoubleValueBytes);
    add(&state->ditherShapeR, enginetest::kLongDoubleValueBytes);
    add(state->wetHistoryL, sizeof state->wetHistoryL);
    add(state->tapOffset, sizeof state->tapOffset);
}

}  // namespace

int main() {
    for (const enginetest::Params& p : {enginetest::Params{}, enginetest::Params{1.0f, 0.0f, 0.9f},
                                        enginetest::Params{1.0f, 1.0f, 1.0f}, enginetest::Params{0.3f, 0.45f, 0.5f}}) {
        renderScenario<float>(p);
        renderScenario<double>(p);
    }
    std::printf("%016llx\n", static_cast<unsigned long long>(hash));
    return 0;
}
