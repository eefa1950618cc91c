// A render is the effect's own output: the same input, block size, settings
// and rand() seed run through a Glowmarsh in this process give the same bits
// as glowmarsh-render gives through Glowmarsh.so, whatever the engine
// computes.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cstdlib>
#include <cstring>

#include "host/AudioEffect.h"
#include "tests/render/RenderTestSupport.h"
#include "tools/vsthost/Plugin.h"

namespace rendertest {
namespace {

constexpr int kRateHz = 44100;
constexpr std::int64_t kInputFrames = 30000;
constexpr unsigned kSeed = 1234;

struct IdentityCase {
    const char* name;
    bool doublePrecision;
    int channels;
    std::int32_t blockFrames;
    std::vector<std::pair<int, float>> settings;  // parameter index, value
    std::int64_t tailFrames;                      // -1: the renderer's default
};

// Rows print as their names in test listings.
void PrintTo(const IdentityCase& row, std::ostream* out) {
    *out << row.name;
}

// Glowmarsh's reach: what the renderer adds without --tail.
constexpr std::int64_t kDefaultTailFrames = 22061;

template <typename Sample>
std::vector<double> renderInProcess(const IdentityCase& c, const Audio& input, std::int64_t tailFrames) {
    std::unique_ptr<vsthost::Plugin> plugin =
        vsthost::Plugin::adopt(createEffectInstance(vsthost::hostCallback)->getAeffect());
    plugin->open();
    plugin->setSampleRate(kRateHz);
    plugin->setBlockSize(c.blockFrames);
    for (auto [index, value] : c.settings) {
        plugin->setParameter(index, value);
    }
    std::srand(kSeed);
    plugin->resume();
    const std::int64_t total = input.frames() + tailFrames;
    std::vector<Sample> inL(c.blockFrames), inR(c.blockFrames), outL(c.blockFrames), outR(c.blockFrames);
    Sample* in[] = {inL.data(), inR.data()};
    Sample* out[] = {outL.data(), outR.data()};
    std::vector<double> rendered;
    for (std::int64_t start = 0; start < total; start += c.blockFrames) {
        const auto frames = static_cast<std::int32_t>(std::min<std::int64_t>(c.blockFrames, total - start));
        for (std::int32_t i = 0; i < frames; ++i) {
            const std::int64_t frame = start + i;
            const bool inInput = frame < input.frames();
            const auto at = static_cast<std::size_t>(frame * input.channels);
            inL[i] = inInput ? Sample(input.samples[at]) : Sample(0);
            inR[i] = inInput ? Sample(input.samples[at + std::size_t(input.channels) - 1]) : Sample(0);
        }
        plugin->process(in, out, frames);
        for (std::int32_t i = 0; i < frames; ++i) {
            rendered.push_back(outL[i]);
            rendered.push_back(outR[i]);
        }
    }
    plugin->suspend();
    plugin->close();
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
    const int fileFormat = SF_FORMAT_WAV | (c.doublePrecision ? SF_FORMAT_DOUBLE : SF_FORMAT_FLOAT);
    Audio input = testSignal(c.channels, kInputFrames, kRateHz, fileFormat);
    for (double& sample : input.samples) {
        sample *= 0.999;  // values that no 16-bit file holds, in either precision
    }
    ScratchFolder scratch;
    writeAudio(scratch.file("in.wav"), input);
    input = readAudio(scratch.file("in.wav"));  // exactly what the renderer will read

    std::vector<std::string> args{"--quiet", "--seed", std::to_string(kSeed), "--block", std::to_string(c.blockFrames),
                                  "--precision", c.doublePrecision ? "64" : "32", "--bits",
                                  c.doublePrecision ? "64f" : "32f"};
    for (auto [index, value] : c.settings) {
        args.insert(args.end(), {"--set", std::to_string(index) + "=" + std::to_string(value)});
    }
    if (c.tailFrames >= 0) {
        args.insert(args.end(), {"--tail", std::to_string(double(c.tailFrames) / kRateHz)});
    }
    args.insert(args.end(), {"--plugin", GLOWMARSH_PLUGIN_PATH, scratch.file("in.wav"), scratch.file("out.wav")});
    const ToolResult result = runRender(args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Audio rendered = readAudio(scratch.file("out.wav"));

    const std::int64_t tail = c.tailFrames >= 0 ? c.tailFrames : kDefaultTailFrames;
    const std::vector<double> expected = c.doublePrecision ? renderInProcess<double>(c, input, tail)
                                                           : renderInProcess<float>(c, input, tail);
    ASSERT_EQ(rendered.samples.size(), expected.size());
    ASSERT_EQ(std::memcmp(rendered.samples.data(), expected.data(), expected.size() * sizeof(double)), 0)
        << "the render differs from the effect's own output";
}

const IdentityCase kIdentity[] = {
    {"Float512DefaultTail", false, 2, 512, {}, -1},
    {"Double512DefaultTail", true, 2, 512, {}, -1},
    {"FloatOddBlocksWithSettings", false, 2, 333, {{0, 0.5f}, {1, 0.25f}, {2, 1.0f}}, 4410},
    {"DoubleSingleFrameBlocks", true, 2, 1, {{2, 0.75f}}, 441},
    {"FloatMonoInput", false, 1, 4096, {}, 2205},
};

INSTANTIATE_TEST_SUITE_P(Render, RenderIdentity, ::testing::ValuesIn(kIdentity),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rendertest
