// A render is the effect's own output: the same input, block size, settings
// and rand() seed run through a Glowmarsh in this process give the same bits
// as glowmarsh-render gives through Glowmarsh.so.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#include "effect/Glowmarsh.h"
#include "tests/render/RenderTestSupport.h"

namespace rendertest {
namespace {

constexpr unsigned kSeed = 1234;
constexpr std::int64_t kInputFrames = 30000;
constexpr std::int64_t kTailFrames = 4410;  // --tail 0.1 at 44100 Hz

struct IdentityCase {
    const char* name;
    bool doublePrecision;
    VstInt32 blockFrames;
    std::vector<std::pair<VstInt32, float>> settings;  // parameter index, value
};

void PrintTo(const IdentityCase& row, std::ostream* out) {
    *out << row.name;
}

// The effect's output for the renderer's input, settings and seed, in blocks,
// with silence for the tail, computed in this process.
template <typename Sample>
std::vector<double> renderInProcess(const IdentityCase& c, const Audio& input) {
    Glowmarsh effect(nullptr);
    for (auto [index, value] : c.settings) {
        effect.setParameter(index, value);
    }
    std::srand(kSeed);
    const std::int64_t total = kInputFrames + kTailFrames;
    std::vector<Sample> inL(total), inR(total), outL(total), outR(total);
    for (std::int64_t i = 0; i < kInputFrames; ++i) {
        inL[i] = Sample(input.samples[2 * i]);
        inR[i] = Sample(input.samples[2 * i + 1]);
    }
    for (std::int64_t start = 0; start < total; start += c.blockFrames) {
        Sample* in[] = {&inL[start], &inR[start]};
        Sample* out[] = {&outL[start], &outR[start]};
        const auto frames = VstInt32(std::min<std::int64_t>(c.blockFrames, total - start));
        if constexpr (std::is_same_v<Sample, float>) {
            effect.processReplacing(in, out, frames);
        } else {
            effect.processDoubleReplacing(in, out, frames);
        }
    }
    std::vector<double> rendered;
    for (std::int64_t i = 0; i < total; ++i) {
        rendered.insert(rendered.end(), {double(outL[i]), double(outR[i])});
    }
    return rendered;
}

class RenderIdentity : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(RenderIdentity, RenderEqualsInProcessOutputBitForBit) {
    // The effect's noise source and rand() are process-wide: a second case in
    // the same process would start from where the first left them.
    static bool processUsed = false;
    if (std::exchange(processUsed, true)) {
        GTEST_SKIP() << "needs a process of its own; run through ctest";
    }
    const IdentityCase& c = GetParam();
    ScratchFolder scratch;
    const int format = SF_FORMAT_WAV | (c.doublePrecision ? SF_FORMAT_DOUBLE : SF_FORMAT_FLOAT);
    Audio input = testSignal(2, kInputFrames, 44100, format);
    for (double& sample : input.samples) {
        sample *= 0.999;  // values that no 16-bit file holds
    }
    writeAudio(scratch.file("in.wav"), input);
    input = readAudio(scratch.file("in.wav"));  // exactly what the renderer reads

    std::vector<std::string> args{"--quiet", "--seed", std::to_string(kSeed), "--tail", "0.1", "--block",
                                  std::to_string(c.blockFrames), "--precision", c.doublePrecision ? "64" : "32",
                                  "--bits", c.doublePrecision ? "64f" : "32f", "--plugin", GLOWMARSH_PLUGIN_PATH};
    for (auto [index, value] : c.settings) {
        args.insert(args.end(), {"--set", std::to_string(index) + "=" + std::to_string(value)});
    }
    args.insert(args.end(), {"@in.wav", "@out.wav"});
    ASSERT_EQ(scratch.render(args).exitCode, 0);
    const std::vector<double> expected =
        c.doublePrecision ? renderInProcess<double>(c, input) : renderInProcess<float>(c, input);
    const Audio rendered = readAudio(scratch.file("out.wav"));
    ASSERT_EQ(rendered.samples.size(), expected.size());
    EXPECT_EQ(std::memcmp(rendered.samples.data(), expected.data(), expected.size() * sizeof(double)), 0)
        << "the render differs from the effect's own output";
}

const IdentityCase kIdentity[] = {
    {"Float512Defaults", false, 512, {}},
    {"Double512Defaults", true, 512, {}},
    {"FloatOddBlocksWithSettings", false, 333, {{0, 0.5f}, {1, 0.25f}, {2, 1.0f}}},
    {"DoubleSingleFrameBlocksWithSettings", true, 1, {{2, 0.75f}}},
};

INSTANTIATE_TEST_SUITE_P(Render, RenderIdentity, ::testing::ValuesIn(kIdentity),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rendertest
