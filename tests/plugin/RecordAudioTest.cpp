// Audio through the loaded Glowmarsh.so's two processing entries: a few
// seconds of stereo, compared bit for bit with the engine run in-process on
// the same input and random seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "engine/Engine.h"
#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Signals.h"
#include "tests/support/TestSignals.h"

namespace {

constexpr int kFrames = 3 * 44100;
constexpr int kBlock = 512;

template <typename Sample, typename Process>
hosttest::StereoBuffer<Sample> render(Process process) {
    const testsignals::Stereo source = testsignals::musicLike(kFrames, 8);
    hosttest::StereoBuffer<Sample> in(kFrames), out(kFrames);
    std::transform(source.left.begin(), source.left.end(), in.left.begin(), [](double x) { return Sample(x); });
    std::transform(source.right.begin(), source.right.end(), in.right.begin(), [](double x) { return Sample(x); });
    std::srand(4242);
    for (int start = 0; start < kFrames; start += kBlock) {
        process(in.at(start), out.at(start), std::min(kBlock, kFrames - start));
    }
    return out;
}

template <typename Sample>
void expectModuleMatchesEngine() {
    hosttest::HostedEffect effect;
    effect.setParameter(0, 0.9f);
    effect.setParameter(1, 0.8f);
    effect.setParameter(2, 0.4f);
    const auto loaded = render<Sample>([&](Sample** in, Sample** out, VstInt32 n) { effect.process(in, out, n); });
    auto engine = std::make_unique<glowmarsh::EngineState>();
    engine->sustain = 0.9f;
    engine->grain = 0.8f;
    engine->dryWet = 0.4f;
    const auto inProcess =
        render<Sample>([&](Sample** in, Sample** out, VstInt32 n) { glowmarsh::processBlock(*engine, in, out, n); });
    EXPECT_EQ(loaded.left, inProcess.left);
    EXPECT_EQ(loaded.right, inProcess.right);
}

TEST(RecordAudio, FloatEntryMatchesTheEngine) { expectModuleMatchesEngine<float>(); }
TEST(RecordAudio, DoubleEntryMatchesTheEngine) { expectModuleMatchesEngine<double>(); }

}  // namespace
