// The command line of glowmarsh-render, parsed but not yet checked against a
// plug-in or a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace render {

// Which processing entry renders.
enum class Precision { single32, double64 };

// Sample format of the output file.
enum class SampleBits { fromInput, pcm16, pcm24, float32, float64 };

// One --set: a parameter named or numbered, and its normalised value.
struct ParameterSetting {
    std::string target;  // a name (any case) or a decimal index
    float value;         // 0 to 1
};

struct Options {
    bool help = false;               // print usage and stop
    bool listFormats = false;        // print the output formats and stop
    bool info = false;               // describe the plug-in and stop
    bool impulse = false;            // render the impulse response instead of a file
    bool quiet = false;              // no progress bar, no summary
    std::string pluginPath;          // empty: find Glowmarsh.so
    std::string inputPath;           // empty with --impulse, --info and --out-dir; "-": standard input
    std::string outputPath;          // empty with --info and --out-dir; "-": standard output
    std::string formatName;          // --format; empty: from OUTPUT's extension
    std::optional<double> quality;   // --quality, 0 to 1, for lossy formats
    std::string outDir;              // --out-dir: a batch, one output per input in this folder
    std::vector<std::string> inputs; // the batch's inputs
    int jobs = 0;                    // renders at once in a batch; 0: one per core
    std::vector<std::string> passedOn;  // the words of every option a batch hands each render
    SampleBits bits = SampleBits::fromInput;
    Precision precision = Precision::single32;
    std::int32_t blockFrames = 512;  // frames per processing call
    std::optional<double> tailSeconds;  // unset: the plug-in's own tail
    double impulseRateHz = 48000.0;  // sample rate of --impulse
    std::vector<ParameterSetting> settings;  // in command-line order
    std::string loadStatePath;       // .fxp to restore before rendering
    std::string saveStatePath;       // .fxp to write after rendering
    unsigned seed = 1;               // seed of the process's rand(), which dither may draw from
};

// Largest block the renderer hands a plug-in in one call.
constexpr std::int32_t kMaxBlockFrames = 65536;
// Most renders a batch runs at once.
constexpr int kMaxJobs = 1024;
// Longest tail accepted, seconds.
constexpr double kMaxTailSeconds = 3600.0;

// Parses argv; throws RenderError(usage) naming the offending flag.
Options parseOptions(int argc, const char* const* argv);

// The --help text.
std::string usageText();

}  // namespace render
