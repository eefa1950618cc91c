// Parameter values a host should never send, but some do: outside 0..1, NaN,
// infinities, subnormals. Each is stored as given; Sustain and Grain are held
// inside their range by the engine, so the output stays fit; an absurd
// Dry/Wet is used as given, and the effect recovers as soon as it is sane.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <limits>
#include <string>

#include "tests/hosttest/HostedEffect.h"
#include "tests/hosttest/Render.h"
#include "tests/hosttest/Signals.h"

namespace {

using hosttest::HostedEffect;

struct HostileValue {
    const char* name;
    float value;
};

// Test names show the row's name rather than its bytes.
void PrintTo(const HostileValue& row, std::ostream* os) { *os << row.name; }

const HostileValue kHostileValues[] = {
    {"minus_one", -1.0f},
    {"two", 2.0f},
    {"just_above_one", 1.0000001f},
    {"grain_of_164_taps", 1.0032f},
    {"grain_beyond_the_tables", 1.0253f},
    {"sustain_past_the_history", 1.01f},
    {"hundred", 100.0f},
    {"huge", 1e30f},
    {"largest", FLT_MAX},
    {"most_negative", -FLT_MAX},
    {"nan", std::numeric_limits<float>::quiet_NaN()},
    {"negative_nan", -std::numeric_limits<float>::quiet_NaN()},
    {"infinity", std::numeric_limits<float>::infinity()},
    {"negative_infinity", -std::numeric_limits<float>::infinity()},
    {"smallest_subnormal", std::numeric_limits<float>::denorm_min()},
    {"negative_zero", -0.0f},
};

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Past one whole history, in a long block and then in short ones, so that
// the scan motion has moved taps well away from their derived distances.
constexpr std::size_t kFrames = 30000;
const std::vector<int> kBlocks = {24000, 17, 1, 4096, 512};

template <typename Sample>
hosttest::StereoBuffer<Sample> renderNoise(HostedEffect& effect, std::uint32_t seed) {
    auto input = hosttest::loudNoise<Sample>(kFrames, seed);
    return hosttest::render(effect, input, kBlocks);
}

class HostileParameterTest : public ::testing::TestWithParam<HostileValue> {};

// Sustain, Grain or both at once; each row alternates the precision.
TEST_P(HostileParameterTest, SustainAndGrainAreStoredAsGivenAndOutputStaysFit) {
    const HostileValue& hostile = GetParam();
    const std::vector<std::vector<VstInt32>> targets = {{0}, {1}, {0, 1}};
    int row = 0;
    for (const auto& indexes : targets) {
        HostedEffect effect;
        for (VstInt32 index : indexes) {
            effect.setParameter(index, hostile.value);
            EXPECT_EQ(bitsOf(effect.parameter(index)), bitsOf(hostile.value)) << hostile.name << ", parameter " << index;
        }
        const std::string what = std::string(hostile.name) + " in " + std::to_string(indexes.size()) +
                                 " parameter(s) from " + std::to_string(indexes[0]);
        if (row++ % 2 == 0) {
            const auto out = renderNoise<float>(effect, 41);
            EXPECT_EQ(hosttest::firstUnfitSample(out.left), -1) << what;
            EXPECT_EQ(hosttest::firstUnfitSample(out.right), -1) << what;
        } else {
            const auto out = renderNoise<double>(effect, 42);
            EXPECT_EQ(hosttest::firstUnfitSample(out.left), -1) << what;
            EXPECT_EQ(hosttest::firstUnfitSample(out.right), -1) << what;
        }
    }
}

TEST_P(HostileParameterTest, DryWetIsUsedAsGivenAndTheEffectRecoversWhenItIsSane) {
    const HostileValue& hostile = GetParam();
    HostedEffect effect;
    effect.setParameter(2, hostile.value);
    EXPECT_EQ(bitsOf(effect.parameter(2)), bitsOf(hostile.value));
    renderNoise<float>(effect, 43);
    renderNoise<double>(effect, 44);
    effect.setParameter(2, 0.5f);
    auto input = hosttest::loudNoise<float>(2048, 45);
    const auto out = hosttest::render(effect, input, {512});
    EXPECT_EQ(hosttest::firstUnfitSample(out.left), -1) << hostile.name;
    EXPECT_EQ(hosttest::firstUnfitSample(out.right), -1) << hostile.name;
}

INSTANTIATE_TEST_SUITE_P(Values, HostileParameterTest, ::testing::ValuesIn(kHostileValues),
                         [](const auto& info) { return std::string(info.param.name); });

// Indexes a host has no reason to send change nothing and read as 0.
TEST(HostileIndexes, OutOfRangeIndexesChangeNoParameter) {
    HostedEffect effect;
    const auto before = effect.parameterBits();
    for (VstInt32 index : {-1, 3, 4, 170, 1 << 20, std::numeric_limits<VstInt32>::min(),
                           std::numeric_limits<VstInt32>::max()}) {
        effect.setParameter(index, 0.5f);
        EXPECT_EQ(effect.parameter(index), 0.0f) << index;
        char text[9];
        std::memset(text, 'x', sizeof text);
        effect.dispatch(7, index, 0, text);  // display
        effect.dispatch(8, index, 0, text);  // name
        effect.dispatch(6, index, 0, text);  // label
        EXPECT_EQ(std::string(text, sizeof text), std::string(9, 'x')) << index;
    }
    EXPECT_EQ(effect.parameterBits(), before);
}

// Parameters change from block to block while the history is full.
TEST(Automation, ParametersChangedEveryBlockKeepOutputFit) {
    HostedEffect effect;
    std::mt19937 random(77);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    auto input = hosttest::loudNoise<float>(60000, 46);
    hosttest::StereoBuffer<float> output(input.frames());
    std::size_t offset = 0;
    const auto blocks = hosttest::randomBlockSizes(256, 700, 47);
    for (std::size_t block = 0; offset < input.frames(); ++block) {
        for (VstInt32 i = 0; i < 3; ++i) {
            effect.setParameter(i, unit(random));
        }
        const std::size_t frames = std::min<std::size_t>(blocks[block % blocks.size()], input.frames() - offset);
        effect.process(input.at(offset), output.at(offset), static_cast<VstInt32>(frames));
        offset += frames;
    }
    EXPECT_EQ(hosttest::firstUnfitSample(output.left), -1);
    EXPECT_EQ(hosttest::firstUnfitSample(output.right), -1);
}

}  // namespace
