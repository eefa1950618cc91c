// What the renderer does to a plug-in and how long the result is: the host
// sequence, the block sizes, the tail, the impulse, and what it reports.
#include <gtest/gtest.h>

#include <sndfile.h>
#include <stdlib.h>

#include <fstream>

#include "tests/render/RenderTestSupport.h"

namespace rendertest {
namespace {

std::vector<std::string> lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

TEST(RenderHostSequence, OpenRateBlockResumeBlocksSuspendClose) {
    ScratchFolder scratch;
    writeAudio(scratch.file("in.wav"), testSignal(2, 1000, 48000, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    setenv("STUB_LOG", scratch.file("calls.log").c_str(), 1);
    const ToolResult result = runRender({"--plugin", STUB_PLUGIN_PATH, "--block", "300", "--tail", "0.01", "--quiet",
                                         scratch.file("in.wav"), scratch.file("out.wav")});
    unsetenv("STUB_LOG");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // 1000 input frames and 480 of tail in blocks of 300, the last shorter.
    const std::vector<std::string> expected{"open",        "sampleRate 48000", "blockSize 300", "resume",
                                            "process 300", "process 300",      "process 300",   "process 300",
                                            "process 280", "suspend",          "close"};
    EXPECT_EQ(lines(scratch.file("calls.log")), expected);
    EXPECT_EQ(readAudio(scratch.file("out.wav")).frames(), 1480);
}

struct LengthCase {
    const char* name;
    std::vector<std::string> args;  // before INPUT OUTPUT, or with --impulse only OUTPUT follows
    bool impulse;
    std::int64_t frames;
    int rateHz;
};

// Rows print as their names in test listings.
void PrintTo(const LengthCase& row, std::ostream* out) {
    *out << row.name;
}

class RenderLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(RenderLength, OutputHasInputPlusTail) {
    const LengthCase& c = GetParam();
    ScratchFolder scratch;
    writeAudio(scratch.file("in.wav"), testSignal(2, 1000, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    std::vector<std::string> args = c.args;
    args.push_back("--quiet");
    if (!c.impulse) {
        args.push_back(scratch.file("in.wav"));
    }
    args.push_back(scratch.file("out.wav"));
    const ToolResult result = runRender(args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Audio output = readAudio(scratch.file("out.wav"));
    EXPECT_EQ(output.frames(), c.frames);
    EXPECT_EQ(output.rateHz, c.rateHz);
}

const LengthCase kLengths[] = {
    // Glowmarsh's reach: the 22051 frames its taps can read back plus its
    // 10-frame smoothing window.
    {"DefaultTailIsGlowmarshsReach", {}, false, 1000 + 22061, 44100},
    {"TailInSecondsAtTheFilesRate", {"--tail", "0.5"}, false, 1000 + 22050, 44100},
    {"NoTail", {"--tail", "0"}, false, 1000, 44100},
    {"BlockSizeDoesNotChangeLength", {"--tail", "0", "--block", "7"}, false, 1000, 44100},
    {"ImpulseIsOneFramePlusTail", {"--impulse"}, true, 1 + 22061, 48000},
    {"ImpulseAtAGivenRate", {"--impulse", "--rate", "96000", "--tail", "0.25"}, true, 1 + 24000, 96000},
};

INSTANTIATE_TEST_SUITE_P(Render, RenderLength, ::testing::ValuesIn(kLengths),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RenderImpulse, PassThroughGivesOneFullScaleFrame) {
    ScratchFolder scratch;
    const ToolResult result = runRender(
        {"--plugin", STUB_PLUGIN_PATH, "--impulse", "--tail", "0.001", "--quiet", scratch.file("ir.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Audio ir = readAudio(scratch.file("ir.wav"));
    EXPECT_EQ(ir.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    std::vector<double> expected(ir.samples.size(), 0.0);
    expected[0] = expected[1] = 1.0;
    EXPECT_EQ(ir.samples, expected);
}

TEST(RenderReport, SummaryOnStandardOutputNothingOnErrorWhenNotATerminal) {
    ScratchFolder scratch;
    writeAudio(scratch.file("in.wav"), testSignal(2, 44100, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    const ToolResult result = runRender(
        {"--plugin", STUB_PLUGIN_PATH, "--tail", "0", scratch.file("in.wav"), scratch.file("out.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The test signal peaks at 0.5 = -6.02 dBFS.
    EXPECT_NE(result.out.find("44100 frames, 1.000 s of audio in "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("output peak -6.02 dBFS\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.err, "");
}

TEST(RenderReport, QuietSaysNothing) {
    ScratchFolder scratch;
    writeAudio(scratch.file("in.wav"), testSignal(2, 100, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    const ToolResult result = runRender({"--plugin", STUB_PLUGIN_PATH, "--quiet", "--tail", "0",
                                         scratch.file("in.wav"), scratch.file("out.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
}

TEST(RenderReport, ClippingIsWarnedAndIntegerOutputSaturates) {
    ScratchFolder scratch;
    Audio loud = testSignal(2, 100, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    loud.samples.assign(loud.samples.size(), 0.75);
    writeAudio(scratch.file("in.wav"), loud);
    // Gain 1.0 doubles the input: 1.5, beyond full scale.
    const ToolResult result = runRender({"--plugin", STUB_PLUGIN_PATH, "--set", "gain=1", "--quiet", "--tail", "0",
                                         scratch.file("in.wav"), scratch.file("out.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("warning: the output clips: 200 samples beyond full scale, peak +3.52 dBFS"),
              std::string::npos)
        << result.err;
    for (double sample : readAudio(scratch.file("out.wav")).samples) {
        ASSERT_EQ(sample, 32767.0 / 32768.0) << "16-bit output saturates, never wraps";
    }
}

TEST(RenderHelp, HelpIsUsageOnStandardOutput) {
    const ToolResult result = runRender({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.rfind("Usage: glowmarsh-render [options] INPUT OUTPUT\n", 0), 0u) << result.out;
    EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace rendertest
