// How close the plug-in runs to its floor: engine time per frame divided by
// the floor loop's (FloorLoop.h), whose two rand() draws per frame the dither
// cannot avoid. Both are called through the same record-shaped entry: the
// engine through the record of the built plug-in module (at the best SIMD
// level of this CPU, and a build of the same module held at AVX2), the floor
// through a function pointer of the same type. Block 512, 44.1 kHz stereo
// noise, looped.
//
// Within one run the engine and the floor take turns, trial for trial (the
// order flips every trial), so a change of machine load hits both; each
// side's figure is the median of its trials. Repetitions give the spread.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/FloorLoop.h"
#include "tools/vsthost/Plugin.h"

namespace {

constexpr VstInt32 kBlock = 512;
constexpr int kSourceFrames = 44100;   // one second of noise, looped
constexpr int kTrialBlocks = 8;        // blocks per timed trial
constexpr int kWarmUpFrames = 88200;   // writes the whole history before timing
constexpr int kTrials = 400;           // trials per side and repetition

template <typename Sample>
using Call = void (*)(AEffect*, Sample**, Sample**, VstInt32);

Call<float> recordCall(AEffect* effect, float*) { return effect->processReplacing; }
Call<double> recordCall(AEffect* effect, double*) { return effect->processDoubleReplacing; }
Call<float> floorCall(float*) { return floorloop::floorReplacing; }
Call<double> floorCall(double*) { return floorloop::floorDoubleReplacing; }

double median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

template <typename Sample>
struct Source {
    std::vector<Sample> left, right, outL, outR;
    int start = 0;

    Source() : left(kSourceFrames), right(kSourceFrames), outL(kBlock), outR(kBlock) {
        std::mt19937 random(1);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        for (int i = 0; i < kSourceFrames; ++i) {
            left[i] = static_cast<Sample>(unit(random));
            right[i] = static_cast<Sample>(unit(random));
        }
    }

    void block(Call<Sample> call, AEffect* effect) {
        Sample* inputs[] = {left.data() + start, right.data() + start};
        Sample* outputs[] = {outL.data(), outR.data()};
        call(effect, inputs, outputs, kBlock);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        start = start + 2 * kBlock <= kSourceFrames ? start + kBlock : 0;
    }

    // Nanoseconds per frame of one trial.
    double trial(Call<Sample> call, AEffect* effect) {
        const auto begin = std::chrono::steady_clock::now();
        for (int b = 0; b < kTrialBlocks; ++b) {
            block(call, effect);
        }
        const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - begin;
        return spent.count() / (kTrialBlocks * kBlock);
    }
};

template <typename Sample>
void engineOverFloor(benchmark::State& run, const char* modulePath, bool atAvx2) {
    if (atAvx2 && !(__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))) {
        run.SkipWithError("this CPU has no AVX2: the module held at AVX2 would run a lower level");
        return;
    }
    std::string error;
    const std::unique_ptr<vsthost::Plugin> plugin = vsthost::Plugin::load(modulePath, error);
    if (!plugin) {
        run.SkipWithError(error.c_str());
        return;
    }
    plugin->open();
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(kBlock);
    plugin->resume();
    plugin->setParameter(1, static_cast<float>(run.range(0)) / 10.0f);
    AEffect* effect = plugin->record();
    const Call<Sample> engine = recordCall(effect, static_cast<Sample*>(nullptr));
    const Call<Sample> floor = floorCall(static_cast<Sample*>(nullptr));

    Source<Sample> source;
    for (int done = 0; done < kWarmUpFrames; done += kBlock) {
        source.block(engine, effect);
        source.block(floor, effect);
    }
    std::vector<double> engineNs, floorNs;
    bool engineFirst = true;
    for (auto _ : run) {
        if (engineFirst) {
            engineNs.push_back(source.trial(engine, effect));
            floorNs.push_back(source.trial(floor, effect));
        } else {
            floorNs.push_back(source.trial(floor, effect));
            engineNs.push_back(source.trial(engine, effect));
        }
        engineFirst = !engineFirst;
    }
    plugin->suspend();
    const double enginePerFrame = median(engineNs);
    const double floorPerFrame = median(floorNs);
    run.counters["ratio"] = enginePerFrame / floorPerFrame;
    run.counters["engine_Mfps"] = 1e3 / enginePerFrame;
    run.counters["floor_Mfps"] = 1e3 / floorPerFrame;
    run.SetItemsProcessed(static_cast<std::int64_t>(engineNs.size()) * kTrialBlocks * kBlock);
}

void grains(benchmark::internal::Benchmark* b) {
    b->ArgNames({"grainTenths"})->Arg(7)->Arg(10)->Iterations(kTrials);
    b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
    b->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); });
}

void BM_FloorRatioFloat(benchmark::State& run) { engineOverFloor<float>(run, GLOWMARSH_MODULE, false); }
void BM_FloorRatioDouble(benchmark::State& run) { engineOverFloor<double>(run, GLOWMARSH_MODULE, false); }
void BM_FloorRatioFloatAvx2(benchmark::State& run) { engineOverFloor<float>(run, GLOWMARSH_MODULE_AVX2, true); }
void BM_FloorRatioDoubleAvx2(benchmark::State& run) { engineOverFloor<double>(run, GLOWMARSH_MODULE_AVX2, true); }
BENCHMARK(BM_FloorRatioFloat)->Apply(grains);
BENCHMARK(BM_FloorRatioDouble)->Apply(grains);
BENCHMARK(BM_FloorRatioFloatAvx2)->Apply(grains);
BENCHMARK(BM_FloorRatioDoubleAvx2)->Apply(grains);

}  // namespace
