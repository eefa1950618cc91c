// glowmarsh-render run as a user runs it: every class of refusal and failure
// with its exit code, presets (.fxp) saved, loaded and refused, output length
// and formats, pipes, batches, signals, what the tool reports, and renders bit
// for bit the effect's own output.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <set>
#include <sstream>

#include "effect/Glowmarsh.h"

namespace rendertest {
namespace {

namespace fs = std::filesystem;
using Bytes = std::string;  // a file's bytes

Bytes fileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// A fresh folder, removed with everything in it at the end of the test.
struct ScratchFolder {
    const fs::path root{mkdtemp((fs::temp_directory_path() / "render-test-XXXXXX").string().data())};
    ~ScratchFolder() { fs::remove_all(root); }

    std::string file(const std::string& name) const { return (root / name).string(); }

    // Every name in the folder and below it, hidden ones included.
    std::set<std::string> entries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            names.insert(entry.path().lexically_relative(root).string());
        }
        return names;
    }

    // Runs a shell line in the folder: glowmarsh-render with these words, or
    // the line itself when it names $R. Gives the shell's exit code (128 + N
    // when signal N ended the command) and what the line printed, standard
    // output and error together.
    std::pair<int, std::string> run(const std::string& line) const {
        const ScratchFolder printed;  // elsewhere, so that entries() does not see it
        const int status = std::system(("R=" GLOWMARSH_RENDER_PATH " STUB=" STUB_PLUGIN_PATH "; cd " + root.string() +
                                        " && { " + (line.find("$R") == std::string::npos ? "exec $R " : "") + line +
                                        "\n} </dev/null >" + printed.file("out") + " 2>&1")
                                           .c_str());
        return {WEXITSTATUS(status), fileBytes(printed.file("out"))};
    }
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
Audio readAudio(const std::string& path, SF_INFO info = {}) {
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

void writeAudio(const std::string& path, const Audio& audio) {
    SF_INFO info{0, audio.rateHz, audio.channels, audio.format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    sf_writef_double(file, audio.samples.data(), audio.frames());
    sf_close(file);
}

// Equal bit for bit, NaNs included.
bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// Two detuned sines at half scale with silent stretches (where an effect's
// input guard works), scaled by `level`; at level 1 every sample is a multiple
// of 2^-15, so that 16-bit files hold it exactly.
Audio testSignal(int channels, std::int64_t frames, int format, double level = 1.0, int rateHz = 44100) {
    Audio audio{format, rateHz, channels, {}};
    for (std::int64_t i = 0; i < frames * channels; ++i) {
        const double tone = 0.5 * std::sin(2 * M_PI * (220.0 + 3 * (i % channels)) * double(i / channels) / 44100);
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

// The inputs, good and bad, that each run finds in a folder of its own.
void prepare(const ScratchFolder& scratch) {
    for (auto [name, channels, format] : {std::tuple{"in.wav", 2, wav | pcm16}, {"in.flac", 2, flac | pcm24},
                                          {"double.wav", 2, wav | f64}, {"mono.wav", 1, wav | pcm16},
                                          {"three.wav", 3, wav | pcm16}}) {
        writeAudio(scratch.file(name), testSignal(channels, 1000, format));
    }
    writeAudio(scratch.file("odd.wav"), {wav | f32, 44100, 2, {0.375, 0.375, 1.5, 0.375, std::nan(""), 0.375}});
    fs::create_directory(scratch.file("folder"));
    fs::create_symlink(STUB_PLUGIN_PATH, scratch.file("stub.so"));
    const Bytes other = glowmarshPreset("Other", 0.5f, 0.5f, 0.5f).replace(16, 4, "othr");
    for (const auto& [name, bytes] : std::initializer_list<std::pair<const char*, Bytes>>{
             {"text.wav", "not audio"}, {"afile", "x"}, {"other.fxp", other}, {"short.fxp", other.substr(0, 67)},
             {"huge.fxp", Bytes(other).replace(56, 4, word(0xFFFFFFF0))},
             {"small.fxp", glowmarshPreset("", 0, 0, 0).replace(4, 4, word(60)).replace(56, 4, word(8))},
             {"a.fxp", glowmarshPreset("Warm room", 0.125f, 0.375f, 0.625f)}, {"stub.fxp", kStubPreset},
             {"nan.fxp", Bytes(kStubPreset).replace(56, 4, word(0x7FC00000u))}}) {
        std::ofstream(scratch.file(name)) << bytes;
    }
}

// One run in a folder of inputs good and bad, and what it must leave.
struct Case {
    const char* meaning;
    std::string command;                      // see ScratchFolder::run
    int exitCode = 0;                         // 2 usage, 3 input, 4 plug-in, 5 output; 128 + N: signal N
    const char* message = "";                 // part of what it prints; empty for a quiet success
    std::set<std::string> created = {};       // what the folder gains; a failure leaves nothing
    std::pair<const char*, Bytes> file = {};  // a file and its exact bytes
    const char* output = nullptr;             // an audio file at 44100 Hz to check
    std::int64_t frames = 0;                  // its length when sameAs is not given
    int format = 0;                           // its libsndfile format
    const char* sameAs = nullptr;             // what the stub passes through to it (mono feeds both sides)
    std::vector<std::pair<int, double>> changed = {};  // samples that differ from sameAs, or from silence
};

// A render whose output holds sameAs: quiet through the stub when the
// command is words, a shell line otherwise.
Case pass(const char* meaning, const std::string& command, const char* output, int format, const char* sameAs,
          std::set<std::string> created = {}, const char* message = "") {
    created.insert(output);
    return {meaning, command.find("$R") == std::string::npos ? "-q " + kPass + command + " " + output : command, 0,
            message, created, {}, output, 0, format, sameAs};
}

// --info saving a preset after the words: it holds these bytes.
Case preset(const char* meaning, const std::string& words, const Bytes& bytes) {
    return {meaning, "--info " + words + " --save-state s >/dev/null", 0, "", {"s"}, {"s", bytes}};
}

// A render in the background, 10 blocks of 50 ms, sent a signal once its
// temporary file exists. (A shell's background job ignores SIGINT.)
Case signalled(const char* meaning, const std::string& words, const char* sig, int exitCode,
               std::set<std::string> created) {
    return {meaning, "STUB_DELAY=50000 $R -q --block 100 " + kPass + words + " & while kill -0 $! 2>/dev/null && "
            "! find . -name '.*.part-*' | grep -q .; do :; done; kill -" + sig + " $!; wait $!", exitCode, "", created};
}

TEST(RenderRuns, ExitWithTheirCodeAndLeaveWhatTheyShould) {
    const std::string longName = std::string(251, 'x') + ".wav";  // the longest a folder takes
    const Case cases[] = {
        {"unknown option", "--loud in.wav o.wav", 2, "unknown option '--loud'"},
        {"unknown parameter", "--set Sustian=0.5 in.wav o.wav", 2, "--set Sustian: no parameter"},
        {"output is the input, spelt otherwise", "in.wav ./in.wav", 2, "./in.wav: is the input file"},
        {"--save-state is OUTPUT, spelt otherwise", "--save-state ./o.wav in.wav o.wav", 2, "is also OUTPUT"},
        {"output is the --load-state file", "--load-state ./a.fxp in.wav a.fxp", 2, "is the --load-state file"},
        {"unknown output extension", "in.wav o.mp4", 2, "o.mp4: unknown output format"},
        {"a rate Vorbis writes unreadably", "--impulse --rate 384000 x.ogg", 2, "384000 Hz; it takes the usual"},
        {"a format no pipe takes", "mkfifo p && exec $R --format caf in.wav p", 2, "writes no CAF", {"p"}},
        {"missing input", "missing.wav o.wav", 3, "missing.wav: no such file"},
        {"input has three channels", "three.wav o.wav", 3, "three.wav: has 3 channels"},
        {"preset of another plug-in", "--load-state other.fxp in.wav o.wav", 3, "belongs to plug-in 'othr'"},
        {"a preset of one byte", "--load-state afile in.wav o.wav", 3, "afile: not a usable .fxp"},
        {"a preset cut short", "--load-state short.fxp in.wav o.wav", 3, "short.fxp: not a usable .fxp"},
        {"a chunk beyond the file", "--load-state huge.fxp in.wav o.wav", 3, "huge.fxp: not a usable .fxp"},
        {"a preset value not a number", "--plugin $STUB --load-state nan.fxp in.wav o.wav", 3, "(Gain) is not"},
        {"a chunk shorter than the plug-in's", "--load-state small.fxp in.wav o.wav", 3, "8 bytes, the plug-in's own"},
        {"plug-in is not a library", "--plugin afile in.wav o.wav", 4, "afile"},
        {"64-bit processing not announced", "--plugin $STUB --precision 64 in.wav o.wav", 4, "--precision 64:"},
        {"output folder missing", "in.wav nowhere/o.wav", 5, "nowhere/o.wav: cannot create a file"},
        {"preset folder is a file", "--save-state afile/s in.wav o.wav", 5, "afile/s: cannot create"},
        {"a size limit in FLAC's final flush", "ulimit -f 1; exec $R " + kPass + "in.wav o.flac", 5,
         "o.flac: cannot complete the file: File too"},
        {"a size limit in a write", "ulimit -f 1; exec $R in.wav o.wav", 5, "o.wav: write failed: File too large"},
        {"standard output full", "--info >/dev/full", 5, "standard output: cannot write: No space left"},
        signalled("SIGUSR1 removes the file", "in.wav o.wav", "USR1", 128 + SIGUSR1, {}),
        signalled("SIGPIPE is ignored", "in.wav o.wav", "PIPE", 0, {"o.wav"}),
        signalled("SIGINT its caller ignores stays ignored", "in.wav o.wav", "INT", 0, {"o.wav"}),
        signalled("an interrupted batch leaves no file", "--jobs 2 --out-dir d in.wav mono.wav", "TERM", 128 + SIGTERM,
                  {"d"}),
        {"a batch: the same bits at --jobs 1 and 4; a failing file stops none", "$R -q --jobs 1 --out-dir 1 in.wav "
         "text.wav mono.wav; $R --jobs 4 --out-dir 4 in.wav text.wav mono.wav; s=$?; diff -r 1 4 && exit $s", 3,
         "1 of 3 files failed: text.wav", {"1", "1/in.wav", "1/mono.wav", "4", "4/in.wav", "4/mono.wav"}},
        preset("loaded, then set by name in any case and by index", "--load-state a.fxp --set gRAIN=0.75 --set 2=0.5",
               glowmarshPreset("Warm room", 0.125f, 0.75f, 0.5f)),
        preset("values without a chunk", "--plugin $STUB --load-state stub.fxp", kStubPreset),
        {"a render saves its state; the default tail is the reach", "-q --set 2=0.5 --save-state s in.wav o.wav", 0,
         "", {"o.wav", "s"}, {"s", glowmarshPreset("Default", 1.0f, 0.7f, 0.5f)}, "o.wav", 1000 + 22061, wav | pcm16},
        {"the host sequence, and a quiet impulse: one full-scale frame", "exec env STUB_LOG=log $R --plugin $STUB "
         "--impulse --rate 44100 --block 300 --tail 0.01 -q o.wav", 0, "", {"log", "o.wav"},
         {"log", "open 0\nsampleRate 44100\nblockSize 300\nresume 1\nprocess 300\nprocess 142\nsuspend 0\nclose 0\n"},
         "o.wav", 442, wav | f32, nullptr, {{0, 1.0}, {1, 1.0}}},
        {"what a host sees", "--info", 0, "Effect name   \"Glowmarsh\"\nVendor        \"fernbridge\""},
        {"--quality 0 makes a smaller file than 1", "$R -q --quality 0 in.wav a.ogg && $R -q --quality 1 in.wav b.ogg "
         "&& test $(wc -c <a.ogg) -lt $(wc -c <b.ogg)", 0, "", {"a.ogg", "b.ogg"}},
        pass("FLAC to AIFF keeps 24 bits; an upper-case extension", "in.flac", "O.AIFF", aiff | pcm24, "in.flac"),
        pass("a plug-in named without a slash; the longest name", "--plugin stub.so in.wav", longName.c_str(),
             wav | pcm16, "in.wav"),
        {"16 bits: beyond full scale saturates, NaN becomes 0, and the summary and warnings say so",
         "exec $R " + kPass + "--bits 16 odd.wav o.wav", 0, "not counting 1 non-finite samples\nglowmarsh-render: "
         "warning: the output clips: 1 samples beyond full scale, peak +3.52 dBFS; they are cut to full scale in the "
         "file\nglowmarsh-render: warning: 1 output samples are NaN or infinite; they are written as 0",
         {"o.wav"}, {}, "o.wav", 0, wav | pcm16, "odd.wav", {{2, 32767.0 / 32768.0}, {4, 0.0}}},
        pass("pipes in and out; the summary on standard error", "cat in.wav | $R " + kPass + "- - | cat >o.wav",
             "o.wav", wav | pcm16, "in.wav", {}, "1000 frames, 0.023 s of audio"),
        pass("mono feeds both sides; FLAC to a pipe", "$R -q " + kPass + "--format flac mono.wav - | cat >o.flac",
             "o.flac", flac | pcm16, "mono.wav"),
        pass("a FIFO written in place", "mkfifo f; timeout 5 cat f >o.wav & $R -q " + kPass + "in.wav f && wait && "
             "test -p f", "o.wav", wav | pcm16, "in.wav", {"f"}),
        pass("--bits 16 into a dangling symlink: the link stays, its target is written", "ln -s folder/o.wav l.wav && "
             "$R -q " + kPass + "--bits 16 double.wav l.wav && test -L l.wav", "folder/o.wav", wav | pcm16, "in.wav",
             {"l.wav"}),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.meaning);
        const ScratchFolder scratch;
        prepare(scratch);
        const Bytes input = fileBytes(scratch.file("in.wav"));
        std::set<std::string> expected = scratch.entries();
        expected.insert(c.created.begin(), c.created.end());
        const auto [exitCode, printed] = scratch.run(c.command);
        EXPECT_EQ(exitCode, c.exitCode) << printed;
        EXPECT_TRUE(exitCode == 0 || exitCode > 128 || printed.starts_with("glowmarsh-render: ")) << printed;
        EXPECT_TRUE(*c.message ? printed.find(c.message) != std::string::npos : c.exitCode || printed.empty())
            << printed;
        EXPECT_EQ(scratch.entries(), expected);
        EXPECT_EQ(fileBytes(scratch.file("in.wav")), input) << "the input changed";
        EXPECT_EQ(c.file.first ? fileBytes(scratch.file(c.file.first)) : "", c.file.second);
        if (c.output && exitCode == 0) {
            const Audio output = readAudio(scratch.file(c.output));
            const Audio from =
                c.sameAs ? readAudio(scratch.file(c.sameAs)) : Audio{0, 0, 2, std::vector(2 * c.frames, 0.0)};
            std::vector<double> want;
            for (double sample : from.samples) {
                want.insert(want.end(), 3 - from.channels, sample);
            }
            for (auto [index, value] : c.changed) {
                want[index] = value;
            }
            EXPECT_TRUE((!c.sameAs && c.changed.empty()) || sameBits(output.samples, want));
            EXPECT_EQ(std::tuple(output.frames(), output.rateHz, output.format),
                      std::tuple(std::ssize(want) / 2, 44100, c.format));
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
    const auto power = [](const Audio& a) {
        return std::inner_product(a.samples.begin(), a.samples.end(), a.samples.begin(), 0.0);
    };
    const std::string listing = scratch.run("--formats").second;
    std::istringstream lines(listing);
    std::set<std::string> names;
    for (std::string line, name, extension; std::getline(lines, line);) {
        if (std::istringstream(line) >> name >> extension && extension[0] == '.' && names.insert(name).second) {
            SCOPED_TRACE(name);
            ASSERT_EQ(scratch.run("-q " + kPass + "in.wav o" + extension), std::pair(0, std::string()));
            const Audio output = readAudio(scratch.file("o" + extension),
                                           {0, 48000, 2, name == "raw" ? SF_FORMAT_RAW | pcm16 : 0, 0, 0});
            ASSERT_EQ(output.frames(), input.frames());
            EXPECT_TRUE(name == "ogg" || name == "opus" || name == "mp3" || output.samples == input.samples);
            EXPECT_NEAR(10.0 * std::log10(power(output) / power(input)), 0.0, 0.5) << "level in dB";
        }
    }
    EXPECT_GE(names.size(), 20u) << listing;
    if (!names.contains("mp3") || !names.contains("opus")) {
        GTEST_SKIP() << "this libsndfile writes no MP3 or no Opus: not round-tripped";
    }
}

// A render is the effect's own output: the same input, block size, settings
// and rand() seed run through a Glowmarsh in this process give the same bits
// as glowmarsh-render gives through Glowmarsh.so. One case per precision, one
// through files and one through pipes (where the renderer writes WAV itself).
// The effect's noise counters (one per precision) and rand() are process-wide:
// each precision renders once in this process.
constexpr unsigned kSeed = 1234;

// Runs the line on a test signal in a file of Sample, and the same signal
// through the effect in this process, in blocks, then silence for the tail.
template <typename Sample>
void expectInProcessOutput(const std::string& line, VstInt32 blockFrames, const float (&values)[3],
                           void (Glowmarsh::*process)(Sample**, Sample**, VstInt32)) {
    SCOPED_TRACE(line);
    const ScratchFolder scratch;
    // 0.999 of the signal: values that no 16-bit file holds.
    writeAudio(scratch.file("in.wav"), testSignal(2, 30000, wav | (sizeof(Sample) == 8 ? f64 : f32), 0.999));
    const Audio input = readAudio(scratch.file("in.wav"));  // exactly what the renderer reads
    ASSERT_EQ(scratch.run(line), std::pair(0, std::string()));
    Glowmarsh effect(nullptr);
    for (VstInt32 i = 0; i < 3; ++i) {
        effect.setParameter(i, values[i]);
    }
    std::srand(kSeed);
    const std::int64_t total = input.frames() + 4410;  // --tail 0.1 at 44100 Hz
    std::vector<Sample> in(2 * total), out(2 * total);  // the left channel, then the right
    for (std::int64_t i = 0; i < 2 * input.frames(); ++i) {
        in[i % 2 * total + i / 2] = Sample(input.samples[i]);
    }
    for (std::int64_t start = 0; start < total; start += blockFrames) {
        Sample* ins[] = {&in[start], &in[total + start]};
        Sample* outs[] = {&out[start], &out[total + start]};
        (effect.*process)(ins, outs, VstInt32(std::min<std::int64_t>(blockFrames, total - start)));
    }
    std::vector<double> rendered;  // interleaved, as in a file
    for (std::int64_t i = 0; i < 2 * total; ++i) {
        rendered.push_back(out[i % 2 * total + i / 2]);
    }
    EXPECT_TRUE(sameBits(readAudio(scratch.file("o.wav")).samples, rendered)) << "not the effect's own output";
}

TEST(RenderIdentity, RenderEqualsInProcessOutputBitForBit) {
    const std::string words = " -q --seed " + std::to_string(kSeed) + " --tail 0.1 --plugin " GLOWMARSH_PLUGIN_PATH;
    expectInProcessOutput("cat in.wav | $R" + words + " --block 333 --set 0=0.5 --set 1=0.25 --set 2=1 - - "
                          "| cat >o.wav", 333, {0.5f, 0.25f, 1.0f}, &Glowmarsh::processReplacing);
    expectInProcessOutput("$R" + words + " --precision 64 --block 1 --set Dry/Wet=0.75 in.wav o.wav", 1,
                          {1.0f, 0.7f, 0.75f}, &Glowmarsh::processDoubleReplacing);
}

}  // namespace
}  // namespace rendertest
