// The two processing calls at a host's usual block size, by Grain (and so by
// tap count). Items are frames: divide frames per second by 44100 for the
// real-time factor of one instance.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "effect/Glowmarsh.h"
#include "tests/support/TestSignals.h"

namespace {

constexpr int kBlockFrames = 512;
constexpr int kSourceFrames = 44100;  // one second of material, looped

template <typename Sample>
void processBlocks(benchmark::State& run) {
    auto effect = std::make_unique<Glowmarsh>(nullptr);
    effect->setParameter(1, static_cast<float>(run.range(0)) / 10.0f);
    const testsignals::Stereo source = testsignals::musicLike(kSourceFrames, 3);
    std::vector<Sample> inL(source.left.begin(), source.left.end());
    std::vector<Sample> inR(source.right.begin(), source.right.end());
    std::vector<Sample> outL(kBlockFrames), outR(kBlockFrames);
    int start = 0;
    for (auto _ : run) {
        Sample* inputs[] = {inL.data() + start, inR.data() + start};
        Sample* outputs[] = {outL.data(), outR.data()};
        if constexpr (sizeof(Sample) == sizeof(float)) {
            effect->processReplacing(inputs, outputs, kBlockFrames);
        } else {
            effect->processDoubleReplacing(inputs, outputs, kBlockFrames);
        }
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        start = start + 2 * kBlockFrames <= kSourceFrames ? start + kBlockFrames : 0;
    }
    run.SetItemsProcessed(run.iterations() * kBlockFrames);
}

void BM_ProcessReplacing(benchmark::State& run) {
    processBlocks<float>(run);
}

void BM_ProcessDoubleReplacing(benchmark::State& run) {
    processBlocks<double>(run);
}

// Argument: Grain times 10 (0 -> 7 taps, 7 -> 83 taps, 10 -> 163 taps).
BENCHMARK(BM_ProcessReplacing)->ArgName("grainTenths")->Arg(0)->Arg(7)->Arg(10);
BENCHMARK(BM_ProcessDoubleReplacing)->ArgName("grainTenths")->Arg(0)->Arg(7)->Arg(10);

}  // namespace
