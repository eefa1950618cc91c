// What every host expects of processing: any sample rate, any block size,
// either precision or both in turn, in place or not, parameters however
// wild, suspend, resume, open and close at any time; and output that is
// finite and never subnormal whatever finite material goes in.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Render.h"
#include "tests/validation/Fit.h"

namespace {

using hosttest::HostedEffect;
using hosttest::StereoBuffer;
using validation::fit;

struct Material {
    const char* name;
    double (*sample)(std::size_t frame, int channel);
};

const Material kMaterials[] = {
    {"silence", [](std::size_t, int) { return 0.0; }},
    {"an impulse every 30000 frames", [](std::size_t i, int) { return i % 30000 == 0 ? 1.0 : 0.0; }},
    {"±1e-38", [](std::size_t, int c) { return c ? -1e-38 : 1e-38; }},
    {"the smallest float", [](std::size_t, int) { return double(std::numeric_limits<float>::denorm_min()); }},
    {"the smallest normal float", [](std::size_t, int) { return double(FLT_MIN); }},
    {"full-scale DC, opposite on the sides", [](std::size_t, int c) { return c ? -1.0 : 1.0; }},
    {"full scale at Nyquist", [](std::size_t i, int) { return i % 2 ? 1.0 : -1.0; }},
    {"full-scale noise", [](std::size_t i, int c) {
         std::uint32_t x = static_cast<std::uint32_t>(i * 2 + c) * 2654435761u;  // a cheap repeatable hash
         x = (x ^ (x >> 15)) * 2246822519u;
         return static_cast<double>(x ^ (x >> 13)) / 2147483647.5 - 1.0;
     }},
};

const float kRatesHz[] = {8000.0f,  11025.0f,  22050.0f,  44100.0f,  48000.0f,  88200.0f,
                          96000.0f, 176400.0f, 192000.0f, 352800.0f, 384000.0f, 1234.5678f};

template <typename Sample>
StereoBuffer<Sample> make(const Material& material, std::size_t frames) {
    StereoBuffer<Sample> buffer(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        buffer.left[i] = static_cast<Sample>(material.sample(i, 0));
        buffer.right[i] = static_cast<Sample>(material.sample(i, 1));
    }
    return buffer;
}

// Each row a host session: a sample rate, a material (40000 frames, so every
// tap reads it back), 32-bit, 64-bit or switching every block, in place or
// into separate buffers, and the host block sizes 0 to 16384 or a random
// sequence of sizes up to 16384. The 24 rows take every value of each.
TEST(Processing, EveryRateBlockSizePrecisionRoutingAndMaterialGivesFitOutput) {
    constexpr std::size_t kFrames = 40000;
    const char* const precisions[] = {"32-bit", "64-bit", "switching precision"};
    for (int row = 0; row < 24; ++row) {
        const Material& material = kMaterials[row % 8];
        const int precision = row % 3;
        const bool inPlace = row % 4 < 2;
        const std::vector<int> blocks = row % 2 ? std::vector<int>{0, 1, 17, 64, 512, 1024, 4096, 16384}
                                                : hosttest::randomBlockSizes(64, 16384, std::uint32_t(row));
        HostedEffect effect;
        effect.suspend();
        effect.setSampleRateAndBlockSize(kRatesHz[row % 12], 16384);
        effect.resume();
        auto in32 = make<float>(material, kFrames);
        auto in64 = make<double>(material, kFrames);
        StereoBuffer<float> out32(kFrames);
        StereoBuffer<double> out64(kFrames);
        bool allFit = true;
        auto run = [&](auto& in, auto& out, std::size_t offset, std::size_t frames) {
            auto& written = inPlace ? in : out;
            effect.process(in.at(offset), written.at(offset), static_cast<VstInt32>(frames));
            allFit = allFit && fit(written, offset, offset + frames);
        };
        for (std::size_t b = 0, offset = 0; offset < kFrames; ++b) {
            const std::size_t frames = std::min<std::size_t>(blocks[b % blocks.size()], kFrames - offset);
            if (precision == 1 || (precision == 2 && b % 2)) {
                run(in64, out64, offset, frames);
            } else {
                run(in32, out32, offset, frames);
            }
            offset += frames;
        }
        EXPECT_TRUE(allFit) << material.name << ", " << kRatesHz[row % 12] << " Hz, " << precisions[precision]
                            << (inPlace ? ", in place, " : ", separate buffers, ")
                            << (row % 2 ? "host block sizes" : "random block sizes");
    }
}

// Values a host should never send, but some do. Each is stored as given.
// Sustain and Grain are held inside their range when read, so the output
// stays fit; Dry/Wet is used as given, and the output is fit again as soon
// as it is sane. Past one whole history, in long and short blocks, so the
// scan motion moves taps away from their derived distances.
TEST(Processing, HostileParameterValuesKeepProcessingSafe) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float values[] = {-1.0f, 2.0f, 1.0000001f, 1.0032f /* 164 taps */, 1.0253f /* past the tables */,
                            1.01f /* past the history */, 100.0f, FLT_MAX, -FLT_MAX, nan, -nan, inf, -inf,
                            std::numeric_limits<float>::denorm_min(), -0.0f};
    auto bitsOf = [](float v) { std::uint32_t b; std::memcpy(&b, &v, 4); return b; };
    for (std::size_t v = 0; v < std::size(values); ++v) {
        HostedEffect effect;
        effect.setParameter(0, values[v]);
        effect.setParameter(1, values[v]);
        const std::vector<std::uint32_t> stored = {bitsOf(values[v]), bitsOf(values[v]), bitsOf(0.2f)};
        EXPECT_EQ(effect.parameterBits(), stored) << "stored as given";
        auto in32 = hosttest::loudNoise<float>(30000, 41);
        auto in64 = hosttest::loudNoise<double>(30000, 42);
        const std::vector<int> blocks = {24000, 17, 1, 4096, 512};
        EXPECT_TRUE(v % 2 ? fit(hosttest::render(effect, in64, blocks)) : fit(hosttest::render(effect, in32, blocks)))
            << values[v] << " in Sustain and Grain";
        effect.setParameter(2, values[v]);
        hosttest::render(effect, in32, {4096});
        hosttest::render(effect, in64, {4096});
        effect.setParameter(2, 0.5f);
        auto more = hosttest::loudNoise<float>(2048, 45);
        EXPECT_TRUE(fit(hosttest::render(effect, more, {512}))) << values[v] << " in Dry/Wet, then 0.5";
    }
}

// A host's life cycle many times over: instances opened (up to 64 alive at
// once) and closed in random order, suspended and resumed (now and then twice
// in a row) with sample-rate changes between blocks of either precision.
TEST(Lifecycle, OpenSuspendResumeAndCloseManyTimesInRandomOrder) {
    std::mt19937 random(55);
    auto in32 = hosttest::loudNoise<float>(256, 51);
    auto in64 = hosttest::loudNoise<double>(256, 52);
    std::vector<std::unique_ptr<HostedEffect>> effects;
    for (int round = 0; round < 300 || !effects.empty(); ++round) {
        if (round < 300) effects.push_back(std::make_unique<HostedEffect>());
        std::swap(effects[random() % effects.size()], effects.back());
        HostedEffect& effect = *effects.back();
        effect.suspend();
        if (round % 5 == 0) effect.suspend();
        if (round % 3 == 0) effect.setSampleRateAndBlockSize(round % 2 ? 44100.0f : 96000.0f, 256);
        effect.resume();
        if (round % 5 == 0) effect.resume();
        ASSERT_TRUE(round % 2 ? fit(hosttest::render(effect, in64, {256})) : fit(hosttest::render(effect, in32, {256})))
            << "round " << round;
        if (effects.size() == 64 || round >= 300) effects.pop_back();
    }
}

}  // namespace
