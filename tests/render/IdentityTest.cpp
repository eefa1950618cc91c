// A render is the effect's own output: the same input, block size, settings
// and rand() seed run through a Glowmarsh in this process give the same bits
// as glowmarsh-render gives through Glowmarsh.so.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "effect/Glowmarsh.h"
#include "tests/render/RenderTestSupport.h"

namespace rendertest {
namespace {

constexpr unsigned kSeed = 1234;
constexpr std::int64_t kTailFrames = 4410;  // --tail 0.1 at 44100 Hz

struct IdentityCase {
    const char* name;
    bool doublePrecision;
    VstInt32 blockFrames;
    std::array<float, 3> values;  // Sustain, Grain, Dry/Wet, each exact in six decimals
};

void PrintTo(const IdentityCase& row, std::ostream* out) {
    *out << row.name;
}

// The effect's output for the input, settings and seed, in blocks, with
// silence for the tail, computed in this process; interleaved as in a file.
template <typename Sample>
std::vector<double> renderInProcess(const IdentityCase& c, const Audio& input) {
    Glowmarsh effect(nullptr);
    for (VstInt32 i = 0; i < 3; ++i) {
        effect.setParameter(i, c.values[i]);
    }
    std::srand(kSeed);
    const std::int64_t total = input.frames() + kTailFrames;
    std::vector<Sample> in(2 * total), out(2 * total);  // the left channel, then the right
    for (std::int64_t i = 0; i < input.frames(); ++i) {
        in[i] = Sample(input.samples[2 * i]);
        in[total + i] = Sample(input.samples[2 * i + 1]);
    }
    for (std::int64_t start = 0; start < total; start += c.blockFrames) {
        Sample* ins[] = {&in[start], &in[total + start]};
        Sample* outs[] = {&out[start], &out[total + start]};
        const auto frames = VstInt32(std::min<std::int64_t>(c.blockFrames, total - start));
        if constexpr (sizeof(Sample) == sizeof(float)) {
            effect.processReplacing(ins, outs, frames);
        } else {
            effect.processDoubleReplacing(ins, outs, frames);
        }
    }
    std::vector<double> rendered;
    for (std::int64_t i = 0; i < total; ++i) {
        rendered.insert(rendered.end(), {double(out[i]), double(out[total + i])});
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
    // 0.999 of the signal: values that no 16-bit file holds.
    writeAudio(scratch.file("in.wav"),
               testSignal(2, 30000, SF_FORMAT_WAV | (c.doublePrecision ? SF_FORMAT_DOUBLE : SF_FORMAT_FLOAT), 0.999));
    const Audio input = readAudio(scratch.file("in.wav"));  // exactly what the renderer reads
    std::vector<std::string> args{"--quiet", "--seed", std::to_string(kSeed), "--tail", "0.1", "--block",
                                  std::to_string(c.blockFrames), "--precision", c.doublePrecision ? "64" : "32",
                                  "--bits", c.doublePrecision ? "64f" : "32f", "--plugin", GLOWMARSH_PLUGIN_PATH};
    for (int i = 0; i < 3; ++i) {
        args.insert(args.end(), {"--set", std::to_string(i) + "=" + std::to_string(c.values[i])});
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
    {"Float512Defaults", false, 512, {1.0f, 0.7f, 0.2f}},
    {"Double512Defaults", true, 512, {1.0f, 0.7f, 0.2f}},
    {"FloatOddBlocksWithSettings", false, 333, {0.5f, 0.25f, 1.0f}},
    {"DoubleSingleFrameBlocksWithSettings", true, 1, {1.0f, 0.7f, 0.75f}},
};

INSTANTIATE_TEST_SUITE_P(Render, RenderIdentity, ::testing::ValuesIn(kIdentity),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rendertest
