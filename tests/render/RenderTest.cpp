// glowmarsh-render run as a user runs it: every refusal and failure with its
// exit code, presets (.fxp) saved, loaded and refused, output length and
// formats, pipes, batches, signals, what the tool reports, and renders bit
// for bit the effect's own output.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <array>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <set>
#include <span>
#include <sstream>

#include "effect/Glowmarsh.h"
#include "tools/render/Fxp.h"

namespace rendertest {
namespace {

using Bytes = std::string;  // a file's bytes

struct ToolResult {
    int exitCode;     // the shell's: 128 + N when signal N ended the command
    std::string out;  // standard output
    std::string err;  // standard error
};

inline Bytes fileBytes(const std::filesystem::path& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// A fresh folder, removed with everything in it at the end of the test.
class ScratchFolder {
public:
    ScratchFolder() : root(mkdtemp((std::filesystem::temp_directory_path() / "render-test-XXXXXX").string().data())) {}
    ScratchFolder(const ScratchFolder&) = delete;
    ~ScratchFolder() { std::filesystem::remove_all(root); }

    std::string file(const std::string& name) const { return (root / name).string(); }
    void write(const std::string& name, const Bytes& bytes) const { std::ofstream(file(name)) << bytes; }

    // Every name in the folder and below it, hidden ones included.
    std::set<std::string> entries() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            names.insert(entry.path().lexically_relative(root).string());
        }
        return names;
    }

    // Runs a shell line in the folder: glowmarsh-render with these words, or
    // the line itself when it names $R.
    ToolResult run(const std::string& line) const {
        const ScratchFolder streams;  // elsewhere, so that entries() does not see them
        const int status = std::system(("R=" GLOWMARSH_RENDER_PATH " STUB=" STUB_PLUGIN_PATH "; cd " + root.string() +
                                        " && { " + (line.find("$R") == std::string::npos ? "exec $R " : "") + line +
                                        "\n} </dev/null >" + streams.file("out") + " 2>" + streams.file("err"))
                                           .c_str());
        return {WEXITSTATUS(status), fileBytes(streams.file("out")), fileBytes(streams.file("err"))};
    }

private:
    std::filesystem::path root;
};

struct Audio {
    int format;                   // libsndfile format code
    int rateHz;
    int channels;
    std::vector<double> samples;  // interleaved
    std::int64_t frames() const { return std::ssize(samples) / channels; }
};

// A file's audio, to its end (a streamed file may not know its length); a
// headerless file needs its format given.
inline Audio readAudio(const std::string& path, SF_INFO info = {}) {
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    Audio audio{info.format, info.samplerate, std::max(info.channels, 1), {}};
    double block[4096];
    for (sf_count_t got; file && (got = sf_readf_double(file, block, 4096 / audio.channels)) > 0;) {
        audio.samples.insert(audio.samples.end(), block, block + got * audio.channels);
    }
    sf_close(file);
    return audio;
}

inline void writeAudio(const std::string& path, const Audio& audio) {
    SF_INFO info{0, audio.rateHz, audio.channels, audio.format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    sf_writef_double(file, audio.samples.data(), audio.frames());
    sf_close(file);
}

// Two detuned sines at half scale with silent stretches (where an effect's
// input guard works), scaled by `level`; at level 1 every sample is a multiple
// of 2^-15, so that 16-bit files hold it exactly.
inline Audio testSignal(int channels, std::int64_t frames, int format, double level = 1.0, int rateHz = 44100) {
    Audio audio{format, rateHz, channels, {}};
    for (std::int64_t i = 0; i < frames * channels; ++i) {
        const double tone = 0.5 * std::sin(2.0 * M_PI * (220.0 + 3.0 * (i % channels)) * double(i / channels) / 44100.0);
        audio.samples.push_back((i / channels / 4000) % 3 == 2 ? 0.0 : level * std::round(tone * 32768.0) / 32768.0);
    }
    return audio;
}


constexpr int wav = SF_FORMAT_WAV, aiff = SF_FORMAT_AIFF, flac = SF_FORMAT_FLAC;
constexpr int pcm16 = SF_FORMAT_PCM_16, pcm24 = SF_FORMAT_PCM_24, f32 = SF_FORMAT_FLOAT, f64 = SF_FORMAT_DOUBLE;

Bytes word(std::uint32_t bigEndian) {
    return {char(bigEndian >> 24), char(bigEndian >> 16), char(bigEndian >> 8), char(bigEndian)};
}

// Preset files built by hand: Glowmarsh's holds its chunk, three floats in
// native order; the stub's holds its one value as a big-endian float.
Bytes glowmarshPreset(std::string name, float sustain, float grain, float dryWet) {
    name.resize(28, '\0');
    const float values[] = {sustain, grain, dryWet};
    return "CcnK" + word(64) + "FPCh" + word(1) + "glow" + word(1) + word(3) + name + word(12) +
           Bytes(reinterpret_cast<const char*>(values), 12);
}
const Bytes kStubPreset = "CcnK" + word(52) + "FxCk" + word(1) + "stub" + word(7) + word(1) + Bytes(28, '\0') +
                          word(0x3F400000u);  // Gain 0.75

const std::string kPass = "--plugin $STUB --tail 0 ";  // output = input

// One run in a folder of inputs good and bad, and what it must leave.
struct Case {
    const char* meaning;
    std::string command;                      // see ScratchFolder::run
    int exitCode = 0;                         // 2 usage, 3 input, 4 plug-in, 5 output; 128 + N: signal N
    const char* message = "";                 // part of standard error; empty for a quiet success
    std::set<std::string> created = {};      // what the folder gains; a failure leaves nothing
    std::pair<const char*, Bytes> file = {};  // a file and its exact bytes
    const char* output = nullptr;             // an audio file to check
    std::int64_t frames = -1;                 // its length; -1: that of sameAs
    int rateHz = 44100;
    int format = 0;                          // 0: not checked
    const char* sameAs = nullptr;            // what the stub passes through to it (mono feeds both sides)
    std::vector<std::pair<int, double>> changed = {};  // samples that differ from sameAs, or from silence
};

// A render whose output holds sameAs: quiet through the stub when the
// command is words, a shell line otherwise.
Case pass(const char* meaning, const std::string& command, const char* output, int format, const char* sameAs,
          std::set<std::string> created = {}, const char* message = "") {
    created.insert(output);
    return {meaning, command.find("$R") == std::string::npos ? "-q " + kPass + command + " " + output : command, 0,
            message, created, {}, output, -1, 44100, format, sameAs};
}

// --info saving a preset after the words: it holds these bytes.
Case preset(const char* meaning, const std::string& words, const Bytes& bytes) {
    return {meaning, "--info " + words + " --save-state s", 0, "", {"s"}, {"s", bytes}};
}

// A render in the background, 10 blocks of 50 ms, sent a signal once its
// temporary file exists. (A shell's background job ignores SIGINT.)
Case signalled(const char* meaning, const std::string& words, const char* signal, int exitCode,
               std::set<std::string> created) {
    return {meaning, "STUB_DELAY=50000 $R --block 100 " + kPass + words + " & while kill -0 $! 2>/dev/null && ! find "
            ". -name '.*.part-*' | grep -q .; do :; done; kill -" + signal + " $!; wait $!", exitCode, "", created};
}

class RenderFiles : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto [name, channels, format] : {std::tuple{"in.wav", 2, wav | pcm16}, {"in.flac", 2, flac | pcm24},
                                              {"in.aif", 2, aiff | f32}, {"double.wav", 2, wav | f64},
                                              {"mono.wav", 1, wav | pcm16}, {"three.wav", 3, wav | pcm16}}) {
            writeAudio(scratch.file(name), testSignal(channels, 1000, format));
        }
        std::vector<double> odd(200, 0.375);
        odd[2] = 1.5;
        odd[4] = std::nan("");
        writeAudio(scratch.file("odd.wav"), {wav | f32, 44100, 2, odd});
        scratch.write("text.wav", "not audio");
        scratch.write("afile", "x");
        std::filesystem::create_directory(scratch.file("folder.wav"));
        std::filesystem::create_symlink(STUB_PLUGIN_PATH, scratch.file("stub.so"));
        const Bytes other = glowmarshPreset("Other", 0.5f, 0.5f, 0.5f).replace(16, 4, "othr");
        scratch.write("other.fxp", other);
        scratch.write("short.fxp", other.substr(0, other.size() - 5));
        scratch.write("small.fxp", glowmarshPreset("", 0, 0, 0).replace(4, 4, word(60)).replace(56, 4, word(8)));
        scratch.write("a.fxp", glowmarshPreset("Warm room", 0.125f, 0.375f, 0.625f));
        scratch.write("stub.fxp", kStubPreset);
        scratch.write("nan.fxp", Bytes(kStubPreset).replace(56, 4, word(0x7FC00000u)));
    }
    ScratchFolder scratch;
};

TEST_F(RenderFiles, RunsExitWithTheirCodeAndLeaveWhatTheyShould) {
    const std::string longName = std::string(251, 'x') + ".wav";  // the longest a folder takes
    const Case cases[] = {
        {"unknown option", "--loud in.wav o.wav", 2, "unknown option '--loud'"},
        {"unknown parameter", "--set Sustian=0.5 in.wav o.wav", 2, "--set Sustian: no parameter"},
        {"output is the input, spelt otherwise", "in.wav ./in.wav", 2, "./in.wav: is the input file"},
        {"--save-state is OUTPUT, spelt otherwise", "--save-state ./o.wav in.wav o.wav", 2, "is also OUTPUT"},
        {"output is the --load-state file", "--load-state a.fxp in.wav a.fxp", 2, "a.fxp: is the --load-state file"},
        {"unknown output extension", "in.wav o.mp4", 2, "o.mp4: unknown output format"},
        {"a rate FLAC refuses", "--impulse --rate 700000 x.flac", 2, "700000 Hz; it takes the usual rates up to 384000"},
        {"a rate Vorbis writes unreadably", "--impulse --rate 384000 x.ogg", 2, "384000 Hz; it takes the usual rates"},
        {"--bits for a lossy format", "--bits 16 in.wav o.ogg", 2, "has no choice of sample format"},
        {"--quality for a lossless format", "--quality 0.5 in.wav o.wav", 2, "--quality: WAV (Microsoft)"},
        {"a format no pipe takes", "mkfifo p && exec $R --format caf in.wav p", 2, "writes no CAF", {"p"}},
        {"a batch saving one preset", "--out-dir d --save-state s in.wav", 2, "does not go with"},
        {"missing input", "missing.wav o.wav", 3, "missing.wav: no such file"},
        {"input is a folder", "folder.wav o.wav", 3, "folder.wav: is a folder"},
        {"input is not audio", "text.wav o.wav", 3, "text.wav: cannot read as audio"},
        {"input has three channels", "three.wav o.wav", 3, "three.wav: has 3 channels"},
        {"preset of another plug-in", "--load-state other.fxp in.wav o.wav", 3, "other.fxp: the preset belongs to "
                                                                                   "plug-in 'othr', not to 'glow'"},
        {"truncated preset", "--load-state short.fxp in.wav o.wav", 3, "short.fxp: not a usable .fxp"},
        {"a preset value not a number", "--plugin $STUB --load-state nan.fxp in.wav o.wav", 3, "(Gain) is not a finite"},
        {"a chunk shorter than the plug-in's", "--load-state small.fxp in.wav o.wav", 3, "8 bytes, the plug-in's own 12"},
        {"plug-in is not a library", "--plugin afile in.wav o.wav", 4, "afile"},
        {"64-bit processing not announced", "--plugin $STUB --precision 64 in.wav o.wav", 4, "--precision 64:"},
        {"output is a folder", "in.wav folder.wav", 5, "folder.wav: is a folder"},
        {"output folder missing", "in.wav nowhere/o.wav", 5, "nowhere/o.wav: cannot create a file"},
        {"preset folder is a file", "--save-state afile/s in.wav o.wav", 5, "afile/s: cannot create"},
        {"a size limit in FLAC's final flush, SIGXFSZ ignored", "trap '' XFSZ; ulimit -f 1; exec $R " + kPass +
         "in.wav o.flac", 5, "o.flac: cannot complete the file: File too"},
        {"a size limit", "ulimit -f 1; exec $R in.wav o.wav", 5, "o.wav: write failed: File too large"},
        {"standard output full", "--info >/dev/full", 5, "standard output: cannot write: No space left"},
        signalled("SIGUSR1 removes the file", "in.wav o.wav", "USR1", 128 + SIGUSR1, {}),
        signalled("SIGPIPE is ignored", "in.wav o.wav", "PIPE", 0, {"o.wav"}),
        signalled("SIGINT its caller ignores stays ignored", "in.wav o.wav", "INT", 0, {"o.wav"}),
        signalled("an interrupted batch leaves no file", "--jobs 2 --out-dir d in.wav mono.wav", "TERM", 128 + SIGTERM,
                  {"d"}),
        {"a batch, a process per file: the same bits at --jobs 1 and 4; a failing file stops none", "$R -q --jobs 1 "
         "--out-dir 1 in.wav text.wav mono.wav; $R --jobs 4 --out-dir 4 in.wav text.wav mono.wav; s=$?; diff -r 1 4 &&"
         " exit $s", 3, "1 of 3 files failed: text.wav", {"1", "1/in.wav", "1/mono.wav", "4", "4/in.wav", "4/mono.wav"}},
        preset("set by name in any case and by index", "--set sUSTAIN=0.25 --set 1=0.5 --set dry/wet=1",
               glowmarshPreset("Default", 0.25f, 0.5f, 1.0f)),
        preset("load then save, same bytes", "--load-state a.fxp", glowmarshPreset("Warm room", 0.125f, 0.375f, 0.625f)),
        preset("set overrides the load", "--load-state a.fxp --set Grain=0.75",
               glowmarshPreset("Warm room", 0.125f, 0.75f, 0.625f)),
        preset("values without a chunk", "--plugin $STUB --load-state stub.fxp", kStubPreset),
        {"a render saves its state; the default tail is the reach", "-q --set Dry/Wet=0.5 --save-state s in.wav o.wav",
         0, "", {"o.wav", "s"}, {"s", glowmarshPreset("Default", 1.0f, 0.7f, 0.5f)}, "o.wav", 1000 + 22061, 44100,
         wav | pcm16},
        {"impulse at the default rate", "-q --impulse o.wav", 0, "", {"o.wav"}, {}, "o.wav", 1 + 22061, 48000, wav | f32},
        {"the host sequence, and a quiet impulse: one full-scale frame", "exec env STUB_LOG=log $R --plugin $STUB "
         "--impulse --rate 44100 --block 300 --tail 0.01 -q o.wav >&2", 0, "", {"log", "o.wav"},
         {"log", "open 0\nsampleRate 44100\nblockSize 300\nresume 1\nprocess 300\nprocess 142\nsuspend 0\nclose 0\n"},
         "o.wav", 442, 44100, wav | f32, nullptr, {{0, 1.0}, {1, 1.0}}},
        {"help", "--help >&2", 0, "Usage: glowmarsh-render [options] INPUT OUTPUT\n"},
        {"what a host sees", "--info >&2", 0, "Effect name   \"Glowmarsh\"\nVendor        \"fernbridge\""},
        {"--quality 0 makes a smaller file than 1", "$R -q --quality 0 in.wav a.ogg && $R -q --quality 1 in.wav b.ogg && "
         "test $(wc -c <a.ogg) -lt $(wc -c <b.ogg)", 0, "", {"a.ogg", "b.ogg"}},
        pass("FLAC to AIFF keeps 24 bits", "in.flac", "o.aiff", aiff | pcm24, "in.flac"),
        pass("AIFF to WAV keeps float", "in.aif", "o.wav", wav | f32, "in.aif"),
        pass("--bits 16", "--bits 16 double.wav", "o.wav", wav | pcm16, "in.wav"),
        pass("--bits 64f, upper-case name", "--bits 64f in.wav", "O.WAV", wav | f64, "in.wav"),
        pass("mono feeds both sides", "mono.wav", "o.aiff", aiff | pcm16, "mono.wav"),
        pass("--format over the extension", "--format flac in.wav", "o.x", flac | pcm16, "in.wav"),
        pass("a plug-in named without a slash", "--plugin stub.so in.wav", "o.wav", wav | pcm16, "in.wav"),
        pass("the longest name", "in.wav", longName.c_str(), wav | pcm16, "in.wav"),
        {"16 bits: beyond full scale saturates, NaN becomes 0; the summary on standard output",
         "exec $R " + kPass + "--bits 16 odd.wav o.wav >&2", 0, "peak +3.52 dBFS, not counting 1 non-finite samples\n"
         "glowmarsh-render: warning: the output clips: 1 samples beyond full scale, peak +3.52 dBFS; they are cut to "
         "full scale in the file\nglowmarsh-render: warning: 1 output samples are NaN or infinite; they are written as 0",
         {"o.wav"}, {}, "o.wav", -1, 44100, wav | pcm16, "odd.wav", {{2, 32767.0 / 32768.0}, {4, 0.0}}},
        pass("float keeps both", "exec $R -q " + kPass + "odd.wav o.wav", "o.wav", wav | f32, "odd.wav", {},
             "kept as they are in the float file\nglowmarsh-render: warning: 1 output samples are NaN or infinite; kept"),
        pass("standard input and output; the summary on standard error", "cat in.wav | $R " + kPass + "- - | cat >o.wav",
             "o.wav", wav | pcm16, "in.wav", {}, "1000 frames, 0.023 s of audio"),
        pass("FLAC to a pipe is as long as to a file", "$R -q " + kPass + "--format flac in.wav - | cat >p.flac && $R -q " +
             kPass + "in.wav f.flac && test $(wc -c <p.flac) = $(wc -c <f.flac)", "p.flac", flac | pcm16, "in.wav",
             {"f.flac"}),
        pass("a FIFO written in place", "mkfifo f; timeout 5 cat f >o.wav & $R -q " + kPass + "in.wav f && wait && test "
             "-p f", "o.wav", wav | pcm16, "in.wav", {"f"}),
        pass("a dangling symlink: the link stays, its target is written", "ln -s folder.wav/o.wav l.wav && $R -q " +
             kPass + "in.wav l.wav && test -L l.wav", "folder.wav/o.wav", 0, "in.wav", {"l.wav"}),
    };
    const Bytes input = fileBytes(scratch.file("in.wav"));
    const std::set<std::string> before = scratch.entries();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.meaning);
        const ToolResult result = scratch.run(c.command);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_TRUE(result.exitCode == 0 || result.exitCode > 128 || result.err.starts_with("glowmarsh-render: "));
        EXPECT_TRUE(*c.message ? result.err.find(c.message) != std::string::npos : c.exitCode || result.err.empty())
            << result.err;
        std::set<std::string> expected = before;
        expected.insert(c.created.begin(), c.created.end());
        EXPECT_EQ(scratch.entries(), expected);
        EXPECT_EQ(fileBytes(scratch.file("in.wav")), input) << "the input changed";
        EXPECT_EQ(c.file.first ? fileBytes(scratch.file(c.file.first)) : "", c.file.second);
        if (c.output && result.exitCode == 0) {
            const Audio output = readAudio(scratch.file(c.output));
            const Audio from = c.sameAs ? readAudio(scratch.file(c.sameAs)) : Audio{0, 0, 2, {}};
            std::vector<double> same(c.sameAs ? 0 : 2 * c.frames);
            for (double sample : from.samples) {
                same.insert(same.end(), 3 - from.channels, sample);
            }
            for (auto [index, value] : c.changed) {
                same[index] = value;
            }
            EXPECT_TRUE((!c.sameAs && c.changed.empty()) ||
                        std::equal(same.begin(), same.end(), output.samples.begin(), output.samples.end(),
                                   [](double a, double b) { return a == b || (a != a && b != b); }));
            EXPECT_EQ(std::tuple(output.frames(), output.rateHz, c.format ? output.format : 0),
                      std::tuple(c.frames < 0 ? std::ssize(same) / 2 : c.frames, c.rateHz, c.format));
        }
        for (const std::string& name : scratch.entries()) {
            std::error_code gone;  // when its folder went first
            std::filesystem::remove_all(before.contains(name) ? "" : scratch.file(name), gone);
        }
    }
}

// Every format --formats lists takes a short render and reads back with its
// length and level: exactly for lossless formats (which all hold the 16-bit
// input), within half a decibel for lossy ones.
TEST(RenderFormats, EveryListedFormatRoundTrips) {
    ScratchFolder scratch;
    writeAudio(scratch.file("in.wav"), testSignal(2, 4800, wav | pcm16, 1.0, 48000));  // a rate Opus takes
    const Audio input = readAudio(scratch.file("in.wav"));
    const ToolResult listing = scratch.run("--formats");
    std::istringstream lines(listing.out);
    std::set<std::string> names;
    for (std::string line, name, extension; std::getline(lines, line);) {
        if ((std::istringstream(line) >> name >> extension) && extension.starts_with(".") && names.insert(name).second) {
            SCOPED_TRACE(name);
            ASSERT_EQ(scratch.run("-q " + kPass + "in.wav o" + extension).err, "");
            const Audio output = readAudio(scratch.file("o" + extension),
                                           {0, 48000, 2, name == "raw" ? SF_FORMAT_RAW | pcm16 : 0, 0, 0});
            ASSERT_EQ(output.frames(), input.frames());
            const bool lossy = name == "ogg" || name == "opus" || name == "mp3";
            EXPECT_TRUE(lossy || output.samples == input.samples);
            EXPECT_NEAR(10.0 * std::log10(std::inner_product(output.samples.begin(), output.samples.end(),
                                                             output.samples.begin(), 0.0) /
                                          std::inner_product(input.samples.begin(), input.samples.end(),
                                                             input.samples.begin(), 0.0)),
                        0.0, 0.5) << "level in dB";
        }
    }
    EXPECT_GE(names.size(), 20u) << listing.out;
    if (!names.contains("mp3") || !names.contains("opus")) {
        GTEST_SKIP() << "this libsndfile writes no MP3 or no Opus: not round-tripped";
    }
}

// The preset reader refuses every cut of a valid preset and a chunk size that
// wraps an addition around, never reading outside the bytes (the asan build
// checks that).
TEST(FxpFormat, DamagedPresetsAreRefused) {
    const Bytes valid = glowmarshPreset("Default", 1.0f, 0.7f, 0.2f);
    const auto decodes = [](const Bytes& bytes) {
        render::FxpPreset preset;
        std::string error;
        return render::decodeFxp(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), preset,
                                 error);
    };
    for (std::size_t length = 0; length <= valid.size(); ++length) {
        EXPECT_EQ(decodes(valid.substr(0, length)), length == valid.size()) << "cut to " << length;
    }
    EXPECT_FALSE(decodes(Bytes(valid).replace(56, 4, word(0xFFFFFFF0)))) << "chunk size wrapping around";
}

// A render is the effect's own output: the same input, block size, settings
// and rand() seed run through a Glowmarsh in this process give the same bits
// as glowmarsh-render gives through Glowmarsh.so, from files or through pipes.
constexpr unsigned kSeed = 1234;
constexpr std::int64_t kTailFrames = 4410;  // --tail 0.1 at 44100 Hz

struct IdentityCase {
    const char* name;
    bool doublePrecision;
    VstInt32 blockFrames;
    std::array<float, 3> values;  // Sustain, Grain, Dry/Wet, each exact in six decimals
    bool pipes = false;           // standard input and output rather than files
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
    for (std::int64_t i = 0; i < 2 * input.frames(); ++i) {
        in[i % 2 * total + i / 2] = Sample(input.samples[i]);
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
    for (std::int64_t i = 0; i < 2 * total; ++i) {
        rendered.push_back(out[i % 2 * total + i / 2]);
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
    std::string words = "-q --seed " + std::to_string(kSeed) + " --tail 0.1 --block " + std::to_string(c.blockFrames) +
                        (c.doublePrecision ? " --precision 64 --bits 64f" : " --bits 32f") +
                        " --plugin " GLOWMARSH_PLUGIN_PATH;
    for (int i = 0; i < 3; ++i) {
        words += " --set " + std::to_string(i) + "=" + std::to_string(c.values[i]);
    }
    ASSERT_EQ(scratch.run(c.pipes ? "cat in.wav | $R " + words + " - - | cat >out.wav" : words + " in.wav out.wav").err,
              "");
    const std::vector<double> expected =
        c.doublePrecision ? renderInProcess<double>(c, input) : renderInProcess<float>(c, input);
    const std::vector<double> rendered = readAudio(scratch.file("out.wav")).samples;
    ASSERT_EQ(rendered.size(), expected.size());
    EXPECT_EQ(std::memcmp(rendered.data(), expected.data(), expected.size() * sizeof(double)), 0)
        << "the render differs from the effect's own output";
}

const IdentityCase kIdentity[] = {
    {"Float512Defaults", false, 512, {1.0f, 0.7f, 0.2f}},
    {"Double512Defaults", true, 512, {1.0f, 0.7f, 0.2f}},
    {"FloatOddBlocksWithSettings", false, 333, {0.5f, 0.25f, 1.0f}},
    {"DoubleSingleFrameBlocksWithSettings", true, 1, {1.0f, 0.7f, 0.75f}},
    {"FloatThroughPipes", false, 512, {1.0f, 0.7f, 0.2f}, true},
};

INSTANTIATE_TEST_SUITE_P(Render, RenderIdentity, ::testing::ValuesIn(kIdentity),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rendertest
