// Audio through each file format and sample format: a plug-in that passes its
// input through unchanged must give back the input's samples exactly in every
// lossless format, with the sample format chosen as documented.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>

#include "tests/render/RenderTestSupport.h"

namespace rendertest {
namespace {

constexpr int kRateHz = 44100;
constexpr std::int64_t kFrames = 9000;

struct FormatCase {
    const char* name;
    const char* inputFile;
    int inputFormat;
    const char* outputFile;
    std::vector<std::string> flags;
    int expectedFormat;
};

// Rows print as their names in test listings.
void PrintTo(const FormatCase& row, std::ostream* out) {
    *out << row.name;
}

class FormatRoundTrip : public ::testing::TestWithParam<FormatCase> {
protected:
    ScratchFolder scratch;
};

TEST_P(FormatRoundTrip, PassThroughKeepsEverySample) {
    const FormatCase& c = GetParam();
    const Audio input = testSignal(2, kFrames, kRateHz, c.inputFormat);
    writeAudio(scratch.file(c.inputFile), input);
    std::vector<std::string> args{"--plugin", STUB_PLUGIN_PATH, "--tail", "0", "--quiet"};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    args.push_back(scratch.file(c.inputFile));
    args.push_back(scratch.file(c.outputFile));

    const ToolResult result = runRender(args);
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // What the renderer read: for a lossy input, the decoded samples.
    const Audio decoded = readAudio(scratch.file(c.inputFile));
    const Audio output = readAudio(scratch.file(c.outputFile));
    EXPECT_EQ(output.format, c.expectedFormat) << std::hex << output.format;
    EXPECT_EQ(output.rateHz, kRateHz);
    ASSERT_EQ(output.channels, 2);
    ASSERT_EQ(output.frames(), kFrames);
    EXPECT_EQ(output.samples, decoded.samples);
}

const FormatCase kFormats[] = {
    {"WavKeepsSixteenBits", "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "out.wav", {},
     SF_FORMAT_WAV | SF_FORMAT_PCM_16},
    {"WavToFlacKeepsSixteenBits", "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "out.flac", {},
     SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
    {"FlacToAiffKeepsTwentyFourBits", "in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "out.aiff", {},
     SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
    {"AiffToWavKeepsFloat", "in.aif", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, "out.wav", {},
     SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    {"FloatIntoFlacBecomesTwentyFourBits", "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, "out.flac", {},
     SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
    {"OggIntoWavBecomesFloat", "in.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, "out.wav", {},
     SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    {"BitsSixteen", "in.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, "out.wav", {"--bits", "16"},
     SF_FORMAT_WAV | SF_FORMAT_PCM_16},
    {"BitsTwentyFour", "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "out.flac", {"--bits", "24"},
     SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
    {"BitsFloat", "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "out.aiff", {"--bits", "32f"},
     SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
    {"BitsDouble", "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "out.wav", {"--bits", "64f"},
     SF_FORMAT_WAV | SF_FORMAT_DOUBLE},
    {"UppercaseExtension", "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "OUT.WAV", {},
     SF_FORMAT_WAV | SF_FORMAT_PCM_16},
};

INSTANTIATE_TEST_SUITE_P(Render, FormatRoundTrip, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

// The Ogg cases: not exact, so the rows above cannot hold them.
TEST(RenderFormats, OggVorbisOutputKeepsLengthRateAndLevel) {
    ScratchFolder scratch;
    const Audio input = testSignal(2, kFrames, kRateHz, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    writeAudio(scratch.file("in.wav"), input);
    const ToolResult result =
        runRender({"--plugin", STUB_PLUGIN_PATH, "--tail", "0", scratch.file("in.wav"), scratch.file("out.ogg")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Audio output = readAudio(scratch.file("out.ogg"));
    EXPECT_EQ(output.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    EXPECT_EQ(output.rateHz, kRateHz);
    EXPECT_EQ(output.frames(), kFrames);
    double inputEnergy = 0, outputEnergy = 0;
    for (std::size_t i = 0; i < input.samples.size(); ++i) {
        inputEnergy += input.samples[i] * input.samples[i];
        outputEnergy += output.samples[i] * output.samples[i];
    }
    EXPECT_NEAR(10 * std::log10(outputEnergy / inputEnergy), 0.0, 0.5) << "level in dB";
}

TEST(RenderFormats, MonoInputFeedsBothSides) {
    ScratchFolder scratch;
    const Audio input = testSignal(1, kFrames, kRateHz, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    writeAudio(scratch.file("mono.wav"), input);
    const ToolResult result = runRender(
        {"--plugin", STUB_PLUGIN_PATH, "--tail", "0", "--quiet", scratch.file("mono.wav"), scratch.file("out.wav")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Audio output = readAudio(scratch.file("out.wav"));
    ASSERT_EQ(output.channels, 2);
    ASSERT_EQ(output.frames(), kFrames);
    for (std::int64_t i = 0; i < kFrames; ++i) {
        ASSERT_EQ(output.samples[2 * i], input.samples[i]) << "left, frame " << i;
        ASSERT_EQ(output.samples[2 * i + 1], input.samples[i]) << "right, frame " << i;
    }
}

}  // namespace
}  // namespace rendertest
