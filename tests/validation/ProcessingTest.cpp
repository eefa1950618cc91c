// What every host expects of processing: any sample rate, any block size,
// either precision, in place or not, and output that is finite and never
// subnormal whatever finite material goes in.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Render.h"
#include "tests/hosttest/Signals.h"

namespace {

using hosttest::HostedEffect;
using hosttest::StereoBuffer;

const std::vector<int> kHostBlockSizes = {0, 1, 17, 64, 512, 1024, 4096, 16384};

// Long enough for every tap to read the material back from the history.
constexpr std::size_t kMaterialFrames = 40000;

struct Material {
    const char* name;
    std::function<double(std::size_t frame, int channel)> sample;
};

// Test names show the row's name rather than its bytes.
void PrintTo(const Material& row, std::ostream* os) { *os << row.name; }

const std::vector<Material> kMaterials = {
    {"silence", [](std::size_t, int) { return 0.0; }},
    {"negative_zero", [](std::size_t, int) { return -0.0; }},
    {"impulse_every_30000", [](std::size_t i, int) { return i % 30000 == 0 ? 1.0 : 0.0; }},
    {"impulse_left_only", [](std::size_t i, int c) { return i == 5 && c == 0 ? 1.0 : 0.0; }},
    {"tiny_1e_minus_38", [](std::size_t, int) { return 1e-38; }},
    {"tiny_negative_1e_minus_38", [](std::size_t, int) { return -1e-38; }},
    {"smallest_float", [](std::size_t, int) { return static_cast<double>(std::numeric_limits<float>::denorm_min()); }},
    {"smallest_normal_float", [](std::size_t, int) { return static_cast<double>(FLT_MIN); }},
    {"dc_full_scale", [](std::size_t, int) { return 1.0; }},
    {"dc_negative_full_scale", [](std::size_t, int) { return -1.0; }},
    {"dc_opposite_channels", [](std::size_t, int c) { return c == 0 ? 0.5 : -0.5; }},
    {"nyquist_full_scale", [](std::size_t i, int) { return i % 2 ? 1.0 : -1.0; }},
    {"full_scale_noise", [](std::size_t i, int c) {
         // A cheap, repeatable hash noise in [-1, 1].
         std::uint32_t x = static_cast<std::uint32_t>(i * 2 + c) * 2654435761u;
         x ^= x >> 15;
         x *= 2246822519u;
         x ^= x >> 13;
         return static_cast<double>(x) / 2147483647.5 - 1.0;
     }},
};

template <typename Sample>
StereoBuffer<Sample> make(const Material& material, std::size_t frames) {
    StereoBuffer<Sample> buffer(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        buffer.left[i] = static_cast<Sample>(material.sample(i, 0));
        buffer.right[i] = static_cast<Sample>(material.sample(i, 1));
    }
    return buffer;
}

template <typename Sample>
void expectFit(const StereoBuffer<Sample>& out, const std::string& what) {
    const long left = hosttest::firstUnfitSample(out.left);
    const long right = hosttest::firstUnfitSample(out.right);
    EXPECT_EQ(left, -1) << what << ": left sample " << left << " is " << (left >= 0 ? out.left[left] : 0);
    EXPECT_EQ(right, -1) << what << ": right sample " << right << " is " << (right >= 0 ? out.right[right] : 0);
}

// Every material, both precisions, a host's random block sizes up to 16384.
class MaterialTest : public ::testing::TestWithParam<Material> {};

TEST_P(MaterialTest, OutputIsFiniteAndNeverSubnormalInEitherPrecision) {
    const Material& material = GetParam();
    const auto blocks = hosttest::randomBlockSizes(64, 16384, 7);
    {
        HostedEffect effect;
        auto input = make<float>(material, kMaterialFrames);
        expectFit(hosttest::render(effect, input, blocks), std::string(material.name) + ", 32-bit");
    }
    {
        HostedEffect effect;
        auto input = make<double>(material, kMaterialFrames);
        expectFit(hosttest::render(effect, input, blocks), std::string(material.name) + ", 64-bit");
    }
}

TEST_P(MaterialTest, SwitchingPrecisionEveryBlockKeepsOutputFit) {
    const Material& material = GetParam();
    HostedEffect effect;
    auto single = make<float>(material, kMaterialFrames);
    auto twice = make<double>(material, kMaterialFrames);
    StereoBuffer<float> singleOut(kMaterialFrames);
    StereoBuffer<double> twiceOut(kMaterialFrames);
    const auto blocks = hosttest::randomBlockSizes(64, 4096, 11);
    std::size_t offset = 0;
    for (std::size_t block = 0; offset < kMaterialFrames; ++block) {
        const std::size_t frames = std::min<std::size_t>(blocks[block % blocks.size()], kMaterialFrames - offset);
        if (block % 2 == 0) {
            effect.process(single.at(offset), singleOut.at(offset), static_cast<VstInt32>(frames));
        } else {
            effect.process(twice.at(offset), twiceOut.at(offset), static_cast<VstInt32>(frames));
        }
        offset += frames;
    }
    expectFit(singleOut, std::string(material.name) + ", 32-bit blocks");
    expectFit(twiceOut, std::string(material.name) + ", 64-bit blocks");
}

INSTANTIATE_TEST_SUITE_P(Materials, MaterialTest, ::testing::ValuesIn(kMaterials),
                         [](const auto& info) { return std::string(info.param.name); });

// The engine ignores the sample rate, but a host may set any: none may upset it.
struct RateCase {
    const char* name;
    float sampleRateHz;
};

// Test names show the row's name rather than its bytes.
void PrintTo(const RateCase& row, std::ostream* os) { *os << row.name; }

class SampleRateTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(SampleRateTest, EveryHostBlockSizeGivesFitOutput) {
    const RateCase& rate = GetParam();
    for (const bool twice : {false, true}) {
        HostedEffect effect;
        effect.suspend();
        effect.setSampleRateAndBlockSize(rate.sampleRateHz, 16384);
        effect.resume();
        std::size_t total = 0;
        for (int frames : kHostBlockSizes) {
            total += static_cast<std::size_t>(frames);
        }
        const std::string what = std::string(rate.name) + (twice ? ", 64-bit" : ", 32-bit");
        if (twice) {
            auto input = hosttest::loudNoise<double>(total, 3);
            expectFit(hosttest::render(effect, input, kHostBlockSizes), what);
        } else {
            auto input = hosttest::loudNoise<float>(total, 3);
            expectFit(hosttest::render(effect, input, kHostBlockSizes), what);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, SampleRateTest,
                         ::testing::Values(RateCase{"rate_8000", 8000.0f}, RateCase{"rate_11025", 11025.0f},
                                           RateCase{"rate_22050", 22050.0f}, RateCase{"rate_44100", 44100.0f},
                                           RateCase{"rate_48000", 48000.0f}, RateCase{"rate_88200", 88200.0f},
                                           RateCase{"rate_96000", 96000.0f}, RateCase{"rate_176400", 176400.0f},
                                           RateCase{"rate_192000", 192000.0f}, RateCase{"rate_352800", 352800.0f},
                                           RateCase{"rate_384000", 384000.0f},
                                           RateCase{"rate_1234_5678", 1234.5678f}),
                         [](const auto& info) { return std::string(info.param.name); });

// In place or into separate buffers: the same bits, given the same dither draws.
template <typename Sample>
void expectInPlaceMatchesSeparate(std::uint32_t seed) {
    const auto blocks = hosttest::randomBlockSizes(32, 2048, seed);
    auto material = hosttest::loudNoise<Sample>(30000, seed);
    auto copy = material;
    std::srand(seed);
    HostedEffect separateEffect;
    const auto separate = hosttest::render(separateEffect, material, blocks);
    std::srand(seed);
    HostedEffect inPlaceEffect;
    const auto inPlace = hosttest::render(inPlaceEffect, copy, blocks, /*inPlace=*/true);
    EXPECT_EQ(std::memcmp(separate.left.data(), inPlace.left.data(), separate.left.size() * sizeof(Sample)), 0);
    EXPECT_EQ(std::memcmp(separate.right.data(), inPlace.right.data(), separate.right.size() * sizeof(Sample)), 0);
}

TEST(InPlace, SingleAndSeparateBuffersGiveTheSameBits32) { expectInPlaceMatchesSeparate<float>(21); }
TEST(InPlace, SingleAndSeparateBuffersGiveTheSameBits64) { expectInPlaceMatchesSeparate<double>(22); }

// An empty or negative block reads and writes nothing, in either precision.
template <typename Sample>
void expectEmptyBlockTouchesNothing(VstInt32 frames) {
    HostedEffect effect;
    StereoBuffer<Sample> input(8), output(8);
    std::fill(input.left.begin(), input.left.end(), Sample(0.25));
    std::fill(input.right.begin(), input.right.end(), Sample(-0.25));
    std::fill(output.left.begin(), output.left.end(), Sample(7));
    std::fill(output.right.begin(), output.right.end(), Sample(9));
    effect.process(input.at(0), output.at(0), frames);
    EXPECT_EQ(output.left, std::vector<Sample>(8, Sample(7))) << frames;
    EXPECT_EQ(output.right, std::vector<Sample>(8, Sample(9))) << frames;
    EXPECT_EQ(input.left, std::vector<Sample>(8, Sample(0.25))) << frames;
}

TEST(EmptyBlocks, ZeroAndNegativeFrameCountsWriteNothing) {
    for (VstInt32 frames : {0, -1, -16384, std::numeric_limits<VstInt32>::min()}) {
        expectEmptyBlockTouchesNothing<float>(frames);
        expectEmptyBlockTouchesNothing<double>(frames);
    }
}

// A host may hand over one huge block (offline bounces do): the scan motion
// then runs for many sweeps without a block start to reset it.
TEST(LongBlocks, AMillionFramesInOneBlockAtTheLongestOffsetsStayFit) {
    HostedEffect effect;
    effect.setParameter(0, 1.0f);  // longest spacing
    effect.setParameter(1, 1.0f);  // most taps: the farthest tap sits at the end of the ring
    auto input = hosttest::loudNoise<float>(1 << 20, 5);
    expectFit(hosttest::render(effect, input, {1 << 20}), "one block of 2^20 frames");
}

}  // namespace
