// Audio through the loaded Glowmarsh.so's two processing entries: a few
// seconds of stereo, compared bit for bit with the engine run in-process on
// the same input and random seed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine/Engine.h"
#include "tests/support/TestSignals.h"
#include "tools/vsthost/PluginLibrary.h"

namespace {

constexpr int kFrames = 3 * 44100;
constexpr int kBlock = 512;
constexpr unsigned kSeed = 4242;

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == 1 ? 2400 : 0;  // the version query; nothing else matters here
}

template <typename Sample>
struct Stereo {
    std::vector<Sample> left, right;
};

template <typename Sample>
Stereo<Sample> material() {
    const testsignals::Stereo source = testsignals::musicLike(kFrames, 8);
    return {{source.left.begin(), source.left.end()}, {source.right.begin(), source.right.end()}};
}

// Runs all frames in blocks through process(inputs, outputs, frames).
template <typename Sample, typename Process>
Stereo<Sample> runBlocks(Stereo<Sample> in, Process process) {
    Stereo<Sample> out{std::vector<Sample>(kFrames), std::vector<Sample>(kFrames)};
    std::srand(kSeed);
    for (int start = 0; start < kFrames; start += kBlock) {
        Sample* inputs[] = {in.left.data() + start, in.right.data() + start};
        Sample* outputs[] = {out.left.data() + start, out.right.data() + start};
        process(inputs, outputs, std::min(kBlock, kFrames - start));
    }
    return out;
}

template <typename Sample>
void checkEntry(void (*AEffect::*entry)(AEffect*, Sample**, Sample**, VstInt32)) {
    std::string error;
    auto library = vsthost::PluginLibrary::open(GLOWMARSH_PLUGIN_PATH, error);
    ASSERT_TRUE(library) << error;
    AEffect* effect = library->create(quietHost);
    ASSERT_NE(effect, nullptr);
    effect->setParameter(effect, 0, 0.9f);
    effect->setParameter(effect, 1, 0.8f);
    effect->setParameter(effect, 2, 0.4f);

    const Stereo<Sample> loaded = runBlocks(material<Sample>(), [&](Sample** in, Sample** out, VstInt32 frames) {
        (effect->*entry)(effect, in, out, frames);
    });
    effect->dispatcher(effect, 1, 0, 0, nullptr, 0.0f);

    auto engine = std::make_unique<glowmarsh::EngineState>();
    engine->sustain = 0.9f;
    engine->grain = 0.8f;
    engine->dryWet = 0.4f;
    const Stereo<Sample> inProcess = runBlocks(material<Sample>(), [&](Sample** in, Sample** out, VstInt32 frames) {
        glowmarsh::processBlock(*engine, in, out, frames);
    });

    for (int i = 0; i < kFrames; ++i) {
        ASSERT_TRUE(std::isfinite(loaded.left[i]) && std::isfinite(loaded.right[i])) << "frame " << i;
    }
    EXPECT_EQ(loaded.left, inProcess.left);
    EXPECT_EQ(loaded.right, inProcess.right);
}

TEST(RecordAudio, FloatEntryMatchesTheEngine) {
    checkEntry<float>(&AEffect::processReplacing);
}

TEST(RecordAudio, DoubleEntryMatchesTheEngine) {
    checkEntry<double>(&AEffect::processDoubleReplacing);
}

}  // namespace
