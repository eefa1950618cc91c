#include "tools/render/Options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "tools/render/RenderError.h"

namespace render {
namespace {

[[noreturn]] void usageError(const std::string& message) {
    fail(ExitCode::usage, message + " (see --help)");
}

double parseNumber(const std::string& flag, const std::string& text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        usageError(flag + ": '" + text + "' is not a number");
    }
    return value;
}

std::int64_t parseWhole(const std::string& flag, const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        usageError(flag + ": '" + text + "' is not a whole number");
    }
    return value;
}

SampleBits parseBits(const std::string& text) {
    if (text == "16") return SampleBits::pcm16;
    if (text == "24") return SampleBits::pcm24;
    if (text == "32f") return SampleBits::float32;
    if (text == "64f") return SampleBits::float64;
    usageError("--bits: '" + text + "' is not one of 16, 24, 32f, 64f");
}

Precision parsePrecision(const std::string& text) {
    if (text == "32") return Precision::single32;
    if (text == "64") return Precision::double64;
    usageError("--precision: '" + text + "' is not 32 or 64");
}

ParameterSetting parseSetting(const std::string& text) {
    const std::size_t equals = text.rfind('=');
    if (equals == std::string::npos || equals == 0) {
        usageError("--set: '" + text + "' is not NAME=VALUE or INDEX=VALUE");
    }
    const double value = parseNumber("--set " + text, text.substr(equals + 1));
    if (value < 0.0 || value > 1.0) {
        usageError("--set " + text + ": values are normalised, 0 to 1");
    }
    return {text.substr(0, equals), static_cast<float>(value)};
}

// Walks argv, handing out flag values in either "--flag VALUE" or
// "--flag=VALUE" form.
class Arguments {
public:
    Arguments(int argc, const char* const* argv) : argv(argv + 1), remaining(argc > 0 ? argc - 1 : 0) {}

    bool next(std::string& word) {
        if (remaining == 0) {
            return false;
        }
        word = *argv++;
        --remaining;
        attached.reset();
        taken = {word};
        if (word.rfind("--", 0) == 0) {
            const std::size_t equals = word.find('=');
            if (equals != std::string::npos) {
                attached = word.substr(equals + 1);
                word.resize(equals);
            }
        }
        return true;
    }

    std::string value(const std::string& flag) {
        if (attached) {
            return *std::exchange(attached, std::nullopt);
        }
        if (remaining == 0) {
            usageError(flag + " needs a value");
        }
        --remaining;
        taken.push_back(*argv);
        return *argv++;
    }

    // The words the current option was given in.
    const std::vector<std::string>& words() const { return taken; }

    // A flag that takes no value must not be given one.
    void noValue(const std::string& flag) const {
        if (attached) {
            usageError(flag + " takes no value");
        }
    }

private:
    const char* const* argv;
    int remaining;
    std::optional<std::string> attached;
    std::vector<std::string> taken;
};

void checkPositionals(Options& options, const std::vector<std::string>& positionals) {
    if (!options.outDir.empty()) {
        if (options.info || options.impulse || !options.saveStatePath.empty()) {
            usageError("--out-dir renders files; it does not go with --info, --impulse or --save-state");
        }
        if (positionals.empty() || std::find(positionals.begin(), positionals.end(), "-") != positionals.end()) {
            usageError("--out-dir needs INPUT files (standard input is not one)");
        }
        options.inputs = positionals;
        return;
    }
    if (options.jobs != 0) {
        usageError("--jobs applies only to --out-dir");
    }
    std::size_t wanted = 2;
    std::string shape = "INPUT OUTPUT";
    if (options.info) {
        wanted = 0;
        shape = "no file names";
    } else if (options.impulse) {
        wanted = 1;
        shape = "only OUTPUT";
    }
    if (positionals.size() != wanted) {
        usageError((options.info ? "--info takes " : options.impulse ? "--impulse takes " : "expected ") + shape +
                   ", got " + std::to_string(positionals.size()) + " file name" +
                   (positionals.size() == 1 ? "" : "s"));
    }
    if (wanted == 2) {
        options.inputPath = positionals[0];
        options.outputPath = positionals[1];
    } else if (wanted == 1) {
        options.outputPath = positionals[0];
    }
}

}  // namespace

Options parseOptions(int argc, const char* const* argv) {
    Options options;
    std::vector<std::string> positionals;
    bool rateGiven = false;
    Arguments args(argc, argv);
    std::string word;
    bool optionsEnded = false;
    while (args.next(word)) {
        if (optionsEnded || word.empty() || word[0] != '-' || word == "-") {
            positionals.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (word == "--help" || word == "-h") {
            args.noValue(word);
            options.help = true;
            return options;
        } else if (word == "--formats") {
            args.noValue(word);
            options.listFormats = true;
            return options;
        } else if (word == "--out-dir") {
            options.outDir = args.value(word);
            continue;  // not handed on
        } else if (word == "--jobs") {
            const std::int64_t jobs = parseWhole(word, args.value(word));
            if (jobs < 1 || jobs > kMaxJobs) {
                usageError("--jobs: " + std::to_string(jobs) + " is outside 1 to " + std::to_string(kMaxJobs));
            }
            options.jobs = static_cast<int>(jobs);
            continue;
        } else if (word == "--format") {
            options.formatName = args.value(word);
        } else if (word == "--quality") {
            const double quality = parseNumber(word, args.value(word));
            if (quality < 0.0 || quality > 1.0) {
                usageError("--quality: " + args.words().back() + " is outside 0 to 1");
            }
            options.quality = quality;
        } else if (word == "--info") {
            args.noValue(word);
            options.info = true;
        } else if (word == "--impulse") {
            args.noValue(word);
            options.impulse = true;
        } else if (word == "--quiet" || word == "-q") {
            args.noValue(word);
            options.quiet = true;
        } else if (word == "--plugin") {
            options.pluginPath = args.value(word);
        } else if (word == "--bits") {
            options.bits = parseBits(args.value(word));
        } else if (word == "--precision") {
            options.precision = parsePrecision(args.value(word));
        } else if (word == "--block") {
            const std::int64_t frames = parseWhole(word, args.value(word));
            if (frames < 1 || frames > kMaxBlockFrames) {
                usageError("--block: " + std::to_string(frames) + " frames is outside 1 to " +
                           std::to_string(kMaxBlockFrames));
            }
            options.blockFrames = static_cast<std::int32_t>(frames);
        } else if (word == "--tail") {
            const double seconds = parseNumber(word, args.value(word));
            if (seconds < 0.0 || seconds > kMaxTailSeconds) {
                usageError("--tail: seconds must lie within 0 to " + std::to_string(int(kMaxTailSeconds)));
            }
            options.tailSeconds = seconds;
        } else if (word == "--rate") {
            const std::int64_t rate = parseWhole(word, args.value(word));
            if (rate < 1 || rate > 768000) {
                usageError("--rate: " + std::to_string(rate) + " Hz is outside 1 to 768000");
            }
            options.impulseRateHz = static_cast<double>(rate);
            rateGiven = true;
        } else if (word == "--set") {
            options.settings.push_back(parseSetting(args.value(word)));
        } else if (word == "--load-state") {
            options.loadStatePath = args.value(word);
        } else if (word == "--save-state") {
            options.saveStatePath = args.value(word);
        } else if (word == "--seed") {
            const std::int64_t seed = parseWhole(word, args.value(word));
            if (seed < 0 || seed > std::numeric_limits<unsigned>::max()) {
                usageError("--seed: " + std::to_string(seed) + " is outside 0 to 4294967295");
            }
            options.seed = static_cast<unsigned>(seed);
        } else {
            usageError("unknown option '" + word + "'");
        }
        if (!optionsEnded && word.starts_with("-") && word != "-" && word != "--") {
            options.passedOn.insert(options.passedOn.end(), args.words().begin(), args.words().end());
        }
    }
    if (options.info && options.impulse) {
        usageError("--info and --impulse do not go together");
    }
    if (rateGiven && !options.impulse) {
        usageError("--rate applies only to --impulse; a file renders at its own rate");
    }
    checkPositionals(options, positionals);
    return options;
}

}  // namespace render
