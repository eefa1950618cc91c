// glowmarsh-render run as a user runs it: every refusal and failure, presets
// (.fxp) saved, loaded and refused, output length, file formats, the host
// sequence and what the tool reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <span>
#include <tuple>
#include <utility>

#include "tests/render/RenderTestSupport.h"
#include "tools/render/Fxp.h"

namespace rendertest {
namespace {

const std::string kStub = STUB_PLUGIN_PATH;

Bytes word(std::uint32_t bigEndian) {
    return {char(bigEndian >> 24), char(bigEndian >> 16), char(bigEndian >> 8), char(bigEndian)};
}

// Preset files built by hand: Glowmarsh's holds its chunk, three floats in
// native order; the stub's holds its one value as a big-endian float.
Bytes glowmarshPreset(std::string name, float sustain, float grain, float dryWet) {
    name.resize(28, '\0');
    Bytes bytes = "CcnK" + word(64) + "FPCh" + word(1) + "glow" + word(1) + word(3) + name + word(12);
    for (float value : {sustain, grain, dryWet}) {
        bytes.append(reinterpret_cast<const char*>(&value), 4);
    }
    return bytes;
}

const Bytes kStubPreset = "CcnK" + word(52) + "FxCk" + word(1) + "stub" + word(7) + word(1) + Bytes(28, '\0') +
                          word(0x3F400000u);  // Gain 0.75

// A folder of inputs good and bad, named "@name" in the rows' arguments.
class RenderFiles : public ::testing::Test {
protected:
    void SetUp() override {
        writeAudio(scratch.file("in.wav"), testSignal(2, 1000, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        writeAudio(scratch.file("in.flac"), testSignal(2, 1000, SF_FORMAT_FLAC | SF_FORMAT_PCM_24));
        writeAudio(scratch.file("in.aif"), testSignal(2, 1000, SF_FORMAT_AIFF | SF_FORMAT_FLOAT));
        writeAudio(scratch.file("in.ogg"), testSignal(2, 20000, SF_FORMAT_OGG | SF_FORMAT_VORBIS));
        writeAudio(scratch.file("double.wav"), testSignal(2, 1000, SF_FORMAT_WAV | SF_FORMAT_DOUBLE));
        writeAudio(scratch.file("mono.wav"), testSignal(1, 1000, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        writeAudio(scratch.file("three.wav"), testSignal(3, 100, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        scratch.write("text.wav", "not audio");
        scratch.write("afile", "x");
        std::filesystem::create_directory(scratch.file("folder.wav"));
        const Bytes other = glowmarshPreset("Other", 0.5f, 0.5f, 0.5f).replace(16, 4, "othr");
        scratch.write("other.fxp", other);
        scratch.write("short.fxp", other.substr(0, other.size() - 5));
        scratch.write("a.fxp", glowmarshPreset("Warm room", 0.125f, 0.375f, 0.625f));
        scratch.write("stub.fxp", kStubPreset);
    }
    ScratchFolder scratch;
};

TEST_F(RenderFiles, FailuresExitWithTheirCodeNameTheCauseAndLeaveNothing) {
    struct Row {
        const char* meaning;
        std::vector<std::string> args;
        int exitCode;         // 2 usage, 3 input file, 4 plug-in, 5 output file
        const char* message;  // part of what standard error says
    } rows[] = {
        {"unknown option", {"--loud", "@in.wav", "@out.wav"}, 2, "unknown option '--loud'"},
        {"value above one", {"--set", "Grain=1.5", "@in.wav", "@out.wav"}, 2, "--set Grain=1.5"},
        {"unknown parameter", {"--set", "Sustian=0.5", "@in.wav", "@out.wav"}, 2, "--set Sustian: no parameter"},
        {"output would overwrite the input", {"@in.wav", "@in.wav"}, 2, "in.wav: is the input file"},
        {"unknown output extension", {"@in.wav", "@out.mp4"}, 2, "out.mp4: unknown output format"},
        {"missing input", {"@missing.wav", "@out.wav"}, 3, "missing.wav: no such file"},
        {"input is a folder", {"@folder.wav", "@out.wav"}, 3, "folder.wav: is a folder"},
        {"input is not audio", {"@text.wav", "@out.wav"}, 3, "text.wav: cannot read as audio"},
        {"input has three channels", {"@three.wav", "@out.wav"}, 3, "three.wav: has 3 channels"},
        {"preset of another plug-in", {"--load-state", "@other.fxp", "@in.wav", "@out.wav"}, 3,
         "other.fxp: the preset belongs to plug-in 'othr', not to 'glow' (Glowmarsh)"},
        {"truncated preset", {"--load-state", "@short.fxp", "@in.wav", "@out.wav"}, 3, "short.fxp: not a usable .fxp"},
        {"garbage preset", {"--load-state", "@text.wav", "@in.wav", "@out.wav"}, 3, "text.wav: not a usable .fxp"},
        {"plug-in is not a library", {"--plugin", "@afile", "@in.wav", "@out.wav"}, 4, "afile"},
        {"library without an entry", {"--plugin", NOT_A_PLUGIN_PATH, "@in.wav", "@out.wav"}, 4, "not a VST 2.4"},
        {"entry creates no instance", {"--plugin", REFUSING_PLUGIN_PATH, "@in.wav", "@o.wav"}, 4, "no instance"},
        {"64-bit processing not announced", {"--plugin", kStub, "--precision", "64", "@in.wav", "@out.wav"}, 4,
         "--precision 64:"},
        {"output is a folder", {"@in.wav", "@folder.wav"}, 5, "folder.wav: is a folder"},
        {"output folder missing", {"@in.wav", "@nowhere/out.wav"}, 5, "nowhere/out.wav: cannot create a file"},
        {"output folder refuses files", {"@in.wav", "/proc/glowmarsh.wav"}, 5, "/proc/glowmarsh.wav: cannot create"},
        {"preset folder is a file", {"--save-state", "@afile/s.fxp", "@in.wav", "@out.wav"}, 5, "s.fxp: cannot create"},
    };
    const Bytes input = fileBytes(scratch.file("in.wav"));
    const std::set<std::string> entries = scratch.entries();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.meaning);
        const ToolResult result = scratch.render(row.args);
        EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
        EXPECT_TRUE(result.err.starts_with("glowmarsh-render: ")) << result.err;
        EXPECT_NE(result.err.find(row.message), std::string::npos) << result.err;
        EXPECT_EQ(scratch.entries(), entries) << "a file was left behind";
        EXPECT_EQ(fileBytes(scratch.file("in.wav")), input) << "the input changed";
    }
}

// Runs that succeed and what they leave: the preset's exact bytes after --set
// by name (any case) and by index, a load, a render; the stub's values rather
// than a chunk; the output's length, rate and format. Glowmarsh's default tail
// is its reach: the 22051 frames its taps read back plus its 10-frame
// smoothing window. Through each file and sample format the pass-through stub
// gives back the decoded input exactly; Ogg Vorbis keeps the level.
TEST_F(RenderFiles, RunsLeaveTheirPresetAndOutput) {
    constexpr int wav = SF_FORMAT_WAV, flac = SF_FORMAT_FLAC, aiff = SF_FORMAT_AIFF, ogg = SF_FORMAT_OGG;
    constexpr int pcm16 = SF_FORMAT_PCM_16, pcm24 = SF_FORMAT_PCM_24, f32 = SF_FORMAT_FLOAT, f64 = SF_FORMAT_DOUBLE;
    struct Row {
        const char* meaning;
        std::vector<std::string> args;  // a render's output is the last
        std::int64_t frames;            // of the output; -1: none
        int rateHz;                     // of the output
        int format;                     // of the output; 0: not checked
        const char* sameAs = nullptr;   // an input the stub passes through to the output
        Bytes preset = "";              // what --save-state writes; empty: not asked
        const char* listing = "";       // the start of standard output
    } rows[] = {
        {"Glowmarsh's defaults", {"--info"}, -1, 0, 0, nullptr, glowmarshPreset("Default", 1.0f, 0.7f, 0.2f)},
        {"set by name in any case and by index",
         {"--info", "--set", "sUSTAIN=0.25", "--set", "1=0.5", "--set", "dry/wet=1"}, -1, 0, 0, nullptr,
         glowmarshPreset("Default", 0.25f, 0.5f, 1.0f)},
        {"load then save, same bytes", {"--info", "--load-state", "@a.fxp"}, -1, 0, 0, nullptr,
         fileBytes(scratch.file("a.fxp"))},
        {"set overrides the load", {"--info", "--load-state", "@a.fxp", "--set", "Grain=0.75"}, -1, 0, 0, nullptr,
         glowmarshPreset("Warm room", 0.125f, 0.75f, 0.625f)},
        {"values without a chunk", {"--plugin", kStub, "--info", "--load-state", "@stub.fxp"}, -1, 0, 0, nullptr,
         kStubPreset},
        {"a render saves its state; the default tail is the reach", {"--set", "Dry/Wet=0.5", "@in.wav", "@out.wav"},
         1000 + 22061, 44100, wav | pcm16, nullptr, glowmarshPreset("Default", 1.0f, 0.7f, 0.5f)},
        {"tail in seconds at the file's rate", {"--tail", "0.5", "@in.wav", "@out.wav"}, 1000 + 22050, 44100, 0},
        {"block size does not change the length", {"--tail=0", "--block", "7", "@in.wav", "@out.wav"}, 1000, 44100, 0},
        {"impulse at the default rate", {"--impulse", "@out.wav"}, 1 + 22061, 48000, wav | f32},
        {"impulse at a given rate", {"--impulse", "--rate", "96000", "--tail=0.25", "@out.wav"}, 1 + 24000, 96000, 0},
        {"help", {"--help"}, -1, 0, 0, nullptr, "", "Usage: glowmarsh-render [options] INPUT OUTPUT\n"},
        {"WAV to FLAC keeps 16 bits", {"@in.wav", "@o.flac"}, 1000, 44100, flac | pcm16, "in.wav"},
        {"FLAC to AIFF keeps 24 bits", {"@in.flac", "@o.aiff"}, 1000, 44100, aiff | pcm24, "in.flac"},
        {"AIFF to WAV keeps float", {"@in.aif", "@o.wav"}, 1000, 44100, wav | f32, "in.aif"},
        {"--bits 16", {"--bits", "16", "@double.wav", "@o.wav"}, 1000, 44100, wav | pcm16, "in.wav"},
        {"--bits 64f, upper-case name", {"--bits", "64f", "@in.wav", "@O.WAV"}, 1000, 44100, wav | f64, "in.wav"},
        {"mono feeds both sides", {"@mono.wav", "@o.aiff"}, 1000, 44100, aiff | pcm16, "mono.wav"},
        {"Ogg Vorbis keeps length and level", {"@in.ogg", "@o.ogg"}, 20000, 44100, ogg | SF_FORMAT_VORBIS, "in.ogg"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.meaning);
        std::vector<std::string> args = row.args;
        if (!row.preset.empty()) {
            args.insert(args.begin(), {"--save-state", "@saved.fxp"});
        }
        if (row.sameAs) {
            args.insert(args.begin(), {"--plugin", kStub, "--tail", "0"});
        }
        const ToolResult result = scratch.render(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_TRUE(result.out.starts_with(row.listing)) << result.out;
        if (!row.preset.empty()) {
            EXPECT_EQ(fileBytes(scratch.file("saved.fxp")), row.preset);
        }
        if (row.frames < 0) {
            continue;
        }
        const Audio output = readAudio(scratch.file(args.back().substr(1)));
        EXPECT_EQ(std::pair(output.frames(), output.rateHz), std::pair(row.frames, row.rateHz));
        EXPECT_EQ(output.format, row.format ? row.format : output.format) << std::hex << output.format;
        if (row.sameAs) {
            const Audio input = readAudio(scratch.file(row.sameAs));  // as decoded, for a lossy input
            std::vector<double> expected;
            for (double sample : input.samples) {
                expected.insert(expected.end(), 3 - input.channels, sample);  // a mono sample feeds both sides
            }
            if ((row.format & SF_FORMAT_TYPEMASK) == ogg) {
                const auto energy = [](const std::vector<double>& x) {
                    return std::inner_product(x.begin(), x.end(), x.begin(), 0.0);
                };
                EXPECT_NEAR(10.0 * std::log10(energy(output.samples) / energy(expected)), 0.0, 0.5) << "level in dB";
            } else {
                EXPECT_EQ(output.samples, expected);
            }
        }
    }
}

// The preset reader refuses every cut of a valid preset, a bank and sizes
// that overrun or wrap around, never reading outside the bytes (the asan
// build checks that).
TEST(FxpFormat, DamagedPresetsAreRefused) {
    const Bytes valid = glowmarshPreset("Default", 1.0f, 0.7f, 0.2f);
    const auto decodes = [](const Bytes& bytes) {
        render::FxpPreset preset;
        std::string error;
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        return render::decodeFxp(std::span(data, bytes.size()), preset, error);
    };
    for (std::size_t length = 0; length <= valid.size(); ++length) {
        EXPECT_EQ(decodes(valid.substr(0, length)), length == valid.size()) << "cut to " << length;
    }
    const std::tuple<const char*, std::size_t, std::uint32_t> damage[] = {
        {"a bank", 8, 0x46424368},  // 'FBCh'
        {"byte size beyond any file", 4, 0xFFFFFFFF},
        {"chunk size one beyond the bytes", 56, 13},
        {"chunk size wrapping an addition around", 56, 0xFFFFFFF0},
    };
    for (auto [meaning, offset, value] : damage) {
        EXPECT_FALSE(decodes(Bytes(valid).replace(offset, 4, word(value)))) << meaning;
    }
    const Bytes values = Bytes(valid).replace(8, 4, "FxCk");
    EXPECT_FALSE(decodes(Bytes(values).replace(24, 4, word(0xFFFFFFFF)))) << "a negative count of values";
}

// What a DAW does: open, rate, block size, resume, blocks (the last shorter),
// suspend, close; an impulse through the pass-through stub is one full-scale
// frame and then the tail's silence, and --quiet prints nothing.
TEST(RenderHostSequence, ImpulseThroughTheStub) {
    ScratchFolder scratch;
    setenv("STUB_LOG", scratch.file("calls.log").c_str(), 1);
    const ToolResult result = scratch.render(
        {"--plugin", kStub, "--impulse", "--rate", "48000", "--block", "300", "--tail", "0.01", "--quiet", "@ir.wav"});
    unsetenv("STUB_LOG");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "") << "--quiet";
    EXPECT_EQ(fileBytes(scratch.file("calls.log")),
              "open 0\nsampleRate 48000\nblockSize 300\nresume 1\nprocess 300\nprocess 181\nsuspend 0\nclose 0\n");
    const Audio ir = readAudio(scratch.file("ir.wav"));
    EXPECT_EQ(ir.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    std::vector<double> expected(2 * 481, 0.0);
    expected[0] = expected[1] = 1.0;
    EXPECT_EQ(ir.samples, expected);
}

// Without a terminal: the summary on standard output, no progress, the
// clipping warning on standard error; 16-bit output saturates, never wraps.
TEST(RenderReport, SummaryAndClippingWarning) {
    ScratchFolder scratch;
    writeAudio(scratch.file("in.wav"), {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, std::vector<double>(200, 0.75)});
    const ToolResult result = scratch.render({"--plugin", kStub, "--set", "gain=1", "--tail=0", "@in.wav", "@o.wav"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(result.out.starts_with("100 frames, 0.002 s of audio in ")) << result.out;
    EXPECT_TRUE(result.out.ends_with("output peak +3.52 dBFS\n")) << result.out;
    EXPECT_EQ(result.err,
              "glowmarsh-render: warning: the output clips: 200 samples beyond full scale, peak +3.52 dBFS; they are "
              "cut to full scale in the file\n");
    EXPECT_EQ(readAudio(scratch.file("o.wav")).samples, std::vector<double>(200, 32767.0 / 32768.0));
}

}  // namespace
}  // namespace rendertest
