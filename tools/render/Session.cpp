#include "tools/render/Session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <system_error>

#include "tools/render/AudioFile.h"
#include "tools/render/Formats.h"
#include "tools/render/Info.h"
#include "tools/render/OutputFile.h"
#include "tools/render/ParameterSettings.h"
#include "tools/render/PluginLocator.h"
#include "tools/render/Progress.h"
#include "tools/render/RenderError.h"
#include "tools/render/RenderLoop.h"
#include "tools/render/StateFile.h"
#include "tools/vsthost/Plugin.h"

namespace render {
namespace {

// Largest channel count a plug-in may declare for the renderer to drive it.
constexpr VstInt32 kMaxChannels = 64;

// A file as this run reads or writes it: a regular file by its device and
// inode, a file still to be created by its resolved path; anything else
// (pipes, devices) matches nothing.
struct FileIdentity {
    bool regular = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::string resolved;
};

FileIdentity identify(const std::string& path, int standardStream) {
    FileIdentity identity;
    struct stat status {};
    const bool found = path == "-" ? fstat(standardStream, &status) == 0 : stat(path.c_str(), &status) == 0;
    if (found && S_ISREG(status.st_mode)) {
        identity = {true, status.st_dev, status.st_ino, ""};
    } else if (!found && path != "-") {
        identity.resolved = resolvedPath(path);
    }
    return identity;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.regular && b.regular ? a.device == b.device && a.inode == b.inode
                                  : !a.resolved.empty() && a.resolved == b.resolved;
}

// Files this run writes must not be the ones it reads, nor each other.
void checkDistinctFiles(const Options& options) {
    struct Use {
        std::string path;
        std::string role;  // as a message names it
        FileIdentity identity;
    };
    std::vector<Use> reads, writes;
    const auto add = [](std::vector<Use>& uses, const std::string& path, const std::string& role, int stream) {
        if (!path.empty()) {
            uses.push_back({path, role, identify(path, stream)});
        }
    };
    add(reads, options.inputPath, "the input file", STDIN_FILENO);
    add(reads, options.loadStatePath, "the --load-state file", STDIN_FILENO);
    add(writes, options.outputPath, "", STDOUT_FILENO);
    add(writes, options.saveStatePath, "--save-state ", STDOUT_FILENO);
    for (const Use& write : writes) {
        for (const Use& read : reads) {
            if (sameFile(write.identity, read.identity)) {
                fail(ExitCode::usage, write.role + write.path + ": is " + read.role + "; refusing to overwrite it");
            }
        }
    }
    if (writes.size() == 2 && (sameFile(writes[0].identity, writes[1].identity) || writes[0].path == writes[1].path)) {
        fail(ExitCode::usage, "--save-state " + options.saveStatePath + ": is also OUTPUT");
    }
}

std::unique_ptr<vsthost::Plugin> loadPlugin(const Options& options) {
    std::string path = options.pluginPath.empty() ? locateDefaultPlugin() : options.pluginPath;
    // A name without a slash would send the loader searching the library
    // path; --plugin always names a file.
    if (path.find('/') == std::string::npos) {
        path = "./" + path;
    }
    std::string error;
    std::unique_ptr<vsthost::Plugin> plugin = vsthost::Plugin::load(path, error);
    if (!plugin) {
        fail(ExitCode::plugin, error);
    }
    return plugin;
}

void checkCanRender(vsthost::Plugin& plugin, const Options& options) {
    const std::string path = plugin.modulePath();
    if (plugin.numOutputs() < 2 || plugin.numInputs() < 1 || plugin.numOutputs() > kMaxChannels ||
        plugin.numInputs() > kMaxChannels) {
        fail(ExitCode::plugin, path + ": not a stereo effect (" + std::to_string(plugin.numInputs()) + " inputs, " +
                                   std::to_string(plugin.numOutputs()) + " outputs)");
    }
    if (options.precision == Precision::double64 && !plugin.hasFlag(effectFlags::canDoubleReplacing)) {
        fail(ExitCode::plugin, "--precision 64: " + path + " does not announce 64-bit processing");
    }
    if (options.precision == Precision::single32 && !plugin.hasFlag(effectFlags::canReplacing)) {
        fail(ExitCode::plugin, path + " does not announce 32-bit replacing processing" +
                                   (plugin.hasFlag(effectFlags::canDoubleReplacing) ? "; try --precision 64" : ""));
    }
}

void showInfo(const Options& options) {
    std::unique_ptr<vsthost::Plugin> plugin = loadPlugin(options);
    plugin->open();
    if (!options.loadStatePath.empty()) {
        loadState(*plugin, options.loadStatePath);
    }
    applySettings(*plugin, options.settings);
    std::ostringstream info;
    printInfo(*plugin, defaultTailFrames(*plugin), info);
    printOut(info.str());
    if (!options.saveStatePath.empty()) {
        const std::vector<std::uint8_t> state = presetBytes(*plugin);
        writeFileAtomically(options.saveStatePath, state.data(), state.size());
    }
    plugin->close();
}

// The frames to render: the input file, or the impulse.
struct Input {
    std::unique_ptr<FrameSource> source;
    int rateHz = 0;
    int format = 0;  // libsndfile format of the file; 0 for the impulse
};

Input openInput(const Options& options) {
    Input input;
    if (options.impulse) {
        input.source = std::make_unique<ImpulseSource>();
        input.rateHz = static_cast<int>(options.impulseRateHz);
    } else {
        auto reader = std::make_unique<AudioReader>(options.inputPath);
        input.rateHz = reader->sampleRateHz();
        input.format = reader->format();
        input.source = std::move(reader);
    }
    return input;
}

// The host sequence up to, not including, resume.
std::unique_ptr<vsthost::Plugin> preparePlugin(const Options& options, int rateHz) {
    std::unique_ptr<vsthost::Plugin> plugin = loadPlugin(options);
    checkCanRender(*plugin, options);
    plugin->open();
    plugin->setSampleRate(static_cast<float>(rateHz));
    plugin->setBlockSize(options.blockFrames);
    if (!options.loadStatePath.empty()) {
        loadState(*plugin, options.loadStatePath);
    }
    applySettings(*plugin, options.settings);
    return plugin;
}

// --tail in frames at the file's rate, or the default, within the longest
// tail --tail accepts.
std::int64_t tailFrames(const Options& options, vsthost::Plugin& plugin, int rateHz) {
    if (options.tailSeconds) {
        return std::llround(*options.tailSeconds * rateHz);
    }
    return std::min<std::int64_t>(defaultTailFrames(plugin), std::llround(kMaxTailSeconds * rateHz));
}

// The summary goes to standard output, unless the audio does; warnings to
// standard error.
void report(const RenderStats& stats, int format, const Options& options) {
    const std::string summary = summaryLine(stats) + "\n";
    if (!options.quiet && options.outputPath == "-") {
        std::cerr << summary;
    } else if (!options.quiet) {
        printOut(summary);
    }
    std::istringstream lines(warnings(stats, isFloatFormat(format)));
    for (std::string line; std::getline(lines, line);) {
        std::cerr << "glowmarsh-render: " << line << std::endl;
    }
}

void render(const Options& options) {
    Input input = openInput(options);
    FormatRequest request;
    request.outputPath = options.outputPath;
    request.formatName = options.formatName;
    request.bits = options.bits;
    request.quality = options.quality;
    request.inputFormat = input.format;
    request.rateHz = input.rateHz;
    request.stream = destinationCannotSeek(options.outputPath);
    const int format = chooseOutputFormat(request);
    std::unique_ptr<vsthost::Plugin> plugin = preparePlugin(options, input.rateHz);

    RenderPlan plan;
    plan.sourceFrames = input.source->frames();
    plan.tailFrames = tailFrames(options, *plugin, input.rateHz);
    plan.blockFrames = options.blockFrames;
    plan.precision = options.precision;
    plan.zeroNonFinite = !isFloatFormat(format);

    // Both files are started before anything is rendered, so a folder that
    // cannot take them stops the run before it has written anything.
    OutputFile output(options.outputPath);
    std::optional<OutputFile> stateFile;
    if (!options.saveStatePath.empty()) {
        stateFile.emplace(options.saveStatePath);
    }
    AudioWriter writer(output, format, input.rateHz, options.quality);
    ProgressBar progress(!options.quiet && isatty(STDERR_FILENO) == 1,
                         plan.sourceFrames < 0 ? -1 : plan.sourceFrames + plan.tailFrames, input.rateHz);

    // The dither of the effect draws from the process's rand(); a known seed
    // makes the render repeatable.
    std::srand(options.seed);
    plugin->resume();
    RenderStats stats = renderBlocks(*plugin, *input.source, writer, plan, progress);
    plugin->suspend();
    progress.finish();
    stats.sampleRateHz = input.rateHz;

    if (stateFile) {
        const std::vector<std::uint8_t> state = presetBytes(*plugin);
        stateFile->writeAll(state.data(), state.size());
    }
    plugin->close();
    writer.finish();
    // Reported before the files appear: a summary that cannot be written
    // fails the run, which then leaves nothing.
    report(stats, format, options);
    output.commit();
    if (stateFile) {
        stateFile->commit();
    }
}

}  // namespace

std::int64_t defaultTailFrames(vsthost::Plugin& plugin) {
    const VstIntPtr reported = plugin.tailSizeFrames();
    return reported > 0 ? reported : kGlowmarshReachFrames;
}

void runSession(const Options& options) {
    checkDistinctFiles(options);
    if (options.info) {
        showInfo(options);
    } else {
        render(options);
    }
}

}  // namespace render
