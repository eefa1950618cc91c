// The engine's two processing calls, reference loop against the production
// loop, by Grain (and so by tap count) and block size. Items are frames:
// divide frames per second by 44100 for the real-time factor of one instance.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "engine/Engine.h"
#include "engine/ReferenceEngine.h"
#include "tests/support/TestSignals.h"

namespace {

using glowmarsh::SimdLevel;

constexpr int kSourceFrames = 44100;  // one second of material, looped

// What runs a block: the reference loop, or the production loop at a level.
struct Path {
    bool reference;
    SimdLevel level;
};

template <typename Sample>
void processBlocks(benchmark::State& run, Path path) {
    if (!path.reference && !glowmarsh::simdLevelSupported(path.level)) {
        run.SkipWithError("SIMD level not supported by this CPU");
        return;
    }
    const int blockFrames = static_cast<int>(run.range(1));
    auto state = std::make_unique<glowmarsh::EngineState>();
    state->grain = static_cast<float>(run.range(0)) / 10.0f;
    const testsignals::Stereo source = testsignals::musicLike(kSourceFrames, 3);
    std::vector<Sample> inL(source.left.begin(), source.left.end());
    std::vector<Sample> inR(source.right.begin(), source.right.end());
    std::vector<Sample> outL(blockFrames), outR(blockFrames);
    int start = 0;
    for (auto _ : run) {
        Sample* inputs[] = {inL.data() + start, inR.data() + start};
        Sample* outputs[] = {outL.data(), outR.data()};
        if (path.reference) {
            glowmarsh::processBlockReference(*state, inputs, outputs, blockFrames);
        } else {
            glowmarsh::processBlock(*state, inputs, outputs, blockFrames, path.level);
        }
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        start = start + 2 * blockFrames <= kSourceFrames ? start + blockFrames : 0;
    }
    run.SetItemsProcessed(run.iterations() * blockFrames);
}

// Arguments: Grain times 10 (0 -> 7 taps, 7 -> 83 taps, 10 -> 163 taps), block frames.
void sweep(benchmark::internal::Benchmark* b) {
    b->ArgNames({"grainTenths", "block"});
    for (int block : {64, 512, 4096}) {
        for (int grain : {0, 7, 10}) {
            b->Args({grain, block});
        }
    }
}

void atBlock512(benchmark::internal::Benchmark* b) {
    b->ArgNames({"grainTenths", "block"});
    for (int grain : {0, 7, 10}) {
        b->Args({grain, 512});
    }
}

const Path kReference{true, SimdLevel::portable};

void BM_FloatReference(benchmark::State& run) { processBlocks<float>(run, kReference); }
void BM_FloatFast(benchmark::State& run) { processBlocks<float>(run, {false, glowmarsh::bestSimdLevel()}); }
void BM_DoubleReference(benchmark::State& run) { processBlocks<double>(run, kReference); }
void BM_DoubleFast(benchmark::State& run) { processBlocks<double>(run, {false, glowmarsh::bestSimdLevel()}); }
BENCHMARK(BM_FloatReference)->Apply(sweep);
BENCHMARK(BM_FloatFast)->Apply(sweep);
BENCHMARK(BM_DoubleReference)->Apply(sweep);
BENCHMARK(BM_DoubleFast)->Apply(sweep);

// The lower levels, for machines without AVX2.
void BM_FloatFastSse2(benchmark::State& run) { processBlocks<float>(run, {false, SimdLevel::sse2}); }
void BM_FloatFastPortable(benchmark::State& run) { processBlocks<float>(run, {false, SimdLevel::portable}); }
BENCHMARK(BM_FloatFastSse2)->Apply(atBlock512);
BENCHMARK(BM_FloatFastPortable)->Apply(atBlock512);

}  // namespace
